// The WMI port against the platform's WMI service, which under Wine answers for the
// machine it runs on.
#include <windows.h>
#include <wbemcli.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/utf8.h"
#include "host/adapters/wbem_connector.h"

namespace kestor::win {
namespace {

constexpr char16_t kThisComputer[] = u".";
constexpr char16_t kCimv2[] = u"root\\CIMV2";
constexpr std::int32_t kReturnImmediatelyForwardOnly = 48;

constexpr std::int32_t code(HRESULT hr) { return static_cast<std::int32_t>(hr); }
constexpr std::int32_t code(WBEMSTATUS status) { return static_cast<std::int32_t>(static_cast<HRESULT>(status)); }

std::string kindName(WmiValue::Kind kind) {
  static const char* const names[] = {"Null", "Text", "Integer", "Boolean", "Array", "Object"};
  return names[static_cast<int>(kind)];
}

bool allDigits(const Text& text) {
  if (text.empty()) return false;
  for (char16_t unit : text) {
    if (unit < u'0' || unit > u'9') return false;
  }
  return true;
}

DWORD logicalProcessors() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

// The build number as the kernel reports it, not as the version lie tells it.
DWORD kernelBuildNumber() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto getVersion =
      reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  return getVersion != nullptr && getVersion(&info) == 0 ? info.dwBuildNumber : 0;
}

class WmiAdapter : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_THROW(service_ = WbemConnector().bind(kThisComputer, kCimv2)); }

  std::vector<std::unique_ptr<WmiInstance>> instancesOf(const Text& query) {
    auto set = service_->execQuery(query, u"WQL", kReturnImmediatelyForwardOnly);
    std::vector<std::unique_ptr<WmiInstance>> instances;
    while (auto instance = set->next()) instances.push_back(std::move(instance));
    return instances;
  }

  // The failure a bad query produces, whether WMI reports it when executing or when
  // the first instance is fetched.
  Failure failureOf(const Text& query) {
    try {
      auto set = service_->execQuery(query, u"WQL", kReturnImmediatelyForwardOnly);
      set->next();
    } catch (const Failure& failure) {
      return failure;
    }
    ADD_FAILURE() << "no failure for " << toUtf8(query);
    return Failure(0, Text());
  }

  std::unique_ptr<WmiService> service_;
};

TEST_F(WmiAdapter, OperatingSystemIsOneInstanceWithTextCaptionAndBuildNumber) {
  const auto instances = instancesOf(u"SELECT Caption, BuildNumber FROM Win32_OperatingSystem");
  ASSERT_EQ(instances.size(), 1u);
  const WmiValue caption = instances[0]->property(u"Caption");
  ASSERT_EQ(caption.kind, WmiValue::Kind::Text);
  EXPECT_FALSE(caption.text.empty());
  const WmiValue build = instances[0]->property(u"BuildNumber");
  ASSERT_EQ(build.kind, WmiValue::Kind::Text);
  EXPECT_EQ(toUtf8(build.text), std::to_string(kernelBuildNumber()));
}

struct ValueCase {
  const char16_t* query;
  const char16_t* property;
  WmiValue::Kind kind;
  std::function<void(const WmiValue&)> check;
};

TEST_F(WmiAdapter, ValuesArriveInTheKindWmiDeliversThem) {
  const ValueCase cases[] = {
      {u"SELECT Primary FROM Win32_OperatingSystem", u"Primary", WmiValue::Kind::Boolean,
       [](const WmiValue& v) { EXPECT_TRUE(v.boolean); }},
      // 18 is WINNT in the OSType enumeration.
      {u"SELECT OSType FROM Win32_OperatingSystem", u"OSType", WmiValue::Kind::Integer,
       [](const WmiValue& v) { EXPECT_EQ(v.integer, 18); }},
      // uint64 and datetime properties travel as texts.
      {u"SELECT TotalVisibleMemorySize FROM Win32_OperatingSystem", u"TotalVisibleMemorySize",
       WmiValue::Kind::Text, [](const WmiValue& v) { EXPECT_TRUE(allDigits(v.text)) << toUtf8(v.text); }},
      {u"SELECT LastBootUpTime FROM Win32_OperatingSystem", u"LastBootUpTime", WmiValue::Kind::Text,
       [](const WmiValue& v) {
         EXPECT_TRUE(allDigits(v.text.substr(0, 14))) << toUtf8(v.text);
         EXPECT_EQ(v.text.substr(14, 1), u".") << toUtf8(v.text);
       }},
      {u"SELECT NumberOfLogicalProcessors FROM Win32_ComputerSystem", u"NumberOfLogicalProcessors",
       WmiValue::Kind::Integer, [](const WmiValue& v) { EXPECT_EQ(v.integer, logicalProcessors()); }},
      {u"SELECT TotalPhysicalMemory FROM Win32_ComputerSystem", u"TotalPhysicalMemory", WmiValue::Kind::Text,
       [](const WmiValue& v) { EXPECT_TRUE(allDigits(v.text)) << toUtf8(v.text); }},
      {u"SELECT ChassisTypes FROM Win32_SystemEnclosure", u"ChassisTypes", WmiValue::Kind::Array,
       [](const WmiValue&) {}},
      {u"SELECT LockPresent FROM Win32_SystemEnclosure", u"LockPresent", WmiValue::Kind::Boolean,
       [](const WmiValue&) {}},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(toUtf8(c.query));
    const auto instances = instancesOf(c.query);
    ASSERT_FALSE(instances.empty());
    const WmiValue value = instances[0]->property(c.property);
    ASSERT_EQ(kindName(value.kind), kindName(c.kind));
    c.check(value);
  }
}

