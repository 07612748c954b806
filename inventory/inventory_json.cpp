#include "inventory/inventory_json.h"

#include <cstdint>

#include <nlohmann/json.hpp>

#include "collect/cim_datetime.h"
#include "common/utf8.h"

namespace kestor {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::int64_t kLargestExactInteger = (std::int64_t{1} << 53) - 1;

Json jsonOf(const WmiValue& value) {
  switch (value.kind) {
    case WmiValue::Kind::Null: return nullptr;
    case WmiValue::Kind::Text: return toUtf8(value.text);
    case WmiValue::Kind::Integer:
      if (value.integer >= -kLargestExactInteger && value.integer <= kLargestExactInteger) return value.integer;
      return toUtf8(decimalText(value.integer));
    case WmiValue::Kind::Boolean: return value.boolean;
    case WmiValue::Kind::Real: return value.real;  // NaN and infinities become null
    case WmiValue::Kind::DateTime: return toUtf8(isoDateTime(value.text));
    case WmiValue::Kind::Array: {
      Json array = Json::array();
      for (const WmiValue& element : value.elements) array.push_back(jsonOf(element));
      return array;
    }
    case WmiValue::Kind::Object: {
      Json object = Json::object();
      for (const WmiMember& member : value.members) object[toUtf8(member.name)] = jsonOf(member.value);
      return object;
    }
  }
  return nullptr;
}

Json jsonOf(const TypedFailure& failure) {
  Json json = Json::object();
  json["number"] = failure.number;
  json["description"] = toUtf8(failure.description);
  return json;
}

Json jsonOf(const TypedSection& section) {
  Json properties = Json::array();
  for (const Text& name : section.properties) properties.push_back(toUtf8(name));
  Json instances = Json::array();
  for (const std::vector<WmiMember>& instance : section.instances) {
    Json object = Json::object();
    for (const WmiMember& member : instance) object[toUtf8(member.name)] = jsonOf(member.value);
    instances.push_back(std::move(object));
  }
  Json warnings = Json::array();
  for (const TypedWarning& warning : section.warnings) {
    Json entry = Json::object();
    entry["property"] = toUtf8(warning.property);
    entry["number"] = warning.failure.number;
    entry["description"] = toUtf8(warning.failure.description);
    warnings.push_back(std::move(entry));
  }
  Json json = Json::object();
  json["query"] = toUtf8(section.query);
  json["class"] = toUtf8(section.className);
  json["properties"] = std::move(properties);
  json["instances"] = std::move(instances);
  json["warnings"] = std::move(warnings);
  json["error"] = section.error ? jsonOf(*section.error) : Json(nullptr);
  return json;
}

}  // namespace

std::string inventoryJson(const std::vector<TypedSection>& sections) {
  Json list = Json::array();
  for (const TypedSection& section : sections) list.push_back(jsonOf(section));
  Json result = Json::object();
  result["sections"] = std::move(list);
  return result.dump();
}

}  // namespace kestor
