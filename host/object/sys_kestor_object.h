#pragma once
// The COM object SysKestor: one core object behind _SysKestor (dual), IObjectSafety
// and IPersistPropertyBag. Apartment-threaded: no member locks anything.
#include <windows.h>
#include <ocidl.h>

#include "control/sys_kestor.h"
#include "host/adapters/windows_platform.h"
#include "host/com/bstr.h"
#include "host/object/interfaces.h"

namespace kestor::server {

class SysKestorObject final : public ISysKestor,
                              public IObjectSafetyByPointer,
                              public IPersistPropertyBag {
 public:
  // Builds an object and hands out riid; the caller's guard maps what it throws.
  static HRESULT create(REFIID riid, void** object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch (sys_kestor_dispatch.cpp)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

  // _SysKestor (sys_kestor_object.cpp, with IUnknown and creation)
  HRESULT STDMETHODCALLTYPE Placeholder7() override;
  HRESULT STDMETHODCALLTYPE Placeholder8() override;
  HRESULT STDMETHODCALLTYPE Placeholder9() override;
  HRESULT STDMETHODCALLTYPE GenerateIdentifier(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE get_DateTime(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE put_WMIAttributesOfInterest(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetTestData(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SetData(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetData(BSTR* fileID, BSTR* result) override;

  // IObjectSafety (safety.cpp)
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                      DWORD enabledOptions) override;

  // IPersist, IPersistPropertyBag (sys_kestor_persistence.cpp)
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* errorLog) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

 private:
  SysKestorObject();
  ~SysKestorObject();
  SysKestorObject(const SysKestorObject&) = delete;
  SysKestorObject& operator=(const SysKestorObject&) = delete;

  IUnknown* identity() { return static_cast<ISysKestor*>(this); }

  // A member with a text result: clears it, holds a reference, runs produce (which
  // gives a Text or a Bstr) under the entry point's guard and hands the text over only
  // when it succeeded.
  template <typename Produce>
  HRESULT textResult(BSTR* result, Produce&& produce);

  // GetData's work, shared by the member and Invoke.
  Bstr report(BSTR fileId);

  // Invoke's work under its reference and guard (sys_kestor_dispatch.cpp): finds the
  // member, reads its argument and runs the member's work itself. memberRan is set
  // once the member's work starts: a failure from then on is the member's own.
  HRESULT invokeMember(DISPID dispId, WORD flags, const DISPPARAMS& params, VARIANT* result,
                       UINT* argError, bool& memberRan);

  LONG references_ = 1;
  win::WindowsPlatform platform_;
  SysKestor core_;
};

}  // namespace kestor::server
