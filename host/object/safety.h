#pragma once
// The IObjectSafety answers, as functions of the apartment's safety flags.
#include <windows.h>
#include <objsafe.h>

#include "host/object/base_safe_ctl.h"

namespace kestor::server {

// Supported options are always both bits; see the .cpp for what is written when.
constexpr DWORD kSupportedSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

HRESULT getInterfaceSafetyOptions(const IID* riid, DWORD* supported, DWORD* enabled,
                                  const base_safe_ctl::Flags& flags);
HRESULT setInterfaceSafetyOptions(const IID* riid, DWORD setMask, DWORD enabledOptions,
                                  const base_safe_ctl::Flags& flags);

}  // namespace kestor::server
