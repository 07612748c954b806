// Early-bound callers reach the members by function-table offset, not by name: the
// members are entries 10 to 15, at byte offsets 40 to 60 in the 32-bit build and 80 to
// 120 in the 64-bit build.
#include <gtest/gtest.h>

#include <cwctype>

#include "tests/wine/server/server_support.h"
#include "tests/wine/target_arch.h"

namespace kestor::server::test {
namespace {

using kestor::test::perArch;

// Byte offsets of the entries, as the type library of each build states them.
constexpr size_t kPlaceholderOffsets[] = {perArch<size_t>(28, 56), perArch<size_t>(32, 64),
                                          perArch<size_t>(36, 72)};
constexpr size_t kGenerateIdentifierAt = perArch<size_t>(40, 80);
constexpr size_t kDateTimeAt = perArch<size_t>(44, 88);
constexpr size_t kPutQueryListAt = perArch<size_t>(48, 96);
constexpr size_t kGetTestDataAt = perArch<size_t>(52, 104);
constexpr size_t kSetDataAt = perArch<size_t>(56, 112);
constexpr size_t kGetDataAt = perArch<size_t>(60, 120);

using NoArgument = HRESULT(STDMETHODCALLTYPE*)(void* self);
using OneText = HRESULT(STDMETHODCALLTYPE*)(void* self, BSTR* text);
using TwoTexts = HRESULT(STDMETHODCALLTYPE*)(void* self, BSTR* argument, BSTR* result);

// The function stored at a byte offset of the object's function table.
template <typename Fn>
Fn entryAt(void* object, size_t byteOffset) {
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Fn>(table[byteOffset / sizeof(void*)]);
}

bool isBracedUpperGuid(const std::wstring& text) {
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != L'-' : !(std::iswdigit(text[i]) || (text[i] >= L'A' && text[i] <= L'F'))) {
      return false;
    }
  }
  return true;
}

using VtableTest = ObjectTest;

TEST_F(VtableTest, FirstMemberIsGenerateIdentifier) {
  BSTR first = nullptr;
  BSTR second = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), kGenerateIdentifierAt)(object_.get(), &first), S_OK);
  ASSERT_EQ(entryAt<OneText>(object_.get(), kGenerateIdentifierAt)(object_.get(), &second), S_OK);
  Bstr ownFirst, ownSecond;
  ownFirst.adopt(first);
  ownSecond.adopt(second);
  EXPECT_TRUE(isBracedUpperGuid(wide(first))) << narrow(wide(first));
  EXPECT_TRUE(isBracedUpperGuid(wide(second))) << narrow(wide(second));
  EXPECT_NE(wide(first), wide(second)) << "two calls drew the same identifier";
}

TEST_F(VtableTest, LastMemberIsGetDataAndAnUnknownFileIsEmpty) {
  // Well formed, and no report was ever stored under it.
  Bstr unknown(u"{00000000-0000-0000-0000-00000000CAFE}");
  BSTR argument = unknown.get();
  BSTR result = reinterpret_cast<BSTR>(1);  // must be cleared
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), kGetDataAt)(object_.get(), &argument, &result), S_OK);
  Bstr own;
  own.adopt(result);
  EXPECT_EQ(SysStringLen(result), 0u);
  EXPECT_EQ(argument, unknown.get()) << "the caller's text was replaced";
  EXPECT_EQ(wide(argument), L"{00000000-0000-0000-0000-00000000CAFE}");
}

struct TextRow {
  const char* what;
  size_t offset;
};

// Members with only a result: each answers through its own offset.
const TextRow kResultRows[] = {
    {"GenerateIdentifier", kGenerateIdentifierAt},
    {"DateTime (property get)", kDateTimeAt},
    {"GetTestData", kGetTestDataAt},
    {"SetData", kSetDataAt},
};

TEST_F(VtableTest, ResultMembersRefuseANullResultPointer) {
  for (const TextRow& row : kResultRows) {
    EXPECT_EQ(entryAt<OneText>(object_.get(), row.offset)(object_.get(), nullptr), E_POINTER) << row.what;
  }
  Bstr text(u"x");
  BSTR argument = text.get();
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), kGetDataAt)(object_.get(), &argument, nullptr), E_POINTER);
  BSTR result = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), kGetDataAt)(object_.get(), nullptr, &result), E_POINTER);
  EXPECT_EQ(result, nullptr) << "GetData must clear its result before anything else";
  EXPECT_EQ(entryAt<OneText>(object_.get(), kPutQueryListAt)(object_.get(), nullptr), E_POINTER);
}

TEST_F(VtableTest, GetTestDataGivesTheFixedText) {
  BSTR result = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), kGetTestDataAt)(object_.get(), &result), S_OK);
  Bstr own;
  own.adopt(result);
  EXPECT_EQ(wide(result), L"WMI simulation");
}

TEST_F(VtableTest, DateTimeRunsDateAndTimeTogether) {
  BSTR result = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), kDateTimeAt)(object_.get(), &result), S_OK);
  Bstr own;
  own.adopt(result);
  // The short date comes first with the time directly after it.
  wchar_t date[80] = {};
  ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 80), 0);
  const std::wstring text = wide(result);
  EXPECT_EQ(text.rfind(date, 0), 0u) << narrow(text) << " does not start with " << narrow(date);
  EXPECT_GT(text.size(), wcslen(date)) << "no time after the date";
  EXPECT_NE(text[wcslen(date)], L' ') << "date and time separated by a blank";
}

TEST_F(VtableTest, PutKeepsTheCallersTextAndNullIsEmpty) {
  Bstr list(u"Marker|");
  BSTR argument = list.get();
  EXPECT_EQ(entryAt<OneText>(object_.get(), kPutQueryListAt)(object_.get(), &argument), S_OK);
  EXPECT_EQ(argument, list.get());
  EXPECT_EQ(wide(argument), L"Marker|");
  EXPECT_NE(reportOf(object_.get()).find(L"[class=Marker]"), std::wstring::npos);
  // A null BSTR is the empty list: the next run has no query of its own.
  BSTR empty = nullptr;
  EXPECT_EQ(entryAt<OneText>(object_.get(), kPutQueryListAt)(object_.get(), &empty), S_OK);
  EXPECT_EQ(empty, nullptr);
  const std::wstring first = reportOf(object_.get());
  EXPECT_EQ(reportOf(object_.get()), first) << "a query ran although the list is empty";
}

// Entries 7 to 9 are not described by the type library; they only hold places.
TEST_F(VtableTest, PlaceholdersSevenToNineAnswerNotImplemented) {
  for (size_t offset : kPlaceholderOffsets) {
    EXPECT_EQ(entryAt<NoArgument>(object_.get(), offset)(object_.get()), E_NOTIMPL) << offset;
  }
}

}  // namespace
}  // namespace kestor::server::test
