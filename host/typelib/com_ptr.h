#pragma once
// Owning wrappers for COM interface pointers and BSTRs, for the build tools and tests
// that read and write type libraries. Each releases what it holds on every exit path.
#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace kestor::com {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Out-parameter slot: drops the current pointer first so nothing leaks when reused.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  void reset() {
    if (p_) {
      p_->Release();
      p_ = nullptr;
    }
  }

  template <typename U>
  HRESULT As(ComPtr<U>* out) const {
    return p_ ? p_->QueryInterface(__uuidof(U), out->put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : s_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      reset();
      s_ = std::exchange(other.s_, nullptr);
    }
    return *this;
  }
  ~Bstr() { reset(); }

  BSTR get() const { return s_; }
  // Empty and absent BSTRs both read as "".
  const wchar_t* c_str() const { return s_ ? s_ : L""; }
  BSTR* put() {
    reset();
    return &s_;
  }
  void reset() {
    SysFreeString(s_);
    s_ = nullptr;
  }

 private:
  BSTR s_ = nullptr;
};

}  // namespace kestor::com
