#pragma once
// The COM object Kestor.Inventory: one method, Collect(queries), which runs the typed
// collection and returns its JSON text; late-bound only. It is described by no type
// library (Kestor's is fixed), so it answers IDispatch itself. IObjectSafety gives
// SysKestor's answers. Apartment-threaded: no member locks anything.
#include <windows.h>
#include <oaidl.h>

#include "host/adapters/wbem_native_connector.h"
#include "host/object/interfaces.h"

namespace kestor::server {

class InventoryObject final : public IDispatch, public IObjectSafetyByPointer {
 public:
  static constexpr DISPID kDispCollect = 1;

  // Builds an object and hands out riid; the caller's guard maps what it throws.
  static HRESULT create(REFIID riid, void** object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                      DWORD enabledOptions) override;

 private:
  InventoryObject();
  ~InventoryObject();
  InventoryObject(const InventoryObject&) = delete;
  InventoryObject& operator=(const InventoryObject&) = delete;

  IUnknown* identity() { return static_cast<IDispatch*>(this); }
  HRESULT invokeCollect(const DISPPARAMS& params, VARIANT* result, UINT* argError, bool& memberRan);

  LONG references_ = 1;
  win::WbemNativeConnector wmi_;
};

}  // namespace kestor::server
