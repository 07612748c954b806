#pragma once
// The identifiers pages and scripts written for this component rely on.
#include <windows.h>

// The dispatch identifiers, kDisp*, come with the member table.
#include "control/members.h"

namespace kestor::ids {

// Type library "Kestor" 2.0
inline const GUID LIBID_Kestor = {0xBDD5AF6F, 0x426A, 0x4CA1, {0x88, 0x64, 0x8C, 0xB6, 0xE2, 0xA5, 0xC5, 0xEC}};
inline const GUID CLSID_SysKestor = {0x3BA3B159, 0x7533, 0x4F96, {0xA2, 0xCE, 0xEE, 0x58, 0x94, 0xBB, 0xD3, 0xD5}};
inline const GUID IID__SysKestor = {0x80385AA9, 0x9B31, 0x4140, {0xAB, 0xD4, 0xE7, 0xF5, 0xDB, 0xC7, 0xF3, 0x42}};
inline const GUID GUID_GUIDDataType = {0xA8D44D5D, 0x872C, 0x4E45, {0x8E, 0x37, 0x98, 0x2C, 0xC0, 0xDA, 0x9F, 0x7C}};
// Kestor.Inventory, the typed collection's class: in no type library, it answers
// IDispatch itself. Drawn once for this class; never change it.
inline const GUID CLSID_KestorInventory = {0xD8A4853E, 0x7DEB, 0x42DD, {0xB7, 0x12, 0xE7, 0xF1, 0xAB, 0x80, 0xE2, 0x7F}};
// IObjectSafety and the library that describes it
// IDispatchEx, which the safety answers recognise; mingw-w64's uuid library lacks it.
inline const GUID IID_IDispatchEx_ = {0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};
inline const GUID IID_IObjectSafety_ = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline const GUID LIBID_IObjectSafetyTLB = {0xC67830E0, 0xD11D, 0x11CF, {0xBD, 0x80, 0x00, 0xAA, 0x00, 0x57, 0x56, 0x03}};

constexpr WORD kTypeLibMajor = 2;
constexpr WORD kTypeLibMinor = 0;
constexpr wchar_t kProgId[] = L"Kestor.SysKestor";
constexpr wchar_t kInventoryProgId[] = L"Kestor.Inventory";
constexpr wchar_t kTypeLibHelpString[] = L"Orvanel";
// The library describes the function table of the build it is part of, whose entries
// are pointers: 32-bit Windows for the i686 DLL, 64-bit Windows for the x86_64 one.
constexpr SYSKIND kTypeLibSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

}  // namespace kestor::ids
