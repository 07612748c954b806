#include "host/object/dispatch_args.h"

#include <new>

#include "host/com/com_ptr.h"
#include "host/com/variant.h"

namespace kestor::server {

namespace {

// References to references do not come from script engines; a bounded walk keeps a
// malformed chain from looping.
constexpr int kLongestReferenceChain = 8;

}  // namespace

HRESULT textArgument(const VARIANT& argument, Bstr& text) {
  const VARIANT* value = &argument;
  for (int depth = 0; V_VT(value) == (VT_VARIANT | VT_BYREF); ++depth) {
    if (depth == kLongestReferenceChain || !V_VARIANTREF(value)) return DISP_E_TYPEMISMATCH;
    value = V_VARIANTREF(value);
  }
  if (V_VT(value) == VT_BSTR) {
    text = Bstr(textOf(V_BSTR(value)));
    return S_OK;
  }
  if (V_VT(value) == (VT_BSTR | VT_BYREF)) {
    if (!V_BSTRREF(value)) return DISP_E_TYPEMISMATCH;
    text = Bstr(textOf(*V_BSTRREF(value)));
    return S_OK;
  }
  if (V_ISARRAY(value)) return DISP_E_TYPEMISMATCH;
  // Converted into a variant of our own, so a by-reference source is left as it was.
  Variant converted;
  const HRESULT hr =
      VariantChangeType(converted.get(), const_cast<VARIANT*>(value), 0, VT_BSTR);
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  text.adopt(V_BSTR(converted.get()));
  V_VT(converted.get()) = VT_EMPTY;  // ownership moved to text
  return S_OK;
}

HRESULT memberFailed(HRESULT hr, const wchar_t* source, EXCEPINFO* exception) {
  if (!exception) return hr;
  *exception = EXCEPINFO();
  exception->scode = hr;
  exception->bstrSource = SysAllocString(source);
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    BSTR description = nullptr;
    if (SUCCEEDED(info->GetDescription(&description))) exception->bstrDescription = description;
  }
  return DISP_E_EXCEPTION;
}

}  // namespace kestor::server
