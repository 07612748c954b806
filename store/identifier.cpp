#include "store/identifier.h"

#include <cmath>
#include <cstdint>

#include "common/failure.h"

namespace kestor {

namespace {

// Upper case only: identifiers are compared and validated as exact texts.
void appendHex(Text& out, std::uint32_t value, int digitCount) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (int shift = (digitCount - 1) * 4; shift >= 0; shift -= 4) {
    out += kDigits[(value >> shift) & 0xFu];
  }
}

// Nearest whole second with halves to the even neighbour (the default rounding mode),
// as a 32-bit integer. A value no 32-bit integer can hold is an overflow, not
// undefined behaviour.
std::int32_t roundedSeconds(float seconds) {
  const float rounded = std::nearbyint(seconds);
  if (!(rounded >= -2147483648.0f && rounded < 2147483648.0f)) throw Failure::overflow();
  return static_cast<std::int32_t>(rounded);
}

Text fallbackIdentifier(Clock& clock) {
  // The date is read before the seconds, once each; across midnight the old date can
  // meet the new day's seconds, and callers must live with that.
  const LocalDate date = clock.localDate();
  Text id = decimalText(date.day);
  id += decimalText(date.month);
  id += decimalText(date.year);
  id += decimalText(roundedSeconds(clock.secondsSinceMidnight()));
  return id;
}

}  // namespace

Text formatGuid(const Guid& guid) {
  Text out;
  out.reserve(38);
  out += u'{';
  appendHex(out, guid.data1, 8);
  out += u'-';
  appendHex(out, guid.data2, 4);
  out += u'-';
  appendHex(out, guid.data3, 4);
  out += u'-';
  appendHex(out, guid.data4[0], 2);
  appendHex(out, guid.data4[1], 2);
  out += u'-';
  for (int i = 2; i < 8; ++i) appendHex(out, guid.data4[i], 2);
  out += u'}';
  return out;
}

Text generateIdentifier(GuidSource& guids, Clock& clock) {
  Guid guid;
  // Only 0 is success; S_FALSE and other positive statuses fall back as well.
  if (guids.createGuid(guid) == 0) return formatGuid(guid);
  return fallbackIdentifier(clock);
}

}  // namespace kestor
