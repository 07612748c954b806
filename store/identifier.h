#pragma once
// Fresh identifiers: the braced upper-case text of a new GUID, or digits made from
// the date and the seconds since midnight when no GUID can be created.
#include "common/clock.h"
#include "common/text.h"
#include "store/store_ports.h"

namespace kestor {

// The 38-character braced form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
Text formatGuid(const Guid& guid);

Text generateIdentifier(GuidSource& guids, Clock& clock);

}  // namespace kestor
