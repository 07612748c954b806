#include "host/object/inventory_object.h"

#include <string>

#include "collect/typed_collection.h"
#include "host/adapters/com_call.h"
#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/object/com_guard.h"
#include "host/object/dispatch_args.h"
#include "host/shared/kestor_ids.h"
#include "inventory/inventory_json.h"

namespace kestor::server {

namespace {

constexpr wchar_t kCollectName[] = L"Collect";

// The JSON text is well-formed UTF-8: the platform's conversion cannot fail on it.
Bstr bstrOfUtf8(const std::string& utf8) {
  if (utf8.empty()) return Bstr(L"");
  const int bytes = static_cast<int>(utf8.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, nullptr, 0);
  if (units <= 0) throw win::win32Failure(GetLastError());
  Bstr text;
  text.adopt(SysAllocStringLen(nullptr, static_cast<UINT>(units)));
  if (!text.get()) throw std::bad_alloc();
  if (MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, text.get(), units) != units) {
    throw win::win32Failure(GetLastError());
  }
  return text;
}

}  // namespace

void* InventoryObject::interfaceFor(REFIID riid) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(this);
  if (IsEqualIID(riid, ids::IID_IObjectSafety_)) return static_cast<IObjectSafetyByPointer*>(this);
  return nullptr;
}

HRESULT InventoryObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT InventoryObject::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  return DISP_E_BADINDEX;
}

// One member and no named parameters: any other name is unknown.
HRESULT InventoryObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispIds) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !dispIds) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const bool known = i == 0 && names[0] && CompareStringOrdinal(names[0], -1, kCollectName, -1, TRUE) == CSTR_EQUAL;
    dispIds[i] = known ? kDispCollect : DISPID_UNKNOWN;
    if (!known) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT InventoryObject::Invoke(DISPID dispId, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  if (result) VariantInit(result);
  if (dispId != kDispCollect || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
  ReferenceHold hold(identity());
  bool memberRan = false;
  const HRESULT hr = guarded([&] { return invokeCollect(*params, result, argError, memberRan); });
  return FAILED(hr) && memberRan ? memberFailed(hr, ids::kInventoryProgId, exception) : hr;
}

HRESULT InventoryObject::invokeCollect(const DISPPARAMS& params, VARIANT* result, UINT* argError, bool& memberRan) {
  if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
  if (!params.rgvarg) return E_INVALIDARG;
  if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  Bstr queries;
  const HRESULT hr = textArgument(params.rgvarg[0], queries);
  if (FAILED(hr)) {
    if (argError) *argError = 0;
    return hr;
  }
  memberRan = true;
  Bstr json = bstrOfUtf8(inventoryJson(collectTyped(wmi_, queries.text())));
  if (result) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = json.release();
  }
  return S_OK;
}

}  // namespace kestor::server
