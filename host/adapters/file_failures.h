#pragma once
// The failures of file operations, numbered as a script author knows them from file
// statements (53 file not found, 58 file already exists, 75 path/file access error,
// 76 path not found, ...). Win32 errors without such a number keep their own code as
// an HRESULT (HRESULT_FROM_WIN32) with the system's message.
#include <windows.h>

#include "common/failure.h"

namespace kestor::win {

// A failure of creating, writing or closing.
Failure fileFailure(DWORD error);

// A failure of opening for input: a missing folder on the way counts as a missing file.
Failure inputOpenFailure(DWORD error);

// Using a file after it was closed.
Failure closedFileFailure();

// Reading more bytes than the file holds.
Failure pastEndFailure();

}  // namespace kestor::win
