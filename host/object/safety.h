#pragma once
// Scripting safety in one place: the apartment's flags (baseSafeCtl), the
// IObjectSafety answers as functions of them, and the IObjectSafety both classes
// offer (safety.cpp), which gives those answers for the calling apartment.
#include <windows.h>

#include "host/object/interfaces.h"

namespace kestor::server {

// baseSafeCtl: the component's scripting-safety flags, one pair per apartment.
namespace base_safe_ctl {

// Automation booleans: true is -1; any non-zero value counts as true.
using VariantBool = short;
constexpr VariantBool kTrue = -1;
constexpr VariantBool kFalse = 0;

struct Flags {
  VariantBool safeForScripting = kFalse;
  VariantBool safeForInitializing = kFalse;
};

// The calling apartment's flags; both false until its start-up has run.
Flags flags();

// The start-up routine: sets SafeForScripting, then SafeForInitializing, to true.
void startUp();

// Runs startUp once per apartment; called before the apartment's first object is built.
void startUpOnce();

}  // namespace base_safe_ctl

// The IObjectSafety answers for the given flags; see the .cpp for what is written when.
HRESULT getInterfaceSafetyOptions(const IID* riid, DWORD* supported, DWORD* enabled,
                                  const base_safe_ctl::Flags& flags);
HRESULT setInterfaceSafetyOptions(const IID* riid, DWORD setMask, DWORD enabledOptions,
                                  const base_safe_ctl::Flags& flags);

// IObjectSafety for an object's interface list: the answers above for the calling
// apartment's flags, under a reference to the object.
class ApartmentSafety : public IObjectSafetyByPointer {
 public:
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD setMask,
                                                      DWORD enabledOptions) override;
};

}  // namespace kestor::server
