#include "collect/value_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace kestor {
namespace {

TEST(ValueText, ConvertsScalars) {
  struct Row { int line; WmiValue value; Text expected; };
  const Row rows[] = {
      {__LINE__, WmiValue::ofText(u"2600"), u"2600"},
      {__LINE__, WmiValue::ofText(u""), u""},
      {__LINE__, WmiValue::ofText(u"[INSTANCE]\r\n"), u"[INSTANCE]\r\n"},           // no escaping
      {__LINE__, WmiValue::ofInteger(0), u"0"},
      {__LINE__, WmiValue::ofInteger(-42), u"-42"},
      {__LINE__, WmiValue::ofInteger(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808"},
      {__LINE__, WmiValue::ofInteger(std::numeric_limits<std::int64_t>::max()), u"9223372036854775807"},
      {__LINE__, WmiValue::ofBoolean(true), u"True"},
      {__LINE__, WmiValue::ofBoolean(false), u"False"},
      {__LINE__, WmiValue::ofReal(0.0), u"0"},
      {__LINE__, WmiValue::ofReal(2.5), u"2.5"},
      {__LINE__, WmiValue::ofReal(-0.1), u"-0.1"},
      {__LINE__, WmiValue::ofReal(0.1 + 0.2), u"0.30000000000000004"},               // all digits needed
      {__LINE__, WmiValue::ofReal(100.0), u"100"},                                   // trailing zeros filled
      {__LINE__, WmiValue::ofReal(1234.5678), u"1234.5678"},
      {__LINE__, WmiValue::ofReal(999999999999999.0), u"999999999999999"},           // largest positional
      {__LINE__, WmiValue::ofReal(1e15), u"1E+15"},
      {__LINE__, WmiValue::ofReal(-1.5e300), u"-1.5E+300"},
      {__LINE__, WmiValue::ofReal(1e-5), u"0.00001"},                                // smallest positional
      {__LINE__, WmiValue::ofReal(9.5e-6), u"9.5E-6"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(valueText(row.value), row.expected);
  }
}

TEST(ValueText, RealsReadBackExactly) {
  const double rows[] = {1.0 / 3, -2.0 / 3, 6.02214076e23, 5e-324, 1.7976931348623157e308, 123456.789e-3};
  for (double value : rows) {
    SCOPED_TRACE(testing::Message() << value);
    EXPECT_EQ(std::strtod(toUtf8(realText(value)).c_str(), nullptr), value);
  }
}

}  // namespace
}  // namespace kestor
