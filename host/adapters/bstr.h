#pragma once
// Owning BSTR holder.
#include <windows.h>

#include <utility>

#include "common/failure.h"
#include "common/text.h"
#include "host/adapters/wide_text.h"

namespace kestor::win {

class Bstr {
 public:
  Bstr() = default;
  // A copy of text; embedded NULs survive because the length is explicit.
  explicit Bstr(const Text& text) : value_(SysAllocStringLen(wide(text), static_cast<UINT>(text.size()))) {
    if (value_ == nullptr) throw Failure(static_cast<std::int32_t>(E_OUTOFMEMORY), u"Out of memory");
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  ~Bstr() { SysFreeString(value_); }

  BSTR get() const noexcept { return value_; }
  BSTR* put() noexcept {
    SysFreeString(std::exchange(value_, nullptr));
    return &value_;
  }
  // A null BSTR reads as the empty text, as automation treats it.
  Text text() const { return textOf(value_, SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

}  // namespace kestor::win
