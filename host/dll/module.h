#pragma once
// What the DLL as a whole keeps (dll.cpp): the object count DllCanUnloadNow consults
// and its own file.
#include <windows.h>

#include <string>

namespace kestor::server::module {

// Live objects of either class, across all apartments.
void objectCreated();
void objectDestroyed();

// The full path of the module this code is linked into. Throws std::bad_alloc; an
// empty path when the platform cannot tell it.
std::wstring path();

}  // namespace kestor::server::module
