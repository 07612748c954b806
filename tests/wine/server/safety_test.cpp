// IObjectSafety as a browser negotiates it: through a new object (flags set by the
// apartment's start-up) and through the safety logic with both flags false.
#include <gtest/gtest.h>

#include <ocidl.h>

#include "host/object/safety.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

namespace flags = base_safe_ctl;

// Interfaces the negotiation recognises or must refuse.
const IID kIDispatchEx = {0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};
const IID kIPersistStreamInit = {0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
const IID kIObjectSafety = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

constexpr DWORD kSentinel = 0xA5A5A5A5;  // an enabled value the operation must not write

struct GetRow {
  const char* what;
  const IID* riid;
  HRESULT hr;
  DWORD enabled;  // kSentinel: not written
};

// Both flags true, as every object of an apartment sees them.
const GetRow kGetRowsFlagsTrue[] = {
    {"null riid: succeeds, enabled untouched", nullptr, S_OK, kSentinel},
    {"IDispatch: succeeds, enabled untouched (not 0, not 1)", &IID_IDispatch, S_OK, kSentinel},
    {"IDispatchEx: scripting bit", &kIDispatchEx, S_OK, 1},
    {"IPersistStorage: initialisation bit", &IID_IPersistStorage, S_OK, 2},
    {"IPersistStream: initialisation bit", &IID_IPersistStream, S_OK, 2},
    {"IPersistPropertyBag: initialisation bit", &IID_IPersistPropertyBag, S_OK, 2},
    {"IUnknown is not negotiated", &IID_IUnknown, E_NOINTERFACE, kSentinel},
    {"IPersistStreamInit is not in the table", &kIPersistStreamInit, E_NOINTERFACE, kSentinel},
    {"IObjectSafety itself is refused", &kIObjectSafety, E_NOINTERFACE, kSentinel},
    {"IPersist, a base of the persistence interfaces", &IID_IPersist, E_NOINTERFACE, kSentinel},
};

// Both flags false: an apartment whose start-up has not run.
const GetRow kGetRowsFlagsFalse[] = {
    {"null riid: no flag is consulted", nullptr, S_OK, kSentinel},
    {"IDispatch: no flag is consulted", &IID_IDispatch, S_OK, kSentinel},
    {"IDispatchEx: written as 0", &kIDispatchEx, S_OK, 0},
    {"IPersistStorage: written as 0", &IID_IPersistStorage, S_OK, 0},
    {"IPersistStream: written as 0", &IID_IPersistStream, S_OK, 0},
    {"IPersistPropertyBag: written as 0", &IID_IPersistPropertyBag, S_OK, 0},
    {"unknown interface: still refused", &IID_IUnknown, E_NOINTERFACE, kSentinel},
};

struct SetRow {
  const char* what;
  const IID* riid;
  DWORD mask;
  DWORD options;
  HRESULT flagsTrue;
  HRESULT flagsFalse;
};

const SetRow kSetRows[] = {
    {"null riid always succeeds", nullptr, 3, 3, S_OK, S_OK},
    {"IDispatch, nothing requested", &IID_IDispatch, 0, 0, S_OK, S_OK},
    {"IDispatch, everything requested", &IID_IDispatch, 3, 3, S_OK, S_OK},
    {"IDispatchEx mask 1 options 1", &kIDispatchEx, 1, 1, S_OK, E_FAIL},
    {"IDispatchEx mask 3 options 1: R = 1", &kIDispatchEx, 3, 1, S_OK, E_FAIL},
    {"IDispatchEx mask 3 options 3: R = 3 is not 1", &kIDispatchEx, 3, 3, E_FAIL, E_FAIL},
    {"IDispatchEx mask 1 options 0: switching off fails", &kIDispatchEx, 1, 0, E_FAIL, E_FAIL},
    {"IDispatchEx mask 0 options 0: R = 0", &kIDispatchEx, 0, 0, E_FAIL, E_FAIL},
    {"IDispatchEx the data bit is not its bit", &kIDispatchEx, 2, 2, E_FAIL, E_FAIL},
    {"IPersistStream mask 2 options 2", &IID_IPersistStream, 2, 2, S_OK, E_FAIL},
    {"IPersistStream mask 2 options 3: R = 2", &IID_IPersistStream, 2, 3, S_OK, E_FAIL},
    {"IPersistStream mask 1 options 1", &IID_IPersistStream, 1, 1, E_FAIL, E_FAIL},
    {"IPersistStorage mask 3 options 2", &IID_IPersistStorage, 3, 2, S_OK, E_FAIL},
    {"IPersistPropertyBag mask 2 options 2", &IID_IPersistPropertyBag, 2, 2, S_OK, E_FAIL},
    {"IPersistPropertyBag mask 3 options 3", &IID_IPersistPropertyBag, 3, 3, E_FAIL, E_FAIL},
    {"IUnknown refused", &IID_IUnknown, 1, 1, E_NOINTERFACE, E_NOINTERFACE},
    {"IPersistStreamInit refused", &kIPersistStreamInit, 2, 2, E_NOINTERFACE, E_NOINTERFACE},
    {"IObjectSafety refused", &kIObjectSafety, 1, 1, E_NOINTERFACE, E_NOINTERFACE},
};

ComPtr<IObjectSafetyByPointer> safetyOf(const ComPtr<ISysKestor>& object) {
  ComPtr<IObjectSafetyByPointer> safety;
  EXPECT_EQ(object->QueryInterface(kIObjectSafety, safety.putVoid()), S_OK);
  return safety;
}

void expectGetRows(IObjectSafetyByPointer* safety, const GetRow* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const GetRow& row = rows[i];
    DWORD supported = 0;
    DWORD enabled = kSentinel;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(row.riid, &supported, &enabled), row.hr) << row.what;
    EXPECT_EQ(supported, 3u) << row.what;
    EXPECT_EQ(enabled, row.enabled) << row.what;
  }
}

