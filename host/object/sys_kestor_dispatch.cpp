// SysKestor's late-bound side. Names and type information come from the module's
// type library; Invoke is written out by hand because ITypeInfo::Invoke refuses what
// script engines send for [in, out] BSTR* parameters: a variable passed by reference
// (VT_VARIANT | VT_BYREF), even to a property put.
#include <windows.h>
#include <oleauto.h>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"
#include "host/shared/kestor_members.h"
#include "host/shared/type_info_cache.h"
#include "host/object/com_guard.h"
#include "host/object/dispatch_args.h"
#include "host/object/sys_kestor_object.h"

namespace kestor::server {

namespace {

using members::Member;

// A call is answered when its flags include the member's invoke kind, as the
// platform's own type-library dispatch does: VBScript calls a method with
// METHOD | PROPERTYGET, while a bare PROPERTYGET (JScript's "var s = o.SetData;") finds
// no member and runs nothing.
WORD dispatchFlag(INVOKEKIND kind) {
  switch (kind) {
    case INVOKE_FUNC: return DISPATCH_METHOD;
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;  // read only
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;  // write only
    case INVOKE_PROPERTYPUTREF: break;
  }
  return 0;
}

// The dispatch identifier GetIDsOfNames gives the one named parameter, fileID.
constexpr DISPID kFileIdParameter = 0;

const Member* findMember(DISPID id, WORD flags) {
  for (const Member& member : members::kMembers) {
    if (member.dispid == id) return (flags & dispatchFlag(members::invokeKind(member.kind))) ? &member : nullptr;
  }
  return nullptr;
}

// Named arguments are accepted where they name the argument's own position: the
// value of a property put, and fileID. A put without the named DISPID_PROPERTYPUT is
// accepted too, as the single value it can only be.
bool namedArgumentsFit(const Member& member, const DISPPARAMS& params) {
  if (params.cNamedArgs == 0) return true;
  if (params.cNamedArgs != 1 || !params.rgdispidNamedArgs) return false;
  const DISPID named = params.rgdispidNamedArgs[0];
  if (member.kind == members::Kind::PropertyPut) return named == DISPID_PROPERTYPUT;
  return member.argumentName && named == kFileIdParameter;
}

}  // namespace

HRESULT SysKestorObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT SysKestorObject::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return guarded([&] { return sysKestorTypeInfo(typeInfo); });
}

HRESULT SysKestorObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                       DISPID* dispIds) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return guarded([&] {
    ComPtr<ITypeInfo> typeInfo;
    const HRESULT hr = sysKestorTypeInfo(typeInfo.put());
    if (FAILED(hr)) return hr;
    return typeInfo->GetIDsOfNames(names, count, dispIds);
  });
}

HRESULT SysKestorObject::Invoke(DISPID dispId, REFIID riid, LCID, WORD flags,
                                DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                UINT* argError) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  if (result) VariantInit(result);
  // One extra reference and one guard for the whole call: the members' work runs under
  // them directly, not through the vtable members, which would take both again.
  ReferenceHold hold(identity());
  bool memberRan = false;
  const HRESULT hr = guarded(
      [&] { return invokeMember(dispId, flags, *params, result, argError, memberRan); });
  return FAILED(hr) && memberRan ? memberFailed(hr, ids::kProgId, exception) : hr;
}

HRESULT SysKestorObject::invokeMember(DISPID dispId, WORD flags, const DISPPARAMS& params,
                                      VARIANT* result, UINT* argError, bool& memberRan) {
  const Member* member = findMember(dispId, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != member->textArguments) return DISP_E_BADPARAMCOUNT;
  if (params.cArgs != 0 && !params.rgvarg) return E_INVALIDARG;
  if (!namedArgumentsFit(*member, params)) return DISP_E_PARAMNOTFOUND;

  // Copies of the caller's texts: a member never reaches the caller's variables.
  Bstr argument;
  if (params.cArgs == 1) {
    const HRESULT hr = textArgument(params.rgvarg[0], argument);
    if (FAILED(hr)) {
      if (argError) *argError = 0;
      return hr;
    }
  }
  memberRan = true;
  Bstr text;
  switch (member->dispid) {
    case ids::kDispGenerateIdentifier: text = Bstr(core_.generateIdentifier()); break;
    case ids::kDispDateTime: text = Bstr(core_.dateTime()); break;
    case ids::kDispWMIAttributesOfInterest: core_.setWmiAttributesOfInterest(argument.text()); break;
    case ids::kDispGetTestData: text = Bstr(core_.getTestData()); break;
    case ids::kDispSetData: text = Bstr(core_.setData()); break;
    case ids::kDispGetData: text = report(argument.get()); break;
  }
  if (result && member->hasResult()) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = text.release();
  }
  return S_OK;
}

}  // namespace kestor::server
