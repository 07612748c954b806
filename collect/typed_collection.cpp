#include "collect/typed_collection.h"

#include <memory>
#include <unordered_set>
#include <utility>

#include "collect/query_parser.h"
#include "common/failure.h"

namespace kestor {

namespace {

constexpr TextView kAllProperties = u"*";
constexpr TextView kClassProperty = u"__CLASS";

TypedFailure typedFailure(const Failure& failure) { return {failure.number(), failure.description()}; }

// Property names as WMI compares them: ASCII letters without regard to case.
class NameSet {
 public:
  // True when name was not in the set yet.
  bool add(const Text& name) { return seen_.insert(asciiUpper(name)).second; }

 private:
  std::unordered_set<Text> seen_;
};

class SectionRun {
 public:
  SectionRun(WmiService& service, TypedSection& section) : service_(service), section_(section) {}

  void run() {
    std::unique_ptr<WmiObjectSet> set = execWql(service_, section_.query);
    std::vector<Text> names = extractPropertyNames(section_.query);
    allProperties_ = false;
    for (const Text& name : names) allProperties_ = allProperties_ || name == kAllProperties;
    if (!allProperties_) addProperties(names);
    while (std::unique_ptr<WmiInstance> instance = set->next()) {
      if (section_.className.empty()) section_.className = classOf(*instance);
      if (allProperties_) {
        names = instance->propertyNames();
        addProperties(names);
      }
      section_.instances.push_back(read(*instance, allProperties_ ? names : section_.properties));
    }
  }

 private:
  void addProperties(const std::vector<Text>& names) {
    for (const Text& name : names) {
      if (properties_.add(name)) section_.properties.push_back(name);
    }
  }

  // A class that will not tell its name is named from the query text instead.
  static Text classOf(WmiInstance& instance) {
    try {
      WmiValue name = instance.property(Text(kClassProperty));
      if (name.kind == WmiValue::Kind::Text) return std::move(name.text);
    } catch (const Failure&) {
    }
    return Text();
  }

  std::vector<WmiMember> read(WmiInstance& instance, const std::vector<Text>& names) {
    std::vector<WmiMember> members;
    members.reserve(names.size());
    for (const Text& name : names) {
      WmiMember member{name, WmiValue::null()};
      try {
        member.value = instance.property(name);
      } catch (const Failure& failure) {
        warn(name, failure);
      }
      members.push_back(std::move(member));
    }
    return members;
  }

  void warn(const Text& name, const Failure& failure) {
    for (const TypedWarning& warning : section_.warnings) {
      if (warning.property == name && warning.failure.number == failure.number()) return;
    }
    section_.warnings.push_back({name, typedFailure(failure)});
  }

  WmiService& service_;
  TypedSection& section_;
  NameSet properties_;
  bool allProperties_ = false;
};

}  // namespace

std::vector<TypedSection> collectTyped(WmiConnector& wmi, const Text& queryList) {
  std::vector<Text> queries = splitQueryList(queryList);
  if (!queries.empty()) queries.pop_back();

  std::unique_ptr<WmiService> service;
  std::optional<TypedFailure> bindFailure;
  if (!queries.empty()) {
    try {
      service = bindLocalCimv2(wmi);
    } catch (const Failure& failure) {
      bindFailure = typedFailure(failure);
    }
  }

  std::vector<TypedSection> sections(queries.size());
  for (std::size_t i = 0; i < queries.size(); ++i) {
    TypedSection& section = sections[i];
    section.query = std::move(queries[i]);
    if (bindFailure) {
      section.error = bindFailure;
    } else {
      try {
        SectionRun(*service, section).run();
      } catch (const Failure& failure) {
        section.error = typedFailure(failure);
      }
    }
    if (section.className.empty()) section.className = fromClassName(section.query);
  }
  return sections;
}

}  // namespace kestor
