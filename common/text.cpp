#include "common/text.h"

#include <charconv>

#include "common/failure.h"

namespace kestor {

char16_t asciiUpperUnit(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

Text decimalText(std::int64_t number) {
  char buffer[24];
  const auto done = std::to_chars(buffer, buffer + sizeof buffer, number);
  return widen(std::string_view(buffer, static_cast<std::size_t>(done.ptr - buffer)));
}

Text widen(std::string_view narrow) {
  Text out;
  out.reserve(narrow.size());
  for (unsigned char c : narrow) out += static_cast<char16_t>(c);
  return out;
}

Text asciiUpper(TextView text) {
  Text out(text);
  for (char16_t& unit : out) unit = asciiUpperUnit(unit);
  return out;
}

std::size_t findIgnoringCase(TextView text, TextView needle, std::size_t from) {
  if (needle.size() > text.size()) return TextView::npos;
  for (std::size_t start = from; start + needle.size() <= text.size(); ++start) {
    std::size_t i = 0;
    while (i < needle.size() && asciiUpperUnit(text[start + i]) == asciiUpperUnit(needle[i])) ++i;
    if (i == needle.size()) return start;
  }
  return TextView::npos;
}

std::int16_t toPosition(std::size_t zeroBasedOrNpos) {
  if (zeroBasedOrNpos == TextView::npos) return 0;
  if (zeroBasedOrNpos + 1 > 32767) throw Failure::overflow();
  return static_cast<std::int16_t>(zeroBasedOrNpos + 1);
}

}  // namespace kestor
