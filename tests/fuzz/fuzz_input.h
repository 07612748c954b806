#pragma once
// What the fuzz targets share: the entry each one defines, failing loudly, and query
// texts from raw bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/text.h"

namespace kestor::fuzz {

// One input, as libFuzzer hands it over (fuzz_main.cpp); each target defines it.
void fuzzOne(const std::uint8_t* data, std::size_t size);

// A broken rule is a crash, so libFuzzer keeps the input.
inline void check(bool holds, const char* rule) {
  if (holds) return;
  std::fprintf(stderr, "rule broken: %s\n", rule);
  std::abort();
}

// One unit per byte, so the fuzzer finds keywords easily; the top bytes stand for units
// that look like letters or blanks without being ASCII, and for NUL and a lone surrogate.
inline char16_t unitOf(std::uint8_t byte) {
  static constexpr char16_t kTricky[] = {u'\0', 0x0130, 0x0131, 0x017F, 0x212A, 0xFF33, 0xD800, 0x00A0};
  return byte >= 0xF8 ? kTricky[byte - 0xF8] : char16_t(byte);
}

inline Text textOf(const std::uint8_t* data, std::size_t size) {
  Text text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) text += unitOf(data[i]);
  return text;
}

// Byte 0 = 0xFF asks for a run of 32,760 to 32,775 filler units (count from the low
// bits of byte 1; a letter, a blank, a comma or a separator by its top bits) inserted
// where byte 2 says: that puts keywords and blanks on either side of the last
// position a 16-bit counter holds. Rare, since each such run scans 32K units.
inline Text queryText(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || data[0] != 0xFF) return textOf(data, size);
  static constexpr char16_t kFillers[] = {u'x', u' ', u',', u'|'};
  Text text = textOf(data + 3, size - 3);
  const std::size_t at = std::min<std::size_t>(data[2], text.size());
  text.insert(at, Text(32760 + (data[1] & 0x0F), kFillers[data[1] >> 6]));
  return text;
}

}  // namespace kestor::fuzz
