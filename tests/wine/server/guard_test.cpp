// The exception boundary: what a thrown failure becomes for a COM caller.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/failure.h"
#include "host/object/com_guard.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

struct FailureRow {
  const char* what;
  std::int32_t number;
  const char16_t* description;
  HRESULT hr;
};

const FailureRow kFailures[] = {
    {"invalid argument: a control-facility error", 5, u"Invalid procedure call or argument", static_cast<HRESULT>(0x800A0005)},
    {"file not found", 53, u"File not found", static_cast<HRESULT>(0x800A0035)},
    {"largest number that fits the code field", 0xFFFF, u"x", static_cast<HRESULT>(0x800AFFFF)},
    {"too large for the code field", 0x10000, u"x", E_FAIL},
    {"zero would read as success", 0, u"x", E_FAIL},
    {"a WMI status passes unchanged", -2147217392, u"Invalid class", static_cast<HRESULT>(0x80041010)},
    {"a platform status without description", static_cast<std::int32_t>(E_INVALIDARG), u"", E_INVALIDARG},
};

// The description of the thread's error info, or "(none)"; takes the info.
std::wstring takeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"(none)";
  Bstr description;
  if (FAILED(info->GetDescription(description.put()))) return L"(unreadable)";
  return wide(description.get());
}

TEST(GuardTest, FailuresBecomeHresultsWithTheirDescription) {
  for (const FailureRow& row : kFailures) {
    // A stale description must not survive a failure without one.
    Failure stale(5, u"stale");
    reportFailure(stale);
    const HRESULT hr = guarded([&]() -> HRESULT { throw Failure(row.number, row.description); });
    EXPECT_EQ(hr, row.hr) << row.what;
    const std::wstring description = takeErrorDescription();
    const Text text(row.description);
    EXPECT_EQ(description, text.empty() ? L"(none)" : std::wstring(text.begin(), text.end())) << row.what;
  }
}

TEST(GuardTest, OtherExceptionsAndPlainResults) {
  EXPECT_EQ(guarded([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(guarded([]() -> HRESULT { throw std::runtime_error("unexpected"); }), E_UNEXPECTED);
  EXPECT_EQ(guarded([] { return S_FALSE; }), S_FALSE);
  EXPECT_EQ(guarded([] { return DISP_E_MEMBERNOTFOUND; }), DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace kestor::server::test
