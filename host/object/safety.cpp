#include "host/object/safety.h"

#include <objsafe.h>
#include <ocidl.h>

#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"
#include "host/object/com_guard.h"

namespace kestor::server {

namespace base_safe_ctl {

namespace {

// Objects are apartment-threaded, so one thread is one apartment: per-thread storage
// gives every apartment its own pair without any locking.
thread_local VariantBool safeForScripting = kFalse;
thread_local VariantBool safeForInitializing = kFalse;
thread_local bool started = false;

}  // namespace

Flags flags() { return Flags{safeForScripting, safeForInitializing}; }

void startUp() {
  safeForScripting = kTrue;
  safeForInitializing = kTrue;
}

void startUpOnce() {
  if (started) return;
  started = true;
  startUp();
}

}  // namespace base_safe_ctl

namespace {

enum class Group { Dispatch, Scripting, Initialisation };

// Supported options are always both bits.
constexpr DWORD kSupportedSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

struct Recognised {
  const IID* iid;
  Group group;
};

// Compared in this order; the first equal identifier decides.
const Recognised kRecognised[] = {
    {&IID_IDispatch, Group::Dispatch},
    {&ids::IID_IDispatchEx_, Group::Scripting},
    {&IID_IPersistStorage, Group::Initialisation},
    {&IID_IPersistStream, Group::Initialisation},
    {&IID_IPersistPropertyBag, Group::Initialisation},
};

const Recognised* find(const IID& riid) {
  for (const Recognised& entry : kRecognised) {
    if (IsEqualGUID(*entry.iid, riid)) return &entry;
  }
  return nullptr;
}

bool isTrue(base_safe_ctl::VariantBool flag) { return flag != base_safe_ctl::kFalse; }

// The one option a group may be switched to, and whether this apartment allows it.
DWORD optionOf(Group group) {
  return group == Group::Scripting ? INTERFACESAFE_FOR_UNTRUSTED_CALLER
                                   : INTERFACESAFE_FOR_UNTRUSTED_DATA;
}

bool allowed(Group group, const base_safe_ctl::Flags& flags) {
  return isTrue(group == Group::Scripting ? flags.safeForScripting : flags.safeForInitializing);
}

}  // namespace

// Supported options are written first, for every riid; the enabled options only for
// the scripting and initialisation groups. Hosts pre-fill the enabled value and read
// it back for IDispatch and for a null riid, so those leave it as it was.
HRESULT getInterfaceSafetyOptions(const IID* riid, DWORD* supported, DWORD* enabled,
                                  const base_safe_ctl::Flags& flags) {
  if (!supported || !enabled) return E_POINTER;
  *supported = kSupportedSafetyOptions;
  if (!riid) return S_OK;
  const Recognised* entry = find(*riid);
  if (!entry) return E_NOINTERFACE;
  if (entry->group != Group::Dispatch) {
    *enabled = allowed(entry->group, flags) ? optionOf(entry->group) : 0;
  }
  return S_OK;
}

// Only the exact option of the group may be requested (an equality, not a bit test:
// switching an option off fails too), and only when the apartment allows it. Nothing
// is recorded.
HRESULT setInterfaceSafetyOptions(const IID* riid, DWORD setMask, DWORD enabledOptions,
                                  const base_safe_ctl::Flags& flags) {
  if (!riid) return S_OK;
  const Recognised* entry = find(*riid);
  if (!entry) return E_NOINTERFACE;
  if (entry->group == Group::Dispatch) return S_OK;
  const DWORD requested = setMask & enabledOptions;
  if (requested != optionOf(entry->group)) return E_FAIL;
  return allowed(entry->group, flags) ? S_OK : E_FAIL;
}

HRESULT ApartmentSafety::GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                   DWORD* enabled) {
  ReferenceHold hold(this);
  return guarded([&] {
    return getInterfaceSafetyOptions(riid, supported, enabled, base_safe_ctl::flags());
  });
}

HRESULT ApartmentSafety::SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                   DWORD enabledOptions) {
  ReferenceHold hold(this);
  return guarded([&] {
    return setInterfaceSafetyOptions(riid, setMask, enabledOptions, base_safe_ctl::flags());
  });
}

}  // namespace kestor::server
