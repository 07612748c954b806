#include "collect/query_runner.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "collect/query_parser.h"
#include "collect/value_text.h"
#include "common/failure.h"

namespace kestor {

namespace {

constexpr TextView kStatusPrefix = u"Error executing ";
constexpr TextView kUnknown = u"Unknown";
constexpr TextView kLineEnd = u"\r\n";
constexpr TextView kInstanceLine = u"[INSTANCE]\r\n";
constexpr TextView kNameMarker = u"[pname]=";
constexpr TextView kValueMarker = u"[pvalue]=";

// Which handler is armed, and so what a WMI failure does to the run.
enum class RunState {
  Unguarded,  // the failure leaves the run
  Reporting,  // the failure becomes the section's error line and ends the run
  Skipping,   // the failure marks the instance and the run goes on
};

// One run of one query; lives for that run only, so nothing carries over.
class QueryRun {
 public:
  QueryRun(const Text& query, ChunkedText& report, Text& status)
      : query_(query), report_(report), status_(status) {}

  void run(WmiConnector& wmi);

 private:
  // Runs one step under the armed handler. True when it succeeded; false when it
  // failed and the handler has dealt with it. Running out of memory is a failure like
  // any other (number 7), so it cannot cut a section short.
  template <typename Step>
  bool attempt(Step&& step);
  void handle(const Failure& failure);
  void reportInstance(WmiInstance& instance, const std::vector<Text>& names);

  const Text& query_;
  ChunkedText& report_;
  Text& status_;
  RunState state_ = RunState::Unguarded;
  bool instanceFailed_ = false;
};

template <typename Step>
bool QueryRun::attempt(Step&& step) {
  if (state_ == RunState::Unguarded) {
    step();
    return true;
  }
  try {
    step();
    return true;
  } catch (const Failure& failure) {
    handle(failure);
  } catch (const std::bad_alloc&) {
    // While skipping nothing is built: making the failure could run out of memory again.
    if (state_ == RunState::Skipping) {
      instanceFailed_ = true;
    } else {
      handle(Failure::outOfMemory());
    }
  }
  return false;
}

void QueryRun::handle(const Failure& failure) {
  if (state_ == RunState::Reporting) {
    // Failures while writing this line are not caught: they reach the caller.
    report_.append(u"[ERROR]=", status_, u":", decimalText(failure.number()), u":",
                   failure.description(), kLineEnd);
  } else {
    instanceFailed_ = true;
  }
}

void QueryRun::run(WmiConnector& wmi) {
  std::unique_ptr<WmiService> service;
  attempt([&] { service = bindLocalCimv2(wmi); });

  state_ = RunState::Reporting;
  status_.assign(kStatusPrefix).append(query_);

  Text className;
  if (!attempt([&] { className = extractClassName(query_); })) return;
  if (!attempt([&] { report_.append(u"[class=", className, u"]", kLineEnd); })) return;

  std::unique_ptr<WmiObjectSet> instances;
  if (!attempt([&] { instances = execWql(*service, query_); })) return;
  std::vector<Text> names;
  if (!attempt([&] { names = extractPropertyNames(query_); })) return;

  // A failed fetch ends the run either way: with the error line while still
  // reporting (the first fetch), silently once skipping (any later fetch).
  std::unique_ptr<WmiInstance> instance;
  if (!attempt([&] { instance = instances->next(); })) return;
  while (instance) {
    instanceFailed_ = false;
    // Only the first instance line is written while still reporting.
    if (!attempt([&] { report_.append(kInstanceLine); }) && state_ == RunState::Reporting) return;
    state_ = RunState::Skipping;
    reportInstance(*instance, names);
    instance.reset();
    if (!attempt([&] { instance = instances->next(); })) return;
  }
}

void QueryRun::reportInstance(WmiInstance& instance, const std::vector<Text>& names) {
  for (const Text& name : names) {
    // A read that fails leaves nothing worth converting: the flag it sets makes the
    // value "Unknown" whatever the conversion would give.
    WmiValue value;
    Text converted;
    TextView shown = kUnknown;  // also a missing value, which is not a failure
    if (attempt([&] { value = instance.property(name); }) && value.kind != WmiValue::Kind::Null) {
      if (attempt([&] { converted = valueText(std::move(value)); })) shown = converted;
    }
    if (instanceFailed_) shown = kUnknown;
    // The name line and its value line in one append: the pair goes in whole or not
    // at all, so a failure here never leaves a name without its value.
    attempt([&] { report_.append(kNameMarker, name, kLineEnd, kValueMarker, shown, kLineEnd); });
  }
}

}  // namespace

void runQuery(WmiConnector& wmi, const Text& query, ChunkedText& reportText, Text& statusText) {
  QueryRun(query, reportText, statusText).run(wmi);
}

}  // namespace kestor
