#include "collect/value_text.h"

#include <gtest/gtest.h>

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
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(valueText(row.value), row.expected);
  }
}

}  // namespace
}  // namespace kestor
