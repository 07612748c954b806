#pragma once
// Port: the WMI operations the query runner uses. Every operation may throw
// kestor::Failure carrying WMI's status code and description.
#include <cstdint>
#include <memory>

#include "common/text.h"

namespace kestor {

// A property value as WMI hands it over.
struct WmiValue {
  // Reals, dates and the like come as text: the adapter formats them as the platform
  // does for a script on the same machine.
  enum class Kind { Null, Text, Integer, Boolean, Array, Object };

  Kind kind = Kind::Null;
  Text text;
  std::int64_t integer = 0;
  bool boolean = false;

  static WmiValue null() { return {}; }
  static WmiValue ofText(Text value) { WmiValue v; v.kind = Kind::Text; v.text = std::move(value); return v; }
  static WmiValue ofInteger(std::int64_t value) { WmiValue v; v.kind = Kind::Integer; v.integer = value; return v; }
  static WmiValue ofBoolean(bool value) { WmiValue v; v.kind = Kind::Boolean; v.boolean = value; return v; }
  static WmiValue array() { WmiValue v; v.kind = Kind::Array; return v; }
  static WmiValue object() { WmiValue v; v.kind = Kind::Object; return v; }
};

class WmiInstance {
 public:
  virtual ~WmiInstance() = default;
  // Properties_.Item(name, 0).Value; fails when the class has no such property.
  virtual WmiValue property(const Text& name) = 0;
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

}  // namespace kestor
