#pragma once
// What the module as a whole keeps: the counts of objects and locks DllCanUnloadNow
// consults (the objects move the one, the class factory the other) and its own file.
#include <windows.h>

#include <string>

namespace kestor::server::module {

// Live objects of either class, across all apartments.
void objectCreated();
void objectDestroyed();
// IClassFactory::LockServer.
void lock();
void unlock();
// No object alive and no lock held.
bool canUnload();

// The full path of the module this code is linked into. Throws std::bad_alloc; an
// empty path when the platform cannot tell it.
std::wstring path();

}  // namespace kestor::server::module
