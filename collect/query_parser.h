#pragma once
// Takes a WQL query text apart with two fixed text operations (not a WQL parser):
// the class name that heads a report section and the property names to report.
#include <vector>

#include "common/text.h"

namespace kestor {

// From the first "Win32_" (any case) up to the next blank; the whole text up to its
// first blank when there is no "Win32_". Throws Failure::overflow() for positions
// beyond 32,767.
Text extractClassName(const Text& query);

// The text before the first "FROM" (any case), with every "SELECT" (any case) and
// every blank removed, split at ",". Throws Failure::invalidArgument() when there is
// no "FROM" and Failure::overflow() for positions beyond 32,767.
std::vector<Text> extractPropertyNames(const Text& query);

}  // namespace kestor
