#include "common/text.h"

#include <charconv>

#include "common/failure.h"

namespace kestor {

namespace {

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

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

std::string toUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      unit = 0xFFFD;
    }
    appendUtf8(out, unit);
  }
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
