#pragma once
// What the 32-bit and the 64-bit builds of the component differ in, stated for each
// architecture rather than derived from the pointer size the code under test uses.
#include <windows.h>

namespace kestor::test {

constexpr bool kIs64Bit = sizeof(void*) == 8;

// The value for the architecture of this build.
template <typename T>
constexpr T perArch(T win32, T win64) {
  return kIs64Bit ? win64 : win32;
}

}  // namespace kestor::test
