// SysKestor's IObjectSafety: the answers of safety.h for this apartment's flags.
#include "host/object/base_safe_ctl.h"
#include "host/object/com_guard.h"
#include "host/com/com_ptr.h"
#include "host/object/safety.h"
#include "host/object/sys_kestor_object.h"

namespace kestor::server {

HRESULT SysKestorObject::GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                   DWORD* enabled) {
  ReferenceHold hold(identity());
  return guarded([&] {
    return getInterfaceSafetyOptions(riid, supported, enabled, base_safe_ctl::flags());
  });
}

HRESULT SysKestorObject::SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                   DWORD enabledOptions) {
  ReferenceHold hold(identity());
  return guarded([&] {
    return setInterfaceSafetyOptions(riid, setMask, enabledOptions, base_safe_ctl::flags());
  });
}

}  // namespace kestor::server
