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
