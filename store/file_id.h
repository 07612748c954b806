#pragma once
#include "common/text.h"

namespace kestor {

// True for the two forms generateIdentifier draws: the 38-character braced upper-case
// GUID text, or 7 to 13 decimal digits. Anything else must never reach a file path.
bool isWellFormedFileId(TextView fileId);

}  // namespace kestor
