#pragma once
// Owning COM interface pointer: holds one reference and releases it on every exit path.
#include <windows.h>

#include <utility>

namespace kestor {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Shares p: takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For an out-parameter: drops what is held and lets the callee fill the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  // Hands the reference over to the caller.
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    // The count Release returns is informational only.
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

 private:
  T* p_ = nullptr;
};

// An extra reference to a COM object for the duration of a scope.
class ReferenceHold {
 public:
  explicit ReferenceHold(IUnknown* object) : object_(object) { object_->AddRef(); }
  ~ReferenceHold() { object_->Release(); }
  ReferenceHold(const ReferenceHold&) = delete;
  ReferenceHold& operator=(const ReferenceHold&) = delete;

 private:
  IUnknown* object_;
};

}  // namespace kestor
