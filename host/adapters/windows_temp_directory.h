#pragma once
// The user's temporary directory in the ANSI code page.
#include "store/store_ports.h"

namespace kestor::win {

class WindowsTempDirectory : public TempDirectory {
 public:
  // GetTempPathW with a 512-unit buffer: the units before the first NUL converted
  // without best fit (see ansiOf), or nullopt when the lookup returns 0.
  std::optional<std::string> ansiPath() override;
};

}  // namespace kestor::win
