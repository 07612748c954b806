#pragma once
// Sets a record's instance size in a written type library.
//
// ICreateTypeInfo has no call that sets a record's instance size, and Wine's LayOut does
// not compute it, so Wine writes 0. The size is a field of the type's entry in the MSFT
// file's type table; it is set there when the library left it at 0.
#include <windows.h>

#include "host/typelib/msft_file.h"

namespace kestor::typelib {

// Throws ToolFailure when the entry is not a record, or the record already has another
// size.
void SetRecordSize(MsftFile& file, UINT typeIndex, ULONG size);

}  // namespace kestor::typelib
