#pragma once
// Sets the fields of a type library written by Wine's ICreateTypeLib2 that Wine stores
// its own way, or leaves empty (a record's size too), to what MIDL-style writers store
// in them.
//
// Wine's reader ignores all of them, so nothing in Wine shows the difference; another
// reader may not. Per function: the plain function-table offset (Wine marks an offset the
// caller gave by setting bit 0), the record's index and its has-a-result-parameter flag,
// and the memory its FUNCDESC needs with every nested TYPEDESC counted at this
// architecture's size; per field: the VARDESC's memory likewise, ARRAYDESCs included; in
// the name table, the type each member or field name belongs to, and the field-name flag;
// per type: the size hints of its member data and its inheritance word.
//
// Every field is checked first to hold what Wine writes there (or the value already);
// anything else throws ToolFailure, so that a changed writer stops the build rather than
// being overwritten unseen.
#include <windows.h>

#include <cstdint>

#include "host/typelib/msft_file.h"

namespace kestor::typelib {

// What the library's interfaces inherit: the functions of all their bases and the number
// of bases (IDispatch: 7 functions, 2 bases).
struct Inheritance {
  uint16_t functions;
  uint16_t depth;
};

void SetMidlFields(MsftFile& file, Inheritance interfaceBase);

// Sets a record's instance size, which Wine's writer leaves at 0. Throws ToolFailure when
// the entry is not a record, or the record already has another size.
void SetRecordSize(MsftFile& file, UINT typeIndex, ULONG size);

}  // namespace kestor::typelib
