#pragma once
// The user's temporary directory as the ANSI API reports it.
#include "store/store_ports.h"

namespace kestor::win {

class WindowsTempDirectory : public TempDirectory {
 public:
  // GetTempPathA with a 512-byte buffer: the bytes before the first NUL, or nullopt
  // when it returns 0.
  std::optional<std::string> ansiPath() override;
};

}  // namespace kestor::win
