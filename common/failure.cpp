#include "common/failure.h"

#include <utility>

namespace kestor {

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
