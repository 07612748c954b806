#pragma once
// The administrator's list of origins that may use the bridge.
#include <cstdio>
#include <string>
#include <vector>

namespace kestor::host_bridge {

// HKLM\SOFTWARE\Policies\Kestor\Bridge\AllowedOrigins, one text value per origin named
// 1, 2, ... as browsers keep their list policies. Machine policy only: nothing under
// HKCU is read, so no user can widen the list.
constexpr wchar_t kAllowedOriginsKey[] = L"SOFTWARE\\Policies\\Kestor\\Bridge\\AllowedOrigins";

// A value of the key: its name and text in UTF-8, and why it is no entry of the list
// (nullptr when it is one).
struct PolicyValue {
  std::string name;
  std::string text;
  const char* notAnEntry;
};

// Every value of the key; false when the key is missing or unreadable.
bool readPolicyValues(std::vector<PolicyValue>& values);

// The list's entries in UTF-8, unchecked; empty when the key is missing or unreadable.
std::vector<std::string> readAllowedOrigins();

// kestor-host.exe --policy: prints every value of the key, accepted or dropped and why,
// to OUT. Returns 0 when at least one origin is accepted, 1 otherwise.
int printPolicy(std::FILE* out);

}  // namespace kestor::host_bridge
