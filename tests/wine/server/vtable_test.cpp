// Early-bound callers reach the members by function-table offset, not by name: the
// first member must sit at byte offset 40 and the last at 60.
#include <gtest/gtest.h>

#include <cwctype>

#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

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

TEST_F(VtableTest, OffsetFortyIsGenerateIdentifier) {
  BSTR first = nullptr;
  BSTR second = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), 40)(object_.get(), &first), S_OK);
  ASSERT_EQ(entryAt<OneText>(object_.get(), 40)(object_.get(), &second), S_OK);
  Bstr ownFirst, ownSecond;
  ownFirst.adopt(first);
  ownSecond.adopt(second);
  EXPECT_TRUE(isBracedUpperGuid(wide(first))) << narrow(wide(first));
  EXPECT_TRUE(isBracedUpperGuid(wide(second))) << narrow(wide(second));
  EXPECT_NE(wide(first), wide(second)) << "two calls drew the same identifier";
}

TEST_F(VtableTest, OffsetSixtyIsGetDataAndAnUnknownFileIsEmpty) {
  // Well formed, and no report was ever stored under it.
  Bstr unknown(u"{00000000-0000-0000-0000-00000000CAFE}");
  BSTR argument = unknown.get();
  BSTR result = reinterpret_cast<BSTR>(1);  // must be cleared
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), 60)(object_.get(), &argument, &result), S_OK);
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
    {"GenerateIdentifier", 40},
    {"DateTime (property get)", 44},
    {"GetTestData", 52},
    {"SetData", 56},
};

TEST_F(VtableTest, ResultMembersRefuseANullResultPointer) {
  for (const TextRow& row : kResultRows) {
    EXPECT_EQ(entryAt<OneText>(object_.get(), row.offset)(object_.get(), nullptr), E_POINTER) << row.what;
  }
  Bstr text(u"x");
  BSTR argument = text.get();
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), 60)(object_.get(), &argument, nullptr), E_POINTER);
  BSTR result = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(entryAt<TwoTexts>(object_.get(), 60)(object_.get(), nullptr, &result), E_POINTER);
  EXPECT_EQ(result, nullptr) << "GetData must clear its result before anything else";
  EXPECT_EQ(entryAt<OneText>(object_.get(), 48)(object_.get(), nullptr), E_POINTER);
}

TEST_F(VtableTest, GetTestDataAtFiftyTwoGivesTheFixedText) {
  BSTR result = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), 52)(object_.get(), &result), S_OK);
  Bstr own;
  own.adopt(result);
  EXPECT_EQ(wide(result), L"WMI simulation");
}

TEST_F(VtableTest, DateTimeAtFortyFourRunsDateAndTimeTogether) {
  BSTR result = nullptr;
  ASSERT_EQ(entryAt<OneText>(object_.get(), 44)(object_.get(), &result), S_OK);
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

TEST_F(VtableTest, PutAtFortyEightKeepsTheCallersTextAndNullIsEmpty) {
  Bstr list(u"Marker|");
  BSTR argument = list.get();
  EXPECT_EQ(entryAt<OneText>(object_.get(), 48)(object_.get(), &argument), S_OK);
  EXPECT_EQ(argument, list.get());
  EXPECT_EQ(wide(argument), L"Marker|");
  EXPECT_NE(reportOf(object_.get()).find(L"[class=Marker]"), std::wstring::npos);
  // A null BSTR is the empty list: the next run has no query of its own.
  BSTR empty = nullptr;
  EXPECT_EQ(entryAt<OneText>(object_.get(), 48)(object_.get(), &empty), S_OK);
  EXPECT_EQ(empty, nullptr);
  const std::wstring first = reportOf(object_.get());
  EXPECT_EQ(reportOf(object_.get()), first) << "a query ran although the list is empty";
}

// Entries 7 to 9 are not described by the type library; they only hold places.
TEST_F(VtableTest, PlaceholdersSevenToNineAnswerNotImplemented) {
  for (size_t offset : {28u, 32u, 36u}) {
    EXPECT_EQ(entryAt<NoArgument>(object_.get(), offset)(object_.get()), E_NOTIMPL) << offset;
  }
}

}  // namespace
}  // namespace kestor::server::test
