#pragma once
// Which pages may use the bridge: origins of an allowed kind that the administrator
// listed.
#include <set>
#include <string>
#include <vector>

namespace kestor::bridge {

// An origin as browsers serialize it (scheme://host[:port], lower case, no default
// port, nothing after the host) of a kind the bridge serves: https, or http on the
// loopback names 127.0.0.1 and localhost, with any port.
bool isServableOrigin(const std::string& origin);

class AllowList {
 public:
  // Entries are read by readPolicyEntry: normalised where that is unambiguous, dropped
  // where they could never match.
  explicit AllowList(const std::vector<std::string>& entries);
  bool allows(const std::string& origin) const { return origins_.count(origin) != 0; }
  bool empty() const { return origins_.empty(); }

 private:
  std::set<std::string> origins_;
};

}  // namespace kestor::bridge
