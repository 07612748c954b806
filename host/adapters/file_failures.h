#pragma once
// The failures of file operations. The store's port distinguishes only a missing file
// (53) and an existing one (58); every other Win32 error keeps its own code as an
// HRESULT (HRESULT_FROM_WIN32) with the system's message.
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
