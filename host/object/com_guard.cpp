#include "host/object/com_guard.h"

#include <oleauto.h>

#include "host/com/com_ptr.h"
#include "host/dll/kestor_ids.h"

namespace kestor::server {

namespace {

// Failure numbers as HRESULTs, the way Visual Basic reports its numbered errors:
// a small positive number n becomes 0x800A0000 + n (FACILITY_CONTROL), which script
// engines show as their own error n; a negative number already is an HRESULT (WMI's
// status codes, platform statuses) and passes unchanged. Anything else cannot be told
// apart from success or another facility and becomes E_FAIL.
HRESULT hresultOf(std::int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number > 0 && number <= 0xFFFF) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
  }
  return E_FAIL;
}

// The description travels as the thread's error info (source "Kestor.SysKestor",
// interface _SysKestor); a failure without a description clears any stale info.
// Best effort: the failure is reported by its HRESULT either way.
void setErrorInfo(const Failure& failure) {
  if (failure.description().empty()) {
    SetErrorInfo(0, nullptr);
    return;
  }
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.put()))) return;
  if (FAILED(create->SetGUID(ids::IID__SysKestor))) return;
  if (FAILED(create->SetSource(const_cast<LPOLESTR>(ids::kProgId)))) return;
  const auto* description = reinterpret_cast<const OLECHAR*>(failure.description().c_str());
  if (FAILED(create->SetDescription(const_cast<LPOLESTR>(description)))) return;
  ComPtr<IErrorInfo> info;
  if (FAILED(create->QueryInterface(IID_IErrorInfo, info.putVoid()))) return;
  SetErrorInfo(0, info.get());
}

}  // namespace

HRESULT reportFailure(const Failure& failure) noexcept {
  setErrorInfo(failure);
  return hresultOf(failure.number());
}

}  // namespace kestor::server
