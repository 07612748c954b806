#pragma once
// Owning VARIANT holder: cleared when rewritten and when the holder goes.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "common/failure.h"

namespace kestor {

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() {
    // A destructor cannot report; a variant that refuses to clear (a locked array)
    // has nothing left to release here.
    static_cast<void>(VariantClear(&v_));
  }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  // Empties the variant before it is written again.
  VARIANT* put() {
    const HRESULT hr = VariantClear(&v_);
    if (FAILED(hr)) throw Failure(static_cast<std::int32_t>(hr), u"The previous value could not be released");
    return &v_;
  }

 private:
  VARIANT v_;
};

}  // namespace kestor
