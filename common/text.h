#pragma once
// Text as the component sees it: UTF-16 code units, the same units a BSTR holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestor {

using Text = std::u16string;
using TextView = std::u16string_view;

// Widens 8-bit text unit by unit (ASCII literals, Latin-1 test data).
Text widen(std::string_view narrow);

// Upper case for the ASCII letters only; every other unit is kept.
char16_t asciiUpperUnit(char16_t unit);
Text asciiUpper(TextView text);

// Decimal, minus sign when negative, no grouping, no leading zeros.
Text decimalText(std::int64_t number);

// First occurrence of needle in text at or after from (0-based), ASCII letters
// compared without regard to case; TextView::npos when absent.
std::size_t findIgnoringCase(TextView text, TextView needle, std::size_t from = 0);

// Turns a 0-based search result into the 1-based position the component keeps
// (0 for "not found"). Positions are 16-bit signed: above 32,767 is an overflow failure.
std::int16_t toPosition(std::size_t zeroBasedOrNpos);

}  // namespace kestor
