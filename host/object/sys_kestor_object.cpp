#include "host/object/sys_kestor_object.h"

#include "host/adapters/windows_ansi_codec.h"
#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"
#include "host/object/com_guard.h"

namespace kestor::server {

SysKestorObject::SysKestorObject() : core_(platform_.platform()) {}

void* SysKestorObject::interfaceFor(REFIID riid) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, ids::IID__SysKestor)) {
    return static_cast<ISysKestor*>(this);
  }
  if (IsEqualIID(riid, ids::IID_IObjectSafety_)) return static_cast<IObjectSafetyByPointer*>(this);
  if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistPropertyBag)) {
    return static_cast<IPersistPropertyBag*>(this);
  }
  return nullptr;
}

// Entries 7 to 9 exist only to keep the members at their published offsets.
HRESULT SysKestorObject::Placeholder7() { return E_NOTIMPL; }
HRESULT SysKestorObject::Placeholder8() { return E_NOTIMPL; }
HRESULT SysKestorObject::Placeholder9() { return E_NOTIMPL; }

template <typename Produce>
HRESULT SysKestorObject::textResult(BSTR* result, Produce&& produce) {
  if (!result) return E_POINTER;
  *result = nullptr;
  ReferenceHold hold(identity());
  return guarded([&] {
    Bstr text(produce());
    *result = text.release();
    return S_OK;
  });
}

HRESULT SysKestorObject::GenerateIdentifier(BSTR* result) {
  return textResult(result, [&] { return core_.generateIdentifier(); });
}

HRESULT SysKestorObject::get_DateTime(BSTR* result) {
  return textResult(result, [&] { return core_.dateTime(); });
}

HRESULT SysKestorObject::GetTestData(BSTR* result) {
  return textResult(result, [&] { return core_.getTestData(); });
}

HRESULT SysKestorObject::SetData(BSTR* result) {
  return textResult(result, [&] { return core_.setData(); });
}

HRESULT SysKestorObject::GetData(BSTR* fileID, BSTR* result) {
  if (result) *result = nullptr;
  if (!fileID) return E_POINTER;
  // The caller's text is read, never written back.
  return textResult(result, [&] { return report(*fileID); });
}

// The report goes from the file's bytes straight into the result string.
Bstr SysKestorObject::report(BSTR fileId) {
  win::BstrReportSink report;
  core_.getData(textOf(fileId), report);
  return report.take();
}

HRESULT SysKestorObject::put_WMIAttributesOfInterest(BSTR* value) {
  if (!value) return E_POINTER;
  ReferenceHold hold(identity());
  return guarded([&] {
    core_.setWmiAttributesOfInterest(textOf(*value));
    return S_OK;
  });
}

}  // namespace kestor::server
