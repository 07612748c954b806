#pragma once
// The type information of _SysKestor, read from the module's own type library.
#include <windows.h>
#include <oaidl.h>

namespace kestor::server {

// A new reference to the cached ITypeInfo of _SysKestor; loaded on first use.
// Both functions throw std::bad_alloc.
HRESULT sysKestorTypeInfo(ITypeInfo** typeInfo);

// The type library in the module's TYPELIB resource 1, not registered.
HRESULT loadOwnTypeLib(ITypeLib** typeLib);

// Releases the cached type information; for the module's unload only.
void releaseTypeInfoCache();

}  // namespace kestor::server
