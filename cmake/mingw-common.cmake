# What the two mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR (i686 or
# x86_64) first. The posix thread model: GoogleTest needs std::mutex, which the win32
# model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(kestor_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${kestor_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kestor_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kestor_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kestor_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
