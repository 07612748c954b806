// The DLL's whole life: DllMain, the four exports of an in-process server (ordinals in
// kestor.def) and the class factories of its two classes. The counts DllCanUnloadNow consults live in
// host/shared/module.cpp, which the objects move too.
#include <windows.h>
#include <objbase.h>

#include "host/dll/registration.h"
#include "host/dll/runtime_teardown.h"
#include "host/object/com_guard.h"
#include "host/object/inventory_object.h"
#include "host/object/safety.h"
#include "host/object/sys_kestor_object.h"
#include "host/shared/kestor_ids.h"
#include "host/shared/module.h"
#include "host/shared/type_info_cache.h"

namespace kestor::server {

namespace {

// The class factory of one class: one instance per class for the whole module.
class ClassFactory final : public IClassFactory {
 public:
  using Create = HRESULT (*)(REFIID riid, void** object);
  explicit ClassFactory(Create create) : create_(create) {}

  // References to a factory do not keep the module loaded; only LockServer does, as
  // the COM rules for DllCanUnloadNow have it.

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  Create create_;
};

HRESULT ClassFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IClassFactory*>(this);
  return S_OK;
}

// Static objects: the counts only have to look plausible to callers.
ULONG ClassFactory::AddRef() { return 2; }
ULONG ClassFactory::Release() { return 1; }

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return guarded([&] {
    // The apartment's safety flags are set before its first object exists, so no call
    // on any object can see them false.
    base_safe_ctl::startUpOnce();
    return create_(riid, object);
  });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    module::lock();
  } else {
    module::unlock();
  }
  return S_OK;
}

ClassFactory sysKestorFactory(&SysKestorObject::create);
ClassFactory inventoryFactory(&InventoryObject::create);

struct CreatableClass {
  const CLSID* clsid;
  ClassFactory* factory;
};

const CreatableClass kClasses[] = {
    {&ids::CLSID_SysKestor, &sysKestorFactory},
    {&ids::CLSID_KestorInventory, &inventoryFactory},
};

// The class object of one of the DLL's classes, or CLASS_E_CLASSNOTAVAILABLE.
HRESULT classObject(REFCLSID clsid, REFIID riid, void** object) {
  for (const CreatableClass& entry : kClasses) {
    if (IsEqualCLSID(clsid, *entry.clsid)) return entry.factory->QueryInterface(riid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace

}  // namespace kestor::server

using kestor::server::guarded;

extern "C" {

STDAPI DllCanUnloadNow() { return kestor::server::module::canUnload() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return kestor::server::classObject(clsid, riid, object);
}

STDAPI DllRegisterServer() {
  return guarded([] { return kestor::server::registerServer(); });
}

STDAPI DllUnregisterServer() {
  return guarded([] { return kestor::server::unregisterServer(); });
}

}  // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  namespace runtime = kestor::server::runtime;
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return runtime::attachProcess();
    case DLL_THREAD_DETACH:
      runtime::detachThread();
      break;
    case DLL_PROCESS_DETACH:
      // Only for FreeLibrary: at process exit other threads are gone half-way, the
      // platform's DLLs may already be torn down (the cached type information is not
      // released then, as the platform's own DLLs do), and the memory goes with the
      // process anyway.
      if (reserved == nullptr) {
        kestor::server::releaseTypeInfoCache();
        runtime::releaseAll();
      }
      break;
    default:
      break;
  }
  return TRUE;
}
