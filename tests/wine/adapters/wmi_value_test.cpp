// Every variant kind a WMI property can hand over, mapped to the runner's value.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "common/failure.h"
#include "common/utf8.h"
#include "host/com/bstr.h"
#include "host/com/variant.h"
#include "host/adapters/wmi_value.h"

namespace kestor::win {
namespace {

using Kind = WmiValue::Kind;

// The platform's own text for a variant of another kind, in the user's locale.
template <typename Convert, typename Value>
Text platformText(Convert convert, Value value) {
  Bstr text;
  if (FAILED(convert(value, LOCALE_USER_DEFAULT, 0, text.put()))) return u"<conversion failed>";
  return text.text();
}

struct Case {
  const char* name;
  std::function<void(VARIANT&)> fill;
  Kind kind;
  std::int64_t integer = 0;
  Text text = Text();
  bool boolean = false;
};

SAFEARRAY* arrayOf(VARTYPE type) {
  SAFEARRAYBOUND bound{2, 0};
  return SafeArrayCreate(type, 1, &bound);
}

void expectMatches(const WmiValue& value, const Case& c) {
  ASSERT_EQ(static_cast<int>(value.kind), static_cast<int>(c.kind));
  switch (c.kind) {
    case Kind::Integer:
      EXPECT_EQ(value.integer, c.integer);
      break;
    case Kind::Text:
      EXPECT_EQ(toUtf8(value.text), toUtf8(c.text));
      EXPECT_EQ(value.text.size(), c.text.size());
      break;
    case Kind::Boolean:
      EXPECT_EQ(value.boolean, c.boolean);
      break;
    default:
      break;
  }
}

TEST(WmiValueOf, MapsEveryKindWmiDelivers) {
  static LONG pointee = -42;
  CY currency;
  currency.int64 = 123456;  // 12.3456
  DECIMAL decimal;
  ASSERT_TRUE(SUCCEEDED(VarDecFromR8(-1.25, &decimal)));
  const DATE date = 39213.7986342593;  // 11 May 2007, 19:10:02

  const Case cases[] = {
      {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, Kind::Null},
      {"empty", [](VARIANT& v) { V_VT(&v) = VT_EMPTY; }, Kind::Text, 0, Text()},
      {"text", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(L"Intel(R) Core"); },
       Kind::Text, 0, u"Intel(R) Core"},
      {"text with NUL",
       [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocStringLen(L"a\0b\r\n", 5); }, Kind::Text, 0,
       Text(u"a\0b\r\n", 5)},
      {"null BSTR", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = nullptr; }, Kind::Text, 0, Text()},
      {"I1", [](VARIANT& v) { V_VT(&v) = VT_I1; V_I1(&v) = static_cast<CHAR>(-5); }, Kind::Integer, -5},
      {"I2", [](VARIANT& v) { V_VT(&v) = VT_I2; V_I2(&v) = -32768; }, Kind::Integer, -32768},
      {"I4", [](VARIANT& v) { V_VT(&v) = VT_I4; V_I4(&v) = std::numeric_limits<LONG>::min(); }, Kind::Integer,
       std::numeric_limits<std::int32_t>::min()},
      {"INT", [](VARIANT& v) { V_VT(&v) = VT_INT; V_INT(&v) = -7; }, Kind::Integer, -7},
      {"I8", [](VARIANT& v) { V_VT(&v) = VT_I8; V_I8(&v) = std::numeric_limits<LONGLONG>::min(); },
       Kind::Integer, std::numeric_limits<std::int64_t>::min()},
      {"UI1", [](VARIANT& v) { V_VT(&v) = VT_UI1; V_UI1(&v) = 255; }, Kind::Integer, 255},
      {"UI2", [](VARIANT& v) { V_VT(&v) = VT_UI2; V_UI2(&v) = 65535; }, Kind::Integer, 65535},
      {"UI4", [](VARIANT& v) { V_VT(&v) = VT_UI4; V_UI4(&v) = 4294967295u; }, Kind::Integer, 4294967295LL},
      {"UINT", [](VARIANT& v) { V_VT(&v) = VT_UINT; V_UINT(&v) = 4294967295u; }, Kind::Integer, 4294967295LL},
      {"UI8 in range",
       [](VARIANT& v) { V_VT(&v) = VT_UI8; V_UI8(&v) = static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max()); },
       Kind::Integer, std::numeric_limits<std::int64_t>::max()},
      {"UI8 beyond signed",
       [](VARIANT& v) { V_VT(&v) = VT_UI8; V_UI8(&v) = std::numeric_limits<ULONGLONG>::max(); }, Kind::Text, 0,
       u"18446744073709551615"},
      {"true", [](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_TRUE; }, Kind::Boolean, 0, Text(), true},
      {"false", [](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_FALSE; }, Kind::Boolean, 0, Text(),
       false},
      {"R8", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2.5; }, Kind::Text, 0, platformText(VarBstrFromR8, 2.5)},
      // Single precision reads as its own seven digits, not as the double it widens to.
      {"R4", [](VARIANT& v) { V_VT(&v) = VT_R4; V_R4(&v) = 0.1f; }, Kind::Text, 0,
       platformText(VarBstrFromR4, 0.1f)},
      {"CY", [&](VARIANT& v) { V_VT(&v) = VT_CY; V_CY(&v) = currency; }, Kind::Text, 0,
       platformText(VarBstrFromCy, currency)},
      {"DECIMAL", [&](VARIANT& v) { V_DECIMAL(&v) = decimal; V_VT(&v) = VT_DECIMAL; }, Kind::Text, 0,
       platformText(VarBstrFromDec, &decimal)},
      {"DATE", [&](VARIANT& v) { V_VT(&v) = VT_DATE; V_DATE(&v) = date; }, Kind::Text, 0,
       platformText(VarBstrFromDate, date)},
      {"array of texts", [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_BSTR; V_ARRAY(&v) = arrayOf(VT_BSTR); },
       Kind::Array},
      {"array of integers", [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_I4; V_ARRAY(&v) = arrayOf(VT_I4); },
       Kind::Array},
      {"array of variants",
       [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_VARIANT; V_ARRAY(&v) = arrayOf(VT_VARIANT); }, Kind::Array},
      {"dispatch", [](VARIANT& v) { V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = nullptr; }, Kind::Object},
      {"unknown", [](VARIANT& v) { V_VT(&v) = VT_UNKNOWN; V_UNKNOWN(&v) = nullptr; }, Kind::Object},
      {"by reference", [](VARIANT& v) { V_VT(&v) = VT_BYREF | VT_I4; V_I4REF(&v) = &pointee; }, Kind::Integer,
       -42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Variant variant;
    c.fill(*variant.put());
    try {
      expectMatches(wmiValueOf(*variant.get()), c);
    } catch (const Failure& failure) {
      ADD_FAILURE() << failure.what();
    }
  }
}

TEST(WmiValueOf, UnitedStatesFormsOfRealsAndDates) {
  if (GetUserDefaultLCID() != MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)) {
    GTEST_SKIP() << "user locale is not en-US";
  }
  Variant real;
  VARIANT* r8 = real.put();
  V_VT(r8) = VT_R8;
  V_R8(r8) = 2.5;
  EXPECT_EQ(toUtf8(wmiValueOf(*real.get()).text), "2.5");
  Variant single;
  VARIANT* r4 = single.put();
  V_VT(r4) = VT_R4;
  V_R4(r4) = 0.1f;
  EXPECT_EQ(toUtf8(wmiValueOf(*single.get()).text), "0.1");
}

TEST(WmiValueOf, KindsWithoutTextFormFail) {
  Variant error;
  VARIANT* value = error.put();
  V_VT(value) = VT_ERROR;
  V_ERROR(value) = DISP_E_PARAMNOTFOUND;
  try {
    wmiValueOf(*error.get());
    ADD_FAILURE() << "converted an error value";
  } catch (const Failure& failure) {
    EXPECT_LT(failure.number(), 0);
  }
}

}  // namespace
}  // namespace kestor::win
