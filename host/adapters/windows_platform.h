#pragma once
// The Windows side of every port the core talks to.
#include <memory>

#include "control/sys_kestor.h"

namespace kestor::win {

class WindowsPlatform {
 public:
  WindowsPlatform();
  ~WindowsPlatform();
  WindowsPlatform(const WindowsPlatform&) = delete;
  WindowsPlatform& operator=(const WindowsPlatform&) = delete;

  // Valid for the lifetime of this object.
  Platform platform();

 private:
  struct Adapters;
  std::unique_ptr<Adapters> adapters_;
};

}  // namespace kestor::win
