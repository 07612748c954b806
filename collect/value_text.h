#pragma once
// The text form of numbers and property values as they appear in the report.
#include <cstdint>

#include "collect/wmi_client.h"
#include "common/text.h"

namespace kestor {

// Decimal, minus sign when negative, no grouping, no leading zeros.
Text decimalText(std::int64_t number);

// A value that is not null as report text: a text unchanged, an integer in decimal,
// a Boolean as "True" or "False", a real as described at realText. Throws
// Failure::typeMismatch() for arrays, objects and null, which have no text form.
Text valueText(WmiValue value);

// The fewest significant digits that read back as the same double; positional for
// 1e-5 <= |value| < 1e15, otherwise "d.ddE+n" / "d.ddE-n". Infinities and NaN come
// out as "inf", "-inf", "nan" or "-nan".
Text realText(double value);

}  // namespace kestor
