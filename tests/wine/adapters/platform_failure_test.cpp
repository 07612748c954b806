// Where the description of a platform failure comes from.
#include <windows.h>
#include <wbemcli.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/failure.h"
#include "common/utf8.h"
#include "host/adapters/com_call.h"
#include "host/com/com_ptr.h"

namespace kestor::win {
namespace {

// Leaves an error object with description on the thread, as a failing callee does.
void setErrorObject(const wchar_t* description) {
  ComPtr<ICreateErrorInfo> creator;
  ASSERT_TRUE(SUCCEEDED(CreateErrorInfo(creator.put())));
  ASSERT_TRUE(SUCCEEDED(creator->SetDescription(const_cast<wchar_t*>(description))));
  ComPtr<IErrorInfo> info;
  ASSERT_TRUE(SUCCEEDED(creator->QueryInterface(IID_IErrorInfo, info.putVoid())));
  ASSERT_TRUE(SUCCEEDED(SetErrorInfo(0, info.get())));
}

Failure failureOf(const std::function<HRESULT()>& call) {
  try {
    comCall(call);
  } catch (const Failure& failure) {
    return failure;
  }
  return Failure(0, u"no failure");
}

TEST(ComCall, TakesTheDescriptionTheCalleeLeft) {
  const Failure failure = failureOf([] {
    setErrorObject(L"Invalid query");
    return static_cast<HRESULT>(WBEM_E_INVALID_QUERY);
  });
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(WBEM_E_INVALID_QUERY));
  EXPECT_EQ(toUtf8(failure.description()), "Invalid query");
}

TEST(ComCall, IgnoresAnErrorObjectLeftFromBefore) {
  setErrorObject(L"stale");
  const Failure failure = failureOf([] { return static_cast<HRESULT>(WBEM_E_NOT_FOUND); });
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(WBEM_E_NOT_FOUND));
  EXPECT_NE(toUtf8(failure.description()), "stale");
  EXPECT_EQ(failure.description(), wmiStatusText(static_cast<HRESULT>(WBEM_E_NOT_FOUND)));
}

TEST(ComCall, SuccessCodesPass) {
  for (HRESULT success : {S_OK, S_FALSE, static_cast<HRESULT>(WBEM_S_FALSE)}) {
    EXPECT_NO_THROW(comCall([&] { return success; })) << std::hex << success;
  }
}

TEST(ComCall, AMissingObjectIsAFailure) {
  ComPtr<IUnknown> nothing;
  try {
    requireObject(nothing);
    ADD_FAILURE() << "accepted a null object";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(E_POINTER));
  }
}

TEST(PlatformFailure, WmiCodesGetWmisStatusText) {
  EXPECT_FALSE(wmiStatusText(static_cast<HRESULT>(WBEM_E_INVALID_CLASS)).empty());
}

TEST(PlatformFailure, Win32ErrorsBecomeHresultsWithTheSystemMessage) {
  const Failure failure = win32Failure(ERROR_ACCESS_DENIED);
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(0x80070005));
  const std::string description = toUtf8(failure.description());
  EXPECT_FALSE(description.empty());
  EXPECT_EQ(description.find_first_of("\r\n"), std::string::npos) << description;
  EXPECT_EQ(failure.description(), systemMessage(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)));
}

}  // namespace
}  // namespace kestor::win
