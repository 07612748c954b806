#pragma once
// How the host reads one entry of the administrator's list of allowed origins.
#include <string>
#include <string_view>

namespace kestor::bridge {

struct PolicyEntry {
  std::string origin;  // the origin the entry allows, serialized as browsers do; empty when dropped
  const char* why;     // why it was dropped, or "normalised"; nullptr when taken as written
};

// What is unambiguous is normalised: the scheme and host lower-cased, a trailing "/" and
// the scheme's default port dropped. Anything else that is not a servable origin
// (isServableOrigin) is dropped: a wildcard, a path, a user name, another scheme.
PolicyEntry readPolicyEntry(std::string_view text);

}  // namespace kestor::bridge
