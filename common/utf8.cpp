#include "common/utf8.h"

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

std::size_t utf8SequenceAt(std::string_view utf8, std::size_t i, char32_t* value) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    if (value) *value = lead;
    return 1;
  }
  std::size_t length;
  char32_t minimum;
  char32_t point;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, point = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > utf8.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte(i + k) & 0x3F);
  }
  if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  if (value) *value = point;
  return length;
}

Text textOfUtf8(std::string_view utf8) {
  Text text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t value = 0;
    const std::size_t length = utf8SequenceAt(utf8, i, &value);
    if (length == 0) {
      text += u'\uFFFD';
      ++i;
      continue;
    }
    i += length;
    if (value < 0x10000) {
      text += static_cast<char16_t>(value);
    } else {
      value -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (value >> 10));
      text += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    }
  }
  return text;
}

}  // namespace kestor
