#pragma once
// The IUnknown both creatable classes share: one reference at birth (the creator's),
// the module's count of live objects and deletion on the last Release. Derived names
// the interfaces it offers in interfaceFor(riid), which QueryInterface asks.
#include <windows.h>

#include "host/shared/module.h"

namespace kestor::server {

template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  // Builds an object and hands out riid; the caller's guard maps what it throws.
  static HRESULT create(REFIID riid, void** object) {
    *object = nullptr;
    // Starts with one reference, the creator's; dropping it frees the object when the
    // requested interface is not offered.
    Derived* created = new Derived();
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = static_cast<Derived*>(this)->interfaceFor(riid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG r = InterlockedDecrement(&references_);
    if (r == 0) delete static_cast<Derived*>(this);
    return r;
  }

 protected:
  ComObject() { module::objectCreated(); }
  ~ComObject() { module::objectDestroyed(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

 private:
  LONG references_ = 1;
};

}  // namespace kestor::server
