#pragma once
// How the type library tools report: a failure carries a message and ends the tool.
#include <windows.h>

#include <cstdio>
#include <string>

namespace kestor::typelib {

struct ToolFailure {
  std::string message;
};

inline std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), n, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(n - 1));
  return narrow;
}

[[noreturn]] inline void Fail(const std::string& message) { throw ToolFailure{message}; }

inline void Check(HRESULT hr, const std::string& what) {
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    Fail(what + " failed with " + code);
  }
}

}  // namespace kestor::typelib
