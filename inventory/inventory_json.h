#pragma once
// The typed collection's result as JSON text: {"sections": [...]}.
#include <string>
#include <vector>

#include "collect/typed_collection.h"

namespace kestor {

// UTF-8, every text well-formed (a lone surrogate becomes U+FFFD). Each section is
// {"query", "class", "properties", "instances", "warnings", "error"}; a warning is
// {"property", "number", "description"}, an error {"number", "description"} or null.
// Integers within +-(2^53 - 1) are numbers, larger ones decimal text (beyond that a
// JSON reader could not hold them exactly); date-times are ISO 8601 where they can be.
std::string inventoryJson(const std::vector<TypedSection>& sections);

}  // namespace kestor
