#pragma once
// An owned registry key handle, and the writes and checks registration needs.
#include <windows.h>

#include <string>
#include <utility>

namespace kestor {

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }

  HKEY get() const { return key_; }
  HKEY* put() {
    if (HKEY old = std::exchange(key_, nullptr)) RegCloseKey(old);
    return &key_;
  }

 private:
  HKEY key_ = nullptr;
};

// Creates (or opens) parent\path and sets its value name (nullptr: the default value)
// to the text data. Returns a Win32 error code.
inline LONG writeStringValue(HKEY parent, const std::wstring& path, const wchar_t* name,
                             const std::wstring& data) {
  RegistryKey key;
  LONG error = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (error != ERROR_SUCCESS) return error;
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        bytes);
}

// Deletes parent\path with everything below it; a key that is not there is no error.
inline LONG deleteTree(HKEY parent, const std::wstring& path) {
  const LONG error = RegDeleteTreeW(parent, path.c_str());
  return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

// view: 0 for the caller's own registry view, or KEY_WOW64_32KEY / KEY_WOW64_64KEY.
inline bool keyExists(HKEY parent, const std::wstring& path, REGSAM view = 0) {
  RegistryKey key;
  return RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

}  // namespace kestor
