#pragma once
// Owners for the COM resources the server handles: interface pointers, BSTRs and
// VARIANTs. Each releases what it holds on every exit path.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <utility>

#include "common/text.h"

namespace kestor::server {

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

  // For out-parameters: drops the current pointer first.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
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

// BSTR text as the core sees it; a null BSTR is the empty text.
inline Text textOf(BSTR value) {
  if (!value) return Text();
  return Text(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
}

class Bstr {
 public:
  Bstr() = default;
  // Throws std::bad_alloc when the string cannot be allocated.
  explicit Bstr(const Text& text)
      : b_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()))) {
    if (!b_) throw std::bad_alloc();
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR release() { return std::exchange(b_, nullptr); }
  // Takes ownership of owned, freeing what was held.
  void adopt(BSTR owned) { SysFreeString(std::exchange(b_, owned)); }
  Text text() const { return textOf(b_); }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  // Empties the variant before it is written again.
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

}  // namespace kestor::server
