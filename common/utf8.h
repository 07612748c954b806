#pragma once
// The one UTF-8 codec: the core's UTF-16 text to UTF-8 and back, and the length of a
// well-formed sequence for code that walks UTF-8 bytes itself.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/text.h"

namespace kestor {

// UTF-8 rendering for messages, the bridge and test output; lone surrogates become U+FFFD.
std::string toUtf8(TextView text);

// UTF-8 as it comes out of a JSON parser into the core's text; a byte that is not part
// of a well-formed sequence becomes U+FFFD.
Text textOfUtf8(std::string_view utf8);

// Length of the well-formed sequence at utf8[i] (1 to 4), 0 when there is none: no
// overlong forms, no encoded surrogates, nothing above U+10FFFF, nothing cut short.
// value, when given, receives the code point.
std::size_t utf8SequenceAt(std::string_view utf8, std::size_t i, char32_t* value = nullptr);

}  // namespace kestor
