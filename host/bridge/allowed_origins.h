#pragma once
// The administrator's list of origins that may use the bridge.
#include <string>
#include <vector>

namespace kestor::host_bridge {

// HKLM\SOFTWARE\Policies\Kestor\Bridge\AllowedOrigins, one text value per origin named
// 1, 2, ... as browsers keep their list policies. Machine policy only: nothing under
// HKCU is read, so no user can widen the list.
constexpr wchar_t kAllowedOriginsKey[] = L"SOFTWARE\\Policies\\Kestor\\Bridge\\AllowedOrigins";

// The list's entries in UTF-8, unchecked; empty when the key is missing or unreadable.
std::vector<std::string> readAllowedOrigins();

}  // namespace kestor::host_bridge
