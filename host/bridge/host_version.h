#pragma once
// The product version of this program as its version block states it, the one place
// the build writes it.
#include <string>

namespace kestor::host_bridge {

// "major.minor.patch" from the product version, or "" when the block cannot be read.
std::string productVersion();

}  // namespace kestor::host_bridge
