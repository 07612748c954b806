#pragma once
// The member table (control/members.h) in the COM types the dispatcher and the type
// library generator use.
#include <windows.h>
#include <oaidl.h>

#include "control/members.h"

namespace kestor::members {

constexpr INVOKEKIND invokeKind(Kind kind) {
  switch (kind) {
    case Kind::Method: return INVOKE_FUNC;
    case Kind::PropertyGet: return INVOKE_PROPERTYGET;
    case Kind::PropertyPut: return INVOKE_PROPERTYPUT;
  }
  return INVOKE_FUNC;
}

}  // namespace kestor::members