class SafetyTest : public ::testing::Test {
 protected:
  Apartment apartment_;
};

TEST_F(SafetyTest, GetThroughObjectAnswersEveryRowWithFlagsTrue) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  ComPtr<IObjectSafetyByPointer> safety = safetyOf(object);
  ASSERT_TRUE(safety);
  expectGetRows(safety.get(), kGetRowsFlagsTrue, std::size(kGetRowsFlagsTrue));
  // Kestor.Inventory gives the same answers.
  ComPtr<IDispatch> inventory = newInventory();
  ASSERT_TRUE(inventory);
  ASSERT_EQ(inventory->QueryInterface(ids::IID_IObjectSafety_, safety.putVoid()), S_OK);
  expectGetRows(safety.get(), kGetRowsFlagsTrue, std::size(kGetRowsFlagsTrue));
}

TEST_F(SafetyTest, SetThroughObjectAcceptsOnlyTheExactOptionAndRecordsNothing) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  ComPtr<IObjectSafetyByPointer> safety = safetyOf(object);
  ASSERT_TRUE(safety);
  for (const SetRow& row : kSetRows) {
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(row.riid, row.mask, row.options), row.flagsTrue)
        << row.what;
    // Nothing is recorded: every Get answers as on a fresh object.
    expectGetRows(safety.get(), kGetRowsFlagsTrue, std::size(kGetRowsFlagsTrue));
  }
}

TEST_F(SafetyTest, GetWithFlagsFalseWritesZeroEnabledOptions) {
  const flags::Flags off{};
  for (const GetRow& row : kGetRowsFlagsFalse) {
    DWORD supported = 0;
    DWORD enabled = kSentinel;
    EXPECT_EQ(getInterfaceSafetyOptions(row.riid, &supported, &enabled, off), row.hr) << row.what;
    EXPECT_EQ(supported, 3u) << row.what;
    EXPECT_EQ(enabled, row.enabled) << row.what;
  }
}

TEST_F(SafetyTest, SetWithFlagsFalseFailsForScriptingAndInitialisation) {
  const flags::Flags off{};
  for (const SetRow& row : kSetRows) {
    EXPECT_EQ(setInterfaceSafetyOptions(row.riid, row.mask, row.options, off), row.flagsFalse)
        << row.what;
  }
}

TEST_F(SafetyTest, AnyNonZeroFlagCountsAsTrue) {
  const flags::Flags one{1, 1};  // not -1, still true
  DWORD supported = 0;
  DWORD enabled = kSentinel;
  EXPECT_EQ(getInterfaceSafetyOptions(&kIDispatchEx, &supported, &enabled, one), S_OK);
  EXPECT_EQ(enabled, 1u);
  EXPECT_EQ(setInterfaceSafetyOptions(&IID_IPersistStream, 2, 2, one), S_OK);
}

TEST_F(SafetyTest, NullOutPointersAreRefusedWithoutWriting) {
  DWORD value = kSentinel;
  EXPECT_EQ(getInterfaceSafetyOptions(&kIDispatchEx, nullptr, &value, flags::Flags{}), E_POINTER);
  EXPECT_EQ(getInterfaceSafetyOptions(&kIDispatchEx, &value, nullptr, flags::Flags{}), E_POINTER);
  EXPECT_EQ(value, kSentinel);
}

// Every thread is an apartment with its own pair, false until its start-up.
TEST_F(SafetyTest, FlagsArePerThreadAndStartUpSetsBothToMinusOne) {
  flags::Flags before{7, 7};
  flags::Flags after{};
  runOnNewThread([&] {
    before = flags::flags();
    flags::startUp();
    after = flags::flags();
  });
  EXPECT_EQ(before.safeForScripting, 0);
  EXPECT_EQ(before.safeForInitializing, 0);
  EXPECT_EQ(after.safeForScripting, -1);
  EXPECT_EQ(after.safeForInitializing, -1);
  runOnNewThread([&] { before = flags::flags(); });
  EXPECT_EQ(before.safeForScripting, 0) << "another thread's start-up leaked into this one";
}

// The first object created in a new apartment runs that apartment's start-up first.
TEST_F(SafetyTest, FirstObjectOnNewApartmentAlreadySeesFlagsTrue) {
  HRESULT getHr = E_UNEXPECTED;
  DWORD enabled = kSentinel;
  runOnNewThread([&] {
    Apartment apartment;
    ComPtr<ISysKestor> object = newObject();
    if (!object) return;
    ComPtr<IObjectSafetyByPointer> safety = safetyOf(object);
    DWORD supported = 0;
    if (safety) getHr = safety->GetInterfaceSafetyOptions(&IID_IPersistPropertyBag, &supported, &enabled);
  });
  EXPECT_EQ(getHr, S_OK);
  EXPECT_EQ(enabled, 2u);
}

}  // namespace
}  // namespace kestor::server::test
