#pragma once
// The variant a WMI property hands over, as the query runner's value.
#include <windows.h>

#include "collect/wmi_client.h"

namespace kestor::win {

// Null stays null and empty becomes the empty text; texts and Booleans keep their
// kind; every integer kind becomes an integer (an unsigned value beyond the signed
// 64-bit range becomes its decimal text); any array is an array; an object is an
// object. Reals, currency, decimals and dates become text in the user's locale, the
// platform's own conversion, so they read as a script on the same machine would show
// them. Any other kind is converted the same way and fails when it has no text form.
WmiValue wmiValueOf(const VARIANT& value);

}  // namespace kestor::win
