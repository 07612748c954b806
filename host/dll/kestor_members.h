#pragma once
// The six members of _SysKestor, once: the type library generator describes them from
// this table and the late-bound dispatcher answers by it. Every text is a BSTR; a member
// returns its status and passes its result, if any, through a last [out, retval] BSTR*.
#include <windows.h>
#include <oaidl.h>

namespace kestor {

namespace ids {
// Dispatch identifiers of _SysKestor
constexpr DISPID kDispGenerateIdentifier = 0x60030007;
constexpr DISPID kDispDateTime = 0x68030001;
constexpr DISPID kDispWMIAttributesOfInterest = 0x68030000;
constexpr DISPID kDispGetTestData = 0x6003000A;
constexpr DISPID kDispSetData = 0x6003000C;
constexpr DISPID kDispGetData = 0x6003000D;
}  // namespace ids

namespace members {

struct Member {
  const wchar_t* name;
  DISPID dispid;
  INVOKEKIND invkind;
  // [in, out] BSTR* arguments, before the result: the member reads them and leaves the
  // caller's text as it was. At most one.
  UINT textArguments;
  // The name recorded for the text argument; nullptr leaves it unnamed, as a property
  // put's value is.
  const wchar_t* argumentName;
  // Function-table entry: IDispatch's seven and three that the library leaves
  // undescribed come first.
  SHORT entry;

  bool hasResult() const { return invkind != INVOKE_PROPERTYPUT; }
};

inline constexpr Member kMembers[] = {
    {L"GenerateIdentifier", ids::kDispGenerateIdentifier, INVOKE_FUNC, 0, nullptr, 10},
    {L"DateTime", ids::kDispDateTime, INVOKE_PROPERTYGET, 0, nullptr, 11},
    {L"WMIAttributesOfInterest", ids::kDispWMIAttributesOfInterest, INVOKE_PROPERTYPUT, 1, nullptr, 12},
    {L"GetTestData", ids::kDispGetTestData, INVOKE_FUNC, 0, nullptr, 13},
    {L"SetData", ids::kDispSetData, INVOKE_FUNC, 0, nullptr, 14},
    {L"GetData", ids::kDispGetData, INVOKE_FUNC, 1, L"fileID", 15},
};

}  // namespace members
}  // namespace kestor
