#pragma once
// The COM object SysKestor: one core object behind _SysKestor (dual), IObjectSafety
// and IPersistPropertyBag. Apartment-threaded: no member locks anything.
#include <windows.h>
#include <ocidl.h>

#include "control/sys_kestor.h"
#include "host/adapters/windows_platform.h"
#include "host/com/bstr.h"
#include "host/object/com_object.h"
#include "host/object/interfaces.h"
#include "host/object/safety.h"

namespace kestor::server {

// IUnknown and creation from ComObject, IObjectSafety from ApartmentSafety (safety.cpp).
class SysKestorObject final
    : public ComObject<SysKestorObject, ISysKestor, ApartmentSafety, IPersistPropertyBag> {
 public:
  // IDispatch (sys_kestor_dispatch.cpp)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

  // _SysKestor (sys_kestor_object.cpp, with the interface list)
  HRESULT STDMETHODCALLTYPE Placeholder7() override;
  HRESULT STDMETHODCALLTYPE Placeholder8() override;
  HRESULT STDMETHODCALLTYPE Placeholder9() override;
  HRESULT STDMETHODCALLTYPE GenerateIdentifier(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE get_DateTime(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE put_WMIAttributesOfInterest(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetTestData(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SetData(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetData(BSTR* fileID, BSTR* result) override;

  // IPersist, IPersistPropertyBag (sys_kestor_persistence.cpp)
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* errorLog) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

 private:
  friend ComObject;
  SysKestorObject();
  ~SysKestorObject() = default;

  void* interfaceFor(REFIID riid);
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

  win::WindowsPlatform platform_;
  SysKestor core_;
};

}  // namespace kestor::server
