#include "common/failure.h"

#include <utility>

#include "common/utf8.h"

namespace kestor {

std::int32_t statusOfFailureNumber(std::int32_t number) {
  constexpr std::uint32_t kControlFacility = 0x800A0000u;
  constexpr std::uint32_t kFail = 0x80004005u;  // E_FAIL
  if (number < 0) return number;
  const std::uint32_t status = number > 0 && number <= 0xFFFF ? kControlFacility + static_cast<std::uint32_t>(number) : kFail;
  return static_cast<std::int32_t>(status);
}

Failure::Failure(std::int32_t number, Text description)
    : number_(number), description_(std::move(description)) {
  what_ = "error " + std::to_string(number_) + ": " + toUtf8(description_);
}

// The descriptions script authors know for these numbers.
Failure Failure::invalidArgument() { return Failure(error_number::kInvalidArgument, u"Invalid procedure call or argument"); }
Failure Failure::overflow() { return Failure(error_number::kOverflow, u"Overflow"); }
Failure Failure::outOfMemory() { return Failure(error_number::kOutOfMemory, u"Out of memory"); }
Failure Failure::fileNotFound() { return Failure(error_number::kFileNotFound, u"File not found"); }
Failure Failure::fileAlreadyExists() { return Failure(error_number::kFileAlreadyExists, u"File already exists"); }
Failure Failure::typeMismatch() { return Failure(error_number::kTypeMismatch, u"Type mismatch"); }

}  // namespace kestor
