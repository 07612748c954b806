#include "host/bridge/allowed_origins.h"

#include <windows.h>

#include "bridge/policy_entry.h"
#include "common/utf8.h"
#include "host/com/registry_key.h"

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

bool readPolicyValues(std::vector<PolicyValue>& values) {
  RegistryKey key;
  // The 64-bit view from both builds: one list for the 32-bit and the 64-bit host.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAllowedOriginsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD count = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                       &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring name(longestName + 1, L'\0');
  std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    if (RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &dataBytes) != ERROR_SUCCESS) {
      continue;
    }
    PolicyValue value{toUtf8(TextView(reinterpret_cast<const char16_t*>(name.data()), nameLength)), std::string(),
                      nullptr};
    if (type != REG_SZ) {
      value.notAnEntry = "not a text value (REG_SZ)";
    } else {
      // The data may or may not hold its terminating NUL.
      std::size_t units = dataBytes / sizeof(wchar_t);
      while (units > 0 && data[units - 1] == L'\0') --units;
      value.text = toUtf8(TextView(reinterpret_cast<const char16_t*>(data.data()), units));
      if (!isListEntryName(name.data(), nameLength)) value.notAnEntry = "not named 1, 2, ... as list policies are";
    }
    values.push_back(std::move(value));
  }
  return true;
}

std::vector<std::string> readAllowedOrigins() {
  std::vector<PolicyValue> values;
  std::vector<std::string> entries;
  readPolicyValues(values);
  for (PolicyValue& value : values) {
    if (value.notAnEntry == nullptr) entries.push_back(std::move(value.text));
  }
  return entries;
}

int printPolicy(std::FILE* out) {
  const std::string key = toUtf8(TextView(reinterpret_cast<const char16_t*>(kAllowedOriginsKey),
                                          sizeof kAllowedOriginsKey / sizeof(wchar_t) - 1));
  std::vector<PolicyValue> values;
  if (!readPolicyValues(values)) {
    std::fprintf(out, "HKLM\\%s: missing, so every page is refused\n", key.c_str());
    return 1;
  }
  std::fprintf(out, "HKLM\\%s (64-bit view): %lu values\n", key.c_str(), static_cast<unsigned long>(values.size()));
  unsigned long accepted = 0;
  for (const PolicyValue& value : values) {
    const bridge::PolicyEntry entry = value.notAnEntry == nullptr ? bridge::readPolicyEntry(value.text)
                                                                  : bridge::PolicyEntry{std::string(), value.notAnEntry};
    if (!entry.origin.empty()) ++accepted;
    std::fprintf(out, "%s\t%s\t\"%s\"", value.name.empty() ? "(default)" : value.name.c_str(),
                 entry.origin.empty() ? "dropped" : "accepted", value.text.c_str());
    if (!entry.origin.empty() && entry.why != nullptr) std::fprintf(out, "\tas %s", entry.origin.c_str());
    if (entry.origin.empty()) std::fprintf(out, "\t%s", entry.why);
    std::fputc('\n', out);
  }
  std::fprintf(out, "%lu accepted, %lu dropped; the host reads the list when it starts: restart the browser after a change\n",
               accepted, static_cast<unsigned long>(values.size()) - accepted);
  return accepted == 0 ? 1 : 0;
}

}  // namespace kestor::host_bridge
