#include "host/dll/class_factory.h"

#include "host/object/base_safe_ctl.h"
#include "host/object/com_guard.h"
#include "host/dll/module.h"
#include "host/object/sys_kestor_object.h"

namespace kestor::server {

SysKestorFactory& SysKestorFactory::instance() {
  static SysKestorFactory factory;
  return factory;
}

HRESULT SysKestorFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IClassFactory*>(this);
  return S_OK;
}

// A static object: the counts only have to look plausible to callers.
ULONG SysKestorFactory::AddRef() { return 2; }
ULONG SysKestorFactory::Release() { return 1; }

HRESULT SysKestorFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return guarded([&] {
    // The apartment's safety flags are set before its first object exists, so no call
    // on any object can see them false.
    base_safe_ctl::startUpOnce();
    return SysKestorObject::create(riid, object);
  });
}

HRESULT SysKestorFactory::LockServer(BOOL lock) {
  if (lock) {
    module::lock();
  } else {
    module::unlock();
  }
  return S_OK;
}

}  // namespace kestor::server
