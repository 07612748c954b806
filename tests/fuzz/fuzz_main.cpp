// The entry libFuzzer calls, the same for every target: kestor::fuzz::fuzzOne takes it.
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestor::fuzz::fuzzOne(data, size);
  return 0;
}
