// The four exports of an in-process server (ordinals in kestor.def).
#include <windows.h>
#include <objbase.h>

#include "host/dll/class_factory.h"
#include "host/object/com_guard.h"
#include "host/dll/kestor_ids.h"
#include "host/dll/module.h"
#include "host/dll/registration.h"

using kestor::server::guarded;

extern "C" {

STDAPI DllCanUnloadNow() { return kestor::server::module::canUnload() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kestor::ids::CLSID_SysKestor)) return CLASS_E_CLASSNOTAVAILABLE;
  return kestor::server::SysKestorFactory::instance().QueryInterface(riid, object);
}

STDAPI DllRegisterServer() {
  return guarded([] { return kestor::server::registerServer(); });
}

STDAPI DllUnregisterServer() {
  return guarded([] { return kestor::server::unregisterServer(); });
}

}  // extern "C"
