#pragma once
// A property bag as a browser builds it from a page's parameters: one stored value,
// or a read status to fail with, and a record of how it was asked.
#include <windows.h>
#include <ocidl.h>

#include <string>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/variant.h"

namespace kestor::server::test {

class FakePropertyBag final : public IPropertyBag {
 public:
  // Read answers readStatus; on success it copies value into the caller's variant.
  FakePropertyBag(HRESULT readStatus, const VARIANT& value) : readStatus_(readStatus) {
    VariantCopy(value_.get(), const_cast<VARIANT*>(&value));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertyBag)) return E_NOINTERFACE;
    *object = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
  }
  // Lives on the test's stack: the count is only recorded.
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references_); }

  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    ++reads_;
    lastName_ = name ? name : L"(null)";
    typeAsked_ = V_VT(value);
    referencesDuringRead_ = references_;
    if (FAILED(readStatus_)) return readStatus_;
    return VariantCopy(value, value_.get());
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override {
    ++writes_;
    return E_NOTIMPL;
  }

  LONG references() const { return references_; }
  int reads() const { return reads_; }
  int writes() const { return writes_; }
  const std::wstring& lastName() const { return lastName_; }
  VARTYPE typeAsked() const { return typeAsked_; }
  LONG referencesDuringRead() const { return referencesDuringRead_; }

 private:
  LONG references_ = 1;
  HRESULT readStatus_;
  Variant value_;
  int reads_ = 0;
  int writes_ = 0;
  std::wstring lastName_;
  VARTYPE typeAsked_ = VT_ILLEGAL;
  LONG referencesDuringRead_ = 0;
};

}  // namespace kestor::server::test
