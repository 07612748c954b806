#include "collect/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "common/failure.h"

namespace kestor {

namespace {

// Lays out the shortest round-trip digits: positional where a reader expects a plain
// number, exponent form where that would need long runs of zeros.
std::string layOutReal(double value) {
  char buffer[64];
  // Without a precision, to_chars gives the shortest digits that read back exactly,
  // independent of the C locale's decimal separator.
  const auto done = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string scientific(buffer, done.ptr);
  if (!std::isfinite(value)) return scientific;

  // scientific is "[-]d[.ddd]e(+|-)xx".
  const std::size_t e = scientific.find('e');
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  const bool negative = scientific[0] == '-';
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
    if (scientific[i] != '.') digits += scientific[i];
  }
  std::string out = negative ? "-" : "";

  if (value == 0.0) return out + "0";
  if (exponent < -5 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    return out + (exponent < 0 ? "E-" : "E+") + std::to_string(std::abs(exponent));
  }
  if (exponent < 0) return out + "0." + std::string(-exponent - 1, '0') + digits;
  const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
  return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

}  // namespace

Text decimalText(std::int64_t number) {
  char buffer[24];
  const auto done = std::to_chars(buffer, buffer + sizeof buffer, number);
  return widen(std::string_view(buffer, static_cast<std::size_t>(done.ptr - buffer)));
}

Text realText(double value) { return widen(layOutReal(value)); }

Text valueText(WmiValue value) {
  switch (value.kind) {
    case WmiValue::Kind::Text:
      return std::move(value.text);
    case WmiValue::Kind::Integer:
      return decimalText(value.integer);
    case WmiValue::Kind::Boolean:
      return value.boolean ? u"True" : u"False";
    case WmiValue::Kind::Real:
      return realText(value.real);
    case WmiValue::Kind::Null:
    case WmiValue::Kind::Array:
    case WmiValue::Kind::Object:
      break;
  }
  throw Failure::typeMismatch();
}

}  // namespace kestor
