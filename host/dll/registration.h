#pragma once
// Self-registration of the class and of the module's type library.
#include <windows.h>

namespace kestor::server {

// Writes the class, ProgID and type library registration. When a step fails, what
// was written is removed again and the step's status returned. Throws std::bad_alloc.
HRESULT registerServer();

// Removes what registerServer writes; what is already missing is not an error.
// Every part is attempted; the first failing status is returned.
HRESULT unregisterServer();

}  // namespace kestor::server