TEST_F(WmiAdapter, MissingPropertyFailsWithWmisNotFoundAndTheInstanceStaysUsable) {
  const auto instances = instancesOf(u"SELECT * FROM Win32_OperatingSystem");
  ASSERT_EQ(instances.size(), 1u);
  for (const Text& name : {Text(u"NoSuchProperty"), Text(u"*"), Text()}) {
    SCOPED_TRACE(toUtf8(name));
    try {
      instances[0]->property(name);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), code(WBEM_E_NOT_FOUND));
      EXPECT_FALSE(failure.description().empty());
    }
  }
  EXPECT_EQ(instances[0]->property(u"Caption").kind, WmiValue::Kind::Text);
}

TEST_F(WmiAdapter, ProcessorWalkVisitsEveryProcessorOnceAndStaysAtTheEnd) {
  auto set = service_->execQuery(u"SELECT DeviceID, NumberOfLogicalProcessors FROM Win32_Processor", u"WQL",
                                 kReturnImmediatelyForwardOnly);
  std::set<Text> deviceIds;
  std::int64_t logical = 0;
  while (auto processor = set->next()) {
    const WmiValue id = processor->property(u"DeviceID");
    ASSERT_EQ(id.kind, WmiValue::Kind::Text);
    EXPECT_TRUE(deviceIds.insert(id.text).second) << "repeated " << toUtf8(id.text);
    const WmiValue count = processor->property(u"NumberOfLogicalProcessors");
    ASSERT_EQ(count.kind, WmiValue::Kind::Integer);
    logical += count.integer;
  }
  EXPECT_FALSE(deviceIds.empty());
  EXPECT_EQ(logical, logicalProcessors());
  EXPECT_EQ(set->next(), nullptr);
  EXPECT_EQ(set->next(), nullptr);
}

TEST_F(WmiAdapter, MalformedQueriesFailWithWmisCodes) {
  const struct {
    const char16_t* query;
    std::int32_t expected;
  } cases[] = {
      {u"", code(WBEM_E_INVALID_PARAMETER)},
      {u"SELECT Name", code(WBEM_E_INVALID_QUERY)},
      {u"SELECT Name FROM", code(WBEM_E_INVALID_QUERY)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.query));
    const Failure failure = failureOf(c.query);
    EXPECT_EQ(failure.number(), c.expected);
    EXPECT_FALSE(failure.description().empty());
  }
}

TEST_F(WmiAdapter, LanguageIsHandedToWmi) {
  const Failure failure = [&] {
    try {
      service_->execQuery(u"SELECT Name FROM Win32_Processor", u"XQL", kReturnImmediatelyForwardOnly)->next();
    } catch (const Failure& f) {
      return f;
    }
    return Failure(0, u"no failure");
  }();
  EXPECT_EQ(failure.number(), code(WBEM_E_INVALID_QUERY_TYPE));
}

TEST_F(WmiAdapter, UnknownClassGivesNoInstances) {
  EXPECT_TRUE(instancesOf(u"SELECT Name FROM Win32_NoSuchClass").empty());
}

TEST_F(WmiAdapter, SetsAndInstancesOutliveWhatProducedThem) {
  auto set = service_->execQuery(u"SELECT Caption FROM Win32_OperatingSystem", u"WQL",
                                 kReturnImmediatelyForwardOnly);
  service_.reset();
  auto instance = set->next();
  ASSERT_NE(instance, nullptr);
  set.reset();
  EXPECT_EQ(instance->property(u"Caption").kind, WmiValue::Kind::Text);
}

TEST(WmiBinding, BindingFailsForWhatIsNotTheServiceOfAnExistingNamespace) {
  const struct {
    const char16_t* computer;
    const char16_t* nameSpace;
    std::int32_t expected;  // 0: any failing code will do
  } cases[] = {
      {u".", u"root\\NoSuchNamespace", code(WBEM_E_INVALID_NAMESPACE)},
      {u".", u"root\\CIMV2:Win32_OperatingSystem", 0},  // an object path, not a namespace
      {u"no-such-computer.invalid", u"root\\CIMV2", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.nameSpace));
    try {
      WbemConnector().bind(c.computer, c.nameSpace);
      ADD_FAILURE() << "bound";
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0);
      if (c.expected != 0) {
        EXPECT_EQ(failure.number(), c.expected);
      }
    }
  }
}

TEST(WmiBinding, AFailedBindLeavesTheConnectorUsable) {
  WbemConnector connector;
  ASSERT_NE(connector.bind(kThisComputer, kCimv2), nullptr);
  EXPECT_THROW(connector.bind(kThisComputer, u"root\\NoSuchNamespace"), Failure);
  auto set = connector.bind(kThisComputer, kCimv2)->execQuery(u"SELECT Caption FROM Win32_OperatingSystem", u"WQL",
                                                              kReturnImmediatelyForwardOnly);
  EXPECT_NE(set->next(), nullptr);
}

}  // namespace
}  // namespace kestor::win
