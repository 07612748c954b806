#pragma once
#include "common/text.h"

namespace kestor {

// True for the two forms generateIdentifier draws: the 38-character braced upper-case
// GUID text, or 7 to 13 decimal digits. Anything else must never reach a file path.
bool isWellFormedFileId(TextView fileId);

// The drawn form of an id a caller passes: a braced GUID text with hex letters in any
// case is upper-cased (file names ignore case, so it names the same report); a digit
// id stays as it is. The empty text for every other shape.
Text canonicalFileId(TextView fileId);

}  // namespace kestor
