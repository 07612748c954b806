#include "host/bridge/allowed_origins.h"

#include <windows.h>

#include "common/utf8.h"
#include "host/dll/registry_key.h"

namespace kestor::host_bridge {

namespace {

// The names of a list policy: 1, 2, ... without leading zeros.
bool isListEntryName(const wchar_t* name, DWORD length) {
  if (length == 0 || length > 9 || name[0] == L'0') return false;
  for (DWORD i = 0; i < length; ++i) {
    if (name[i] < L'0' || name[i] > L'9') return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> readAllowedOrigins() {
  std::vector<std::string> entries;
  server::RegistryKey key;
  // The 64-bit view from both builds: one list for the 32-bit and the 64-bit host.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAllowedOriginsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    return entries;
  }
  DWORD values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longestName,
                       &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return entries;
  }
  std::wstring name(longestName + 1, L'\0');
  std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
  for (DWORD index = 0; index < values; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    if (RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &dataBytes) != ERROR_SUCCESS) {
      continue;
    }
    if (type != REG_SZ || !isListEntryName(name.data(), nameLength)) continue;
    // The data may or may not hold its terminating NUL.
    std::size_t units = dataBytes / sizeof(wchar_t);
    while (units > 0 && data[units - 1] == L'\0') --units;
    entries.push_back(toUtf8(TextView(reinterpret_cast<const char16_t*>(data.data()), units)));
  }
  return entries;
}

}  // namespace kestor::host_bridge
