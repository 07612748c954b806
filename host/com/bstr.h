#pragma once
// BSTRs and wide strings as the core's Text, and an owning BSTR holder.
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <new>
#include <utility>

#include "common/text.h"

namespace kestor {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings must hold UTF-16 units");

// Text and wide strings share one unit size: they convert by reinterpretation, never
// through a code page. The view is NUL-terminated and valid as long as text is.
inline const wchar_t* wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline Text textOf(const wchar_t* units, std::size_t count) {
  if (units == nullptr) return Text();
  return Text(reinterpret_cast<const char16_t*>(units), count);
}

// A null BSTR is the empty text, as automation treats it; embedded NULs survive.
inline Text textOf(BSTR value) { return textOf(value, SysStringLen(value)); }

class Bstr {
 public:
  Bstr() = default;
  // Copies; throws std::bad_alloc when the string cannot be allocated.
  explicit Bstr(const Text& text) : b_(SysAllocStringLen(wide(text), static_cast<UINT>(text.size()))) {
    if (!b_) throw std::bad_alloc();
  }
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {
    if (text && !b_) throw std::bad_alloc();
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const { return b_; }
  // Never null: an absent BSTR reads as "".
  const wchar_t* c_str() const { return b_ ? b_ : L""; }
  BSTR* put() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  // Hands the string over to the caller.
  BSTR release() { return std::exchange(b_, nullptr); }
  // Takes ownership of owned, freeing what was held.
  void adopt(BSTR owned) { SysFreeString(std::exchange(b_, owned)); }
  Text text() const { return textOf(b_); }

 private:
  BSTR b_ = nullptr;
};

}  // namespace kestor
