#pragma once
// The six members of _SysKestor, once, in portable terms: the type library generator
// describes them from this table, the late-bound dispatcher and the browser bridge
// answer by it (host/com/kestor_members.h adds the COM types). Every text is a BSTR; a
// member returns its status and passes its result, if any, through a last
// [out, retval] BSTR*.
#include <cstdint>
#include <string_view>

namespace kestor {

namespace ids {
// Dispatch identifiers of _SysKestor
constexpr std::int32_t kDispGenerateIdentifier = 0x60030007;
constexpr std::int32_t kDispDateTime = 0x68030001;
constexpr std::int32_t kDispWMIAttributesOfInterest = 0x68030000;
constexpr std::int32_t kDispGetTestData = 0x6003000A;
constexpr std::int32_t kDispSetData = 0x6003000C;
constexpr std::int32_t kDispGetData = 0x6003000D;
}  // namespace ids

namespace members {

enum class Id { GenerateIdentifier, DateTime, WmiAttributesOfInterest, GetTestData, SetData, GetData };

// How a caller reaches the member: called, read, or assigned.
enum class Kind { Method, PropertyGet, PropertyPut };

struct Member {
  Id id;
  const char* name;
  std::int32_t dispid;
  Kind kind;
  // [in, out] BSTR* arguments, before the result: the member reads them and leaves the
  // caller's text as it was. At most one.
  unsigned textArguments;
  // The name recorded for the text argument; nullptr leaves it unnamed, as a property
  // put's value is.
  const char* argumentName;
  // Function-table entry: IDispatch's seven and three that the library leaves
  // undescribed come first.
  short entry;

  constexpr bool hasResult() const { return kind != Kind::PropertyPut; }
};

inline constexpr Member kMembers[] = {
    {Id::GenerateIdentifier, "GenerateIdentifier", ids::kDispGenerateIdentifier, Kind::Method, 0, nullptr, 10},
    {Id::DateTime, "DateTime", ids::kDispDateTime, Kind::PropertyGet, 0, nullptr, 11},
    {Id::WmiAttributesOfInterest, "WMIAttributesOfInterest", ids::kDispWMIAttributesOfInterest, Kind::PropertyPut, 1,
     nullptr, 12},
    {Id::GetTestData, "GetTestData", ids::kDispGetTestData, Kind::Method, 0, nullptr, 13},
    {Id::SetData, "SetData", ids::kDispSetData, Kind::Method, 0, nullptr, 14},
    {Id::GetData, "GetData", ids::kDispGetData, Kind::Method, 1, "fileID", 15},
};

// The member spelled exactly so; nullptr for any other name.
inline const Member* findMember(std::string_view name) {
  for (const Member& member : kMembers) {
    if (name == member.name) return &member;
  }
  return nullptr;
}

}  // namespace members
}  // namespace kestor
