#pragma once
// WMI's date-time text as ISO 8601.
#include "common/text.h"

namespace kestor {

// "yyyymmddHHMMSS.mmmmmmsUUU" (s a sign, UUU the offset from UTC in minutes) as
// "yyyy-mm-ddTHH:MM:SS.mmmmmm+hh:mm". Anything else is given back unchanged: an
// interval ("ddddddddHHMMSS.mmmmmm:000"), a value with wildcards ("*" for the fields it
// leaves open) or a malformed text has no ISO form that says the same.
Text isoDateTime(TextView cim);

}  // namespace kestor
