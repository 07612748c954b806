#pragma once
// Port: the WMI operations the query runner uses. Every operation may throw
// kestor::Failure carrying WMI's status code and description.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "common/text.h"

namespace kestor {

struct WmiMember;

// A property value as WMI hands it over.
struct WmiValue {
  // The report's adapter hands reals and dates over as text, formatted as the platform
  // does for a script on the same machine, and arrays and objects without their
  // contents. The typed collection's adapter hands over Real and DateTime (text in
  // WMI's own form, "yyyymmddHHMMSS.mmmmmmsUUU") and fills elements and members.
  enum class Kind { Null, Text, Integer, Boolean, Array, Object, Real, DateTime };

  Kind kind = Kind::Null;
  Text text;  // Text and DateTime
  std::int64_t integer = 0;
  bool boolean = false;
  double real = 0;
  std::vector<WmiValue> elements;  // Array
  std::vector<WmiMember> members;  // Object, in WMI's order

  static WmiValue null() { return {}; }
  static WmiValue ofText(Text value) { WmiValue v; v.kind = Kind::Text; v.text = std::move(value); return v; }
  static WmiValue ofInteger(std::int64_t value) { WmiValue v; v.kind = Kind::Integer; v.integer = value; return v; }
  static WmiValue ofBoolean(bool value) { WmiValue v; v.kind = Kind::Boolean; v.boolean = value; return v; }
  static WmiValue ofReal(double value) { WmiValue v; v.kind = Kind::Real; v.real = value; return v; }
  static WmiValue ofDateTime(Text value) { WmiValue v; v.kind = Kind::DateTime; v.text = std::move(value); return v; }
  static WmiValue array(std::vector<WmiValue> elements = {});
  static WmiValue object(std::vector<WmiMember> members = {});
};

// One property of an embedded object.
struct WmiMember {
  Text name;
  WmiValue value;
};

inline WmiValue WmiValue::array(std::vector<WmiValue> elements) {
  WmiValue v; v.kind = Kind::Array; v.elements = std::move(elements); return v;
}
inline WmiValue WmiValue::object(std::vector<WmiMember> members) {
  WmiValue v; v.kind = Kind::Object; v.members = std::move(members); return v;
}

class WmiInstance {
 public:
  virtual ~WmiInstance() = default;
  // Properties_.Item(name, 0).Value; fails when the class has no such property.
  virtual WmiValue property(const Text& name) = 0;
  // The names of the instance's properties without the system ones ("__CLASS" and the
  // like), spelt and ordered as WMI gives them. The typed collection's SELECT * only.
  virtual std::vector<Text> propertyNames() = 0;
};

class WmiObjectSet {
 public:
  virtual ~WmiObjectSet() = default;
  // The next instance, forward only; nullptr at the end of the set.
  virtual std::unique_ptr<WmiInstance> next() = 0;
};

class WmiService {
 public:
  virtual ~WmiService() = default;
  virtual std::unique_ptr<WmiObjectSet> execQuery(const Text& query, const Text& language,
                                                  std::int32_t flags) = 0;
};

class WmiConnector {
 public:
  virtual ~WmiConnector() = default;
  // Binds afresh to the namespace nameSpace (root\CIMV2) of the computer named
  // computer ("." for this one); fails when the service cannot be reached.
  virtual std::unique_ptr<WmiService> bind(const Text& computer, const Text& nameSpace) = 0;
};

// What both collections ask of the port: this computer's root\CIMV2, and a WQL query
// that returns at once and reads forward only.
inline std::unique_ptr<WmiService> bindLocalCimv2(WmiConnector& wmi) {
  return wmi.bind(Text(u"."), Text(u"root\\CIMV2"));
}

inline std::unique_ptr<WmiObjectSet> execWql(WmiService& service, const Text& query) {
  constexpr std::int32_t kReturnImmediatelyForwardOnly = 16 + 32;
  return service.execQuery(query, Text(u"WQL"), kReturnImmediatelyForwardOnly);
}

}  // namespace kestor
