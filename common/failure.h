#pragma once
// A numbered failure: what every step of the component raises and every handler reads.
#include <cstdint>
#include <exception>
#include <string>

#include "common/text.h"

namespace kestor {

namespace error_number {
constexpr std::int32_t kInvalidArgument = 5;
constexpr std::int32_t kOverflow = 6;
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kFileAlreadyExists = 58;
constexpr std::int32_t kTypeMismatch = 13;
}  // namespace error_number

// The status a failure number is reported as, the way Visual Basic reports its numbered
// errors: a small positive number n becomes 0x800A0000 + n (FACILITY_CONTROL), which
// script engines show as their own error n; a negative number already is a status
// (WMI's codes, platform statuses) and passes unchanged. Anything else cannot be told
// apart from success or another facility and becomes E_FAIL.
std::int32_t statusOfFailureNumber(std::int32_t number);

class Failure : public std::exception {
 public:
  Failure(std::int32_t number, Text description);

  std::int32_t number() const noexcept { return number_; }
  const Text& description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

  static Failure invalidArgument();
  static Failure overflow();
  static Failure outOfMemory();
  static Failure fileNotFound();
  static Failure fileAlreadyExists();
  static Failure typeMismatch();

 private:
  std::int32_t number_;
  Text description_;
  std::string what_;
};

}  // namespace kestor
