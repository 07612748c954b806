#pragma once
// Text and the platform's wide strings share one unit size, so they convert by
// reinterpretation, never by copying through a code page.
#include <cstddef>

#include "common/text.h"

namespace kestor::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings must hold UTF-16 units");

// NUL-terminated wide view of text, valid as long as text is.
inline const wchar_t* wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline Text textOf(const wchar_t* units, std::size_t count) {
  if (units == nullptr) return Text();
  return Text(reinterpret_cast<const char16_t*>(units), count);
}

}  // namespace kestor::win
