# Kestor.ocx: the in-process COM server around the core. Included from host/CMakeLists.txt
# after the type library and the Windows adapters are defined.

if(NOT KESTOR_TLB OR NOT TARGET kestor_typelib)
  message(FATAL_ERROR "Kestor.ocx needs the generated type library (KESTOR_TLB, kestor_typelib)")
endif()

set(KESTOR_SERVER_DIR ${CMAKE_CURRENT_LIST_DIR})

# The safety answers as a library of their own: the server and the tests that check
# the flags-false answers link the same code.
add_library(kestor_safety STATIC
  ${KESTOR_SERVER_DIR}/base_safe_ctl.cpp
  ${KESTOR_SERVER_DIR}/safety_options.cpp)
target_include_directories(kestor_safety PUBLIC ${PROJECT_SOURCE_DIR})

# The resource script names the generated library by its full path.
set(KESTOR_SERVER_RC ${CMAKE_CURRENT_BINARY_DIR}/kestor.rc)
configure_file(${KESTOR_SERVER_DIR}/kestor.rc.in ${KESTOR_SERVER_RC} @ONLY)
set_source_files_properties(${KESTOR_SERVER_RC} PROPERTIES OBJECT_DEPENDS ${KESTOR_TLB})

add_library(kestor_server SHARED
  ${KESTOR_SERVER_DIR}/class_factory.cpp
  ${KESTOR_SERVER_DIR}/com_guard.cpp
  ${KESTOR_SERVER_DIR}/dispatch_args.cpp
  ${KESTOR_SERVER_DIR}/exports.cpp
  ${KESTOR_SERVER_DIR}/module.cpp
  ${KESTOR_SERVER_DIR}/property_bag_source.cpp
  ${KESTOR_SERVER_DIR}/registration.cpp
  ${KESTOR_SERVER_DIR}/runtime_teardown.cpp
  ${KESTOR_SERVER_DIR}/sys_kestor_dispatch.cpp
  ${KESTOR_SERVER_DIR}/sys_kestor_object.cpp
  ${KESTOR_SERVER_DIR}/sys_kestor_persistence.cpp
  ${KESTOR_SERVER_DIR}/sys_kestor_safety.cpp
  ${KESTOR_SERVER_DIR}/type_info_cache.cpp
  ${KESTOR_SERVER_DIR}/kestor.def
  ${KESTOR_SERVER_RC})
add_dependencies(kestor_server kestor_typelib)
set_target_properties(kestor_server PROPERTIES
  OUTPUT_NAME Kestor
  PREFIX ""
  SUFFIX .ocx
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
target_include_directories(kestor_server PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(kestor_server PRIVATE
  kestor_safety kestor_win_adapters kestor_core ole32 oleaut32 uuid advapi32)
# The exports are exactly those of kestor.def (undecorated, by ordinal); stdcall names
# resolve to their decorated definitions without a warning per export. Symbols are
# stripped: the static runtime libraries would otherwise bring their debug sections.
target_link_options(kestor_server PRIVATE ${KESTOR_WIN_LINK_OPTIONS} -s -Wl,--enable-stdcall-fixup)

# Where tests and scripts find the built server: its path here, and as Wine sees it
# (drive Z: is the Unix root).
set(KESTOR_OCX ${CMAKE_CURRENT_BINARY_DIR}/Kestor.ocx)
string(REPLACE "/" "\\" KESTOR_OCX_WINDOWS "Z:${KESTOR_OCX}")
