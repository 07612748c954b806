#pragma once
// What the tests of failing steps share.
#include <cstdint>

#include "common/failure.h"

namespace kestor::test {

// The number of the Failure step raises, or 0 when it raises none.
template <typename Step>
std::int32_t failureNumber(Step&& step) {
  try {
    step();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return 0;
}

}  // namespace kestor::test
