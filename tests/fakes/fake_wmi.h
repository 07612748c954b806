#pragma once
// A scriptable WMI for tests and benchmarks: serves instances from memory, records
// what the runner asked for and throws on demand at any step.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "collect/wmi_client.h"
#include "common/failure.h"

namespace kestor::fakes {

// WMI status codes the fake uses, as the signed numbers a failure carries.
constexpr std::int32_t wbemCode(std::uint32_t hresult) { return static_cast<std::int32_t>(hresult); }
constexpr std::int32_t kWbemNotFound = wbemCode(0x80041002u);
constexpr std::int32_t kWbemInvalidClass = wbemCode(0x80041010u);

inline std::exception_ptr failureOf(std::int32_t number, Text description) {
  return std::make_exception_ptr(Failure(number, std::move(description)));
}

// Property names compare as WMI compares them: ASCII letters without regard to case.
// Shorter names order first, so most lookups never compare a character (the
// benchmark looks up millions of names).
struct NameLess {
  bool operator()(const Text& a, const Text& b) const {
    if (a.size() != b.size()) return a.size() < b.size();
    if (a == b) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const char16_t x = asciiUpperUnit(a[i]), y = asciiUpperUnit(b[i]);
      if (x != y) return x < y;
    }
    return false;
  }
};

using Properties = std::map<Text, WmiValue, NameLess>;

class FakeWmi final : public WmiConnector {
 public:
  // --- What it serves -------------------------------------------------------
  std::vector<Properties> instances;
  // How many instances the set hands out, cycling through `instances` without
  // copying them (a benchmark can ask for 10^6 from one prototype); unset: each once.
  std::optional<std::size_t> instanceCount;

  // --- Where it fails (null: never) -----------------------------------------
  std::exception_ptr bindThrows;
  std::exception_ptr execQueryThrows;
  std::size_t failingFetch = 0;  // 1-based call of next() that throws fetchThrows; 0: none
  std::exception_ptr fetchThrows;
  std::map<Text, std::exception_ptr, NameLess> readThrows;  // by name, on every instance
  // By call number (1-based), counted over every bind, execQuery, fetch and read.
  std::map<std::size_t, std::exception_ptr> stepThrows;

  // --- What it saw ----------------------------------------------------------
  Text computer;
  Text nameSpace;
  Text query;
  Text language;
  std::int32_t flags = 0;
  struct Calls {
    std::size_t bind = 0, execQuery = 0, fetch = 0, read = 0;
    std::size_t all() const { return bind + execQuery + fetch + read; }
  } calls;

  std::unique_ptr<WmiService> bind(const Text& computerName, const Text& namespaceName) override {
    ++calls.bind;
    stepTaken();
    computer = computerName;
    nameSpace = namespaceName;
    if (bindThrows) std::rethrow_exception(bindThrows);
    return std::make_unique<Service>(*this);
  }

 private:
  void stepTaken() {
    if (auto failing = stepThrows.find(calls.all()); failing != stepThrows.end()) {
      std::rethrow_exception(failing->second);
    }
  }

  class Instance final : public WmiInstance {
   public:
    Instance(FakeWmi& wmi, const Properties& properties) : wmi_(wmi), properties_(properties) {}
    WmiValue property(const Text& name) override {
      ++wmi_.calls.read;
      wmi_.stepTaken();
      if (auto failing = wmi_.readThrows.find(name); failing != wmi_.readThrows.end()) {
        std::rethrow_exception(failing->second);
      }
      auto found = properties_.find(name);
      if (found == properties_.end()) throw Failure(kWbemNotFound, u"Not found");
      return found->second;
    }
    // In the map's order; system properties ("__CLASS") left out as WMI leaves them.
    std::vector<Text> propertyNames() override {
      std::vector<Text> names;
      for (const auto& property : properties_) {
        if (property.first.rfind(u"__", 0) != 0) names.push_back(property.first);
      }
      return names;
    }

   private:
    FakeWmi& wmi_;
    const Properties& properties_;
  };

  class Set final : public WmiObjectSet {
   public:
    explicit Set(FakeWmi& wmi) : wmi_(wmi) {}
    std::unique_ptr<WmiInstance> next() override {
      const std::size_t call = ++wmi_.calls.fetch;
      wmi_.stepTaken();
      if (call == wmi_.failingFetch && wmi_.fetchThrows) std::rethrow_exception(wmi_.fetchThrows);
      const std::size_t total = wmi_.instanceCount.value_or(wmi_.instances.size());
      if (served_ >= total || wmi_.instances.empty()) return nullptr;
      const Properties& properties = wmi_.instances[served_++ % wmi_.instances.size()];
      return std::make_unique<Instance>(wmi_, properties);
    }

   private:
    FakeWmi& wmi_;
    std::size_t served_ = 0;
  };

  class Service final : public WmiService {
   public:
    explicit Service(FakeWmi& wmi) : wmi_(wmi) {}
    std::unique_ptr<WmiObjectSet> execQuery(const Text& text, const Text& lang,
                                            std::int32_t queryFlags) override {
      ++wmi_.calls.execQuery;
      wmi_.stepTaken();
      wmi_.query = text;
      wmi_.language = lang;
      wmi_.flags = queryFlags;
      if (wmi_.execQueryThrows) std::rethrow_exception(wmi_.execQueryThrows);
      return std::make_unique<Set>(wmi_);
    }

   private:
    FakeWmi& wmi_;
  };
};

}  // namespace kestor::fakes
