#pragma once
// Sets a record's instance size in a written type library file.
//
// ICreateTypeInfo has no call that sets a record's instance size, and Wine's LayOut does
// not compute it, so Wine writes 0. The size is a field of the type's entry in the MSFT
// file's type table; it is set there when the library left it at 0.
#include <windows.h>

#include <string>

namespace kestor::typelib {

// Throws ToolFailure when the file is not an MSFT library, the entry is not a record, or
// the record already has another size.
void SetRecordSizeInFile(const std::wstring& path, UINT typeIndex, ULONG size);

}  // namespace kestor::typelib
