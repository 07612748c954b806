#pragma once
// The COM object Kestor.Inventory: one method, Collect(queries), which runs the typed
// collection and returns its JSON text; late-bound only. It is described by no type
// library (Kestor's is fixed), so it answers IDispatch itself. IObjectSafety gives
// SysKestor's answers. Apartment-threaded: no member locks anything.
#include <windows.h>
#include <oaidl.h>

#include "host/adapters/wbem_native_connector.h"
#include "host/object/com_object.h"
#include "host/object/safety.h"

namespace kestor::server {

// IUnknown and creation from ComObject, IObjectSafety from ApartmentSafety.
class InventoryObject final : public ComObject<InventoryObject, IDispatch, ApartmentSafety> {
 public:
  static constexpr DISPID kDispCollect = 1;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

 private:
  friend ComObject;
  InventoryObject() = default;
  ~InventoryObject() = default;

  void* interfaceFor(REFIID riid);
  IUnknown* identity() { return static_cast<IDispatch*>(this); }
  HRESULT invokeCollect(const DISPPARAMS& params, VARIANT* result, UINT* argError, bool& memberRan);

  win::WbemNativeConnector wmi_;
};

}  // namespace kestor::server
