#pragma once
// The vtable layouts the server implements beyond the platform headers.
#include <windows.h>
#include <oaidl.h>

namespace kestor::server {

// _SysKestor: dual, derived from IDispatch. Entries 7 to 9 are not described by the
// type library; the members start at entry 10 (byte offset 40, or 80 where an entry
// is 8 bytes). Text arguments are [in, out] but never written.
struct ISysKestor : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Placeholder7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Placeholder8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Placeholder9() = 0;
  virtual HRESULT STDMETHODCALLTYPE GenerateIdentifier(BSTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DateTime(BSTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WMIAttributesOfInterest(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTestData(BSTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetData(BSTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetData(BSTR* fileID, BSTR* result) = 0;
};

// IObjectSafety with riid as a pointer: callers may pass a null riid, which the
// platform header's reference parameter cannot express. Same binary layout.
struct IObjectSafetyByPointer : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                              DWORD* enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                              DWORD enabledOptions) = 0;
};

}  // namespace kestor::server
