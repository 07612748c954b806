// How the platform finds and creates the component: the four exports of an in-process
// server (ordinals in kestor.def), the counts DllCanUnloadNow consults and the class
// factories of its two classes.
#include <windows.h>
#include <objbase.h>

#include "host/dll/kestor_ids.h"
#include "host/dll/module.h"
#include "host/dll/registration.h"
#include "host/dll/type_info_cache.h"
#include "host/object/safety.h"
#include "host/object/com_guard.h"
#include "host/object/inventory_object.h"
#include "host/object/sys_kestor_object.h"

namespace kestor::server {

namespace module {

namespace {

// Objects and locks live in several apartments at once: interlocked counts.
LONG objects = 0;
LONG locks = 0;

// The longest path the platform's wide functions accept.
constexpr std::size_t kLongestPath = 32768;

void lock() { InterlockedIncrement(&locks); }
void unlock() { InterlockedDecrement(&locks); }

bool canUnload() {
  // Interlocked reads: a plain read could be torn or reordered on other CPUs.
  return InterlockedCompareExchange(&objects, 0, 0) == 0 &&
         InterlockedCompareExchange(&locks, 0, 0) == 0;
}

// The module this code is linked into.
HMODULE handle() {
  // Found from an address inside the module: nothing has to keep it.
  HMODULE self = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&handle), &self)) return nullptr;
  return self;
}

}  // namespace

void objectCreated() { InterlockedIncrement(&objects); }
void objectDestroyed() { InterlockedDecrement(&objects); }

std::wstring path() {
  HMODULE self = handle();
  if (!self) return std::wstring();
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(self, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    // A full buffer may mean a truncated path: try again with a larger one.
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= kLongestPath) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace module

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
