#include "host/object/base_safe_ctl.h"

namespace kestor::server::base_safe_ctl {

namespace {

// Objects are apartment-threaded, so one thread is one apartment: per-thread storage
// gives every apartment its own pair without any locking.
thread_local VariantBool safeForScripting = kFalse;
thread_local VariantBool safeForInitializing = kFalse;
thread_local bool started = false;

}  // namespace

Flags flags() { return Flags{safeForScripting, safeForInitializing}; }

void startUp() {
  safeForScripting = kTrue;
  safeForInitializing = kTrue;
}

void startUpOnce() {
  if (started) return;
  started = true;
  startUp();
}

}  // namespace kestor::server::base_safe_ctl
