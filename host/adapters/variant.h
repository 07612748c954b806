#pragma once
// Owning VARIANT holder: cleared when replaced and when the holder goes.
#include <windows.h>

#include <cstdint>

#include "common/failure.h"

namespace kestor::win {

class Variant {
 public:
  Variant() noexcept { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() {
    // A destructor cannot report; a variant that refuses to clear (a locked array)
    // has nothing left to release here.
    static_cast<void>(VariantClear(&value_));
  }

  const VARIANT& get() const noexcept { return value_; }
  VARIANT* put() {
    const HRESULT hr = VariantClear(&value_);
    if (FAILED(hr)) throw Failure(static_cast<std::int32_t>(hr), u"The previous value could not be released");
    return &value_;
  }

 private:
  VARIANT value_;
};

}  // namespace kestor::win
