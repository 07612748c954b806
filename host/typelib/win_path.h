#pragma once
// Command-line paths for the build tools and tests that run under Wine.
// CMake hands them Unix paths; the type library functions want Windows paths, and a type
// library records each imported library by the file name after its last backslash, so
// a path with forward slashes would be recorded whole.
#include <windows.h>

#include <string>

namespace kestor::winpath {

inline std::wstring Widen(const char* text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
  wide.resize(static_cast<size_t>(n - 1));
  return wide;
}

// An absolute Unix path becomes the DOS path Wine maps it to; anything else is taken
// as a Windows path already, with forward slashes turned into backslashes.
inline std::wstring ToWindowsPath(const char* arg) {
  if (arg[0] == '/') {
    // Wine's own mapping, when running under Wine: it honours the prefix's drive setup.
    using DosNameFn = WCHAR* (*)(const char*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto to_dos = kernel ? reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(
                                     GetProcAddress(kernel, "wine_get_dos_file_name")))
                               : nullptr;
    if (to_dos) {
      if (WCHAR* dos = to_dos(arg)) {
        std::wstring result(dos);
        HeapFree(GetProcessHeap(), 0, dos);
        return result;
      }
    }
    // Wine's default prefix maps the Unix root to drive Z:.
    std::wstring result = L"Z:" + Widen(arg);
    for (auto& c : result) {
      if (c == L'/') c = L'\\';
    }
    return result;
  }
  std::wstring result = Widen(arg);
  for (auto& c : result) {
    if (c == L'/') c = L'\\';
  }
  return result;
}

}  // namespace kestor::winpath
