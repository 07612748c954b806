#include "store/file_id.h"

#include <cstddef>

namespace kestor {

namespace {

constexpr std::size_t kGuidLength = 38;
constexpr std::size_t kMinDigits = 7;   // d m yyyy s
constexpr std::size_t kMaxDigits = 13;  // dd mm yyyy sssss

// ASCII only: wider digit sets (full-width, Arabic-Indic) are no identifier of ours.
bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

bool isUpperHex(char16_t unit) { return isDigit(unit) || (unit >= u'A' && unit <= u'F'); }

bool isAnyCaseHex(char16_t unit) { return isUpperHex(asciiUpperUnit(unit)); }

bool isGuidText(TextView id, bool (*isHex)(char16_t)) {
  if (id.size() != kGuidLength || id.front() != u'{' || id.back() != u'}') return false;
  for (std::size_t i = 1; i + 1 < id.size(); ++i) {
    // 0-based 9, 14, 19, 24 are the dashes between the five groups.
    const bool dashPlace = i == 9 || i == 14 || i == 19 || i == 24;
    if (dashPlace ? id[i] != u'-' : !isHex(id[i])) return false;
  }
  return true;
}

bool isDigitText(TextView id) {
  if (id.size() < kMinDigits || id.size() > kMaxDigits) return false;
  for (char16_t unit : id) {
    if (!isDigit(unit)) return false;
  }
  return true;
}

}  // namespace

// Neither form can hold a separator, a colon, a dot or a NUL, so no accepted id can
// climb out of the temporary directory or name a drive, share or device.
bool isWellFormedFileId(TextView fileId) {
  return isGuidText(fileId, isUpperHex) || isDigitText(fileId);
}

Text canonicalFileId(TextView fileId) {
  if (isGuidText(fileId, isAnyCaseHex)) return asciiUpper(fileId);
  if (isDigitText(fileId)) return Text(fileId);
  return Text();
}

}  // namespace kestor
