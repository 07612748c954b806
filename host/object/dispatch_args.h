#pragma once
// Late-bound arguments as the text the members take, and failures as script engines
// report them.
#include <windows.h>
#include <oaidl.h>

#include "host/com/bstr.h"

namespace kestor::server {

// The text of one script argument, copied into text: a BSTR by value or by reference,
// a variable passed by reference (VT_VARIANT | VT_BYREF, followed), or any other
// value that converts to a BSTR. The caller's variable is only read. Returns
// DISP_E_TYPEMISMATCH for a value without a text form (null, arrays, objects
// without a text value); throws std::bad_alloc.
HRESULT textArgument(const VARIANT& argument, Bstr& text);

// A member's failure hr as the exception script engines report, with source and the
// description of the thread's error info; hr itself without an EXCEPINFO.
HRESULT memberFailed(HRESULT hr, const wchar_t* source, EXCEPINFO* exception);

}  // namespace kestor::server
