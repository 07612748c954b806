#include "collect/cim_datetime.h"

namespace kestor {

namespace {

constexpr std::size_t kCimLength = 25;
constexpr std::size_t kDotAt = 14;
constexpr std::size_t kSignAt = 21;

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

bool isAbsoluteDateTime(TextView cim) {
  if (cim.size() != kCimLength || cim[kDotAt] != u'.') return false;
  if (cim[kSignAt] != u'+' && cim[kSignAt] != u'-') return false;
  for (std::size_t i = 0; i < kCimLength; ++i) {
    if (i != kDotAt && i != kSignAt && !isDigit(cim[i])) return false;
  }
  return true;
}

// Two digits, zero-padded; value is below 100.
void appendTwoDigits(Text& out, int value) {
  out += static_cast<char16_t>(u'0' + value / 10);
  out += static_cast<char16_t>(u'0' + value % 10);
}

}  // namespace

Text isoDateTime(TextView cim) {
  if (!isAbsoluteDateTime(cim)) return Text(cim);
  Text iso;
  iso.reserve(32);
  iso.append(cim.substr(0, 4)).append(u"-").append(cim.substr(4, 2)).append(u"-").append(cim.substr(6, 2));
  iso.append(u"T").append(cim.substr(8, 2)).append(u":").append(cim.substr(10, 2)).append(u":");
  iso.append(cim.substr(12, 2)).append(u".").append(cim.substr(15, 6));
  const int minutes = (cim[22] - u'0') * 100 + (cim[23] - u'0') * 10 + (cim[24] - u'0');
  iso += cim[kSignAt];
  appendTwoDigits(iso, minutes / 60);
  iso += u':';
  appendTwoDigits(iso, minutes % 60);
  return iso;
}

}  // namespace kestor
