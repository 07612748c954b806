#pragma once
// What the DLL as a whole keeps: the counts DllCanUnloadNow consults and its own file.
#include <windows.h>

#include <string>

namespace kestor::server::module {

// Live SysKestor objects and class-factory locks, across all apartments.
void objectCreated();
void objectDestroyed();
void lock();
void unlock();
bool canUnload();

// The module this code is linked into, and its full path.
HMODULE handle();
// Throws std::bad_alloc; an empty path when the platform cannot tell it.
std::wstring path();

}  // namespace kestor::server::module
