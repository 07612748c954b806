#pragma once
// Takes a query list and a WQL query text apart with fixed text operations (not a WQL
// parser): the queries of a list, the class name that heads a report section and the
// property names to report.
#include <vector>

#include "common/text.h"

namespace kestor {

// Splits a query list at every "|", keeping empty pieces; the empty list gives no
// pieces. Every query is followed by "|", so the last piece is never run.
std::vector<Text> splitQueryList(const Text& queryList);

// The word after the first blank-delimited "FROM" (any case), up to the next blank;
// empty when there is none. Unlike extractClassName it names classes of every family.
Text fromClassName(const Text& query);

// From the first "Win32_" (any case) up to the next blank; the whole text up to its
// first blank when there is no "Win32_". Throws Failure::overflow() for positions
// beyond 32,767.
Text extractClassName(const Text& query);

// The text before the first "FROM" (any case), with every "SELECT" (any case) and
// every blank removed, split at ",". Throws Failure::invalidArgument() when there is
// no "FROM" and Failure::overflow() for positions beyond 32,767.
std::vector<Text> extractPropertyNames(const Text& query);

}  // namespace kestor
