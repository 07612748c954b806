#pragma once
// Turns the platform's failure codes into kestor::Failure with the best description
// the platform offers.
#include <windows.h>

#include "common/failure.h"
#include "common/text.h"

namespace kestor::win {

// The system message table's text for code, without the trailing line break; empty
// when the system has none.
Text systemMessage(HRESULT code);

// WMI's own text for code through IWbemStatusCodeText; empty when that service is
// not available or has no text.
Text wmiStatusText(HRESULT code);

// A failing HRESULT of a COM call. The description is the thread's error object's
// when errorInfoIsFresh says it was cleared before the call (so the callee set it),
// else WMI's status text, else the system message, else empty.
Failure comFailure(HRESULT code, bool errorInfoIsFresh);

// A Win32 error code as HRESULT_FROM_WIN32 with the system message.
Failure win32Failure(DWORD error);

}  // namespace kestor::win
