#include "host/object/com_guard.h"

#include <oleauto.h>

#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"

namespace kestor::server {

namespace {

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
  return static_cast<HRESULT>(statusOfFailureNumber(failure.number()));
}

}  // namespace kestor::server
