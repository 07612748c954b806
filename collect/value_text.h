#pragma once
// The text form of property values as they appear in the report.
#include "collect/wmi_client.h"
#include "common/text.h"

namespace kestor {

// A value that is not null as report text: a text unchanged, an integer in decimal,
// a Boolean as "True" or "False". Throws Failure::typeMismatch() for arrays, objects
// and null, which have no text form. (Reals and the other scalar kinds arrive as
// text already: the adapter gives them the user's locale form.)
Text valueText(WmiValue value);

}  // namespace kestor
