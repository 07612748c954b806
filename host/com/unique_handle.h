#pragma once
// Owning kernel handle: closed explicitly with close(), or by the destructor when
// still open.
#include <windows.h>

#include <utility>

namespace kestor {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE adopted) noexcept : handle_(adopted) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~UniqueHandle() {
    // Nothing can be reported from here; close() is the path that checks.
    if (valid()) static_cast<void>(CloseHandle(handle_));
  }

  HANDLE get() const noexcept { return handle_; }
  bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  // Gives the handle up whatever CloseHandle says, so it is never closed twice;
  // returns CloseHandle's result.
  BOOL close() noexcept { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)); }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace kestor
