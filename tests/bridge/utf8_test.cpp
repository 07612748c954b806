#include "bridge/core_session.h"

#include <gtest/gtest.h>

namespace kestor::bridge {
namespace {

TEST(TextOfUtf8, DecodesWellFormedAndReplacesTheRest) {
  struct Row { int line; std::string utf8; Text expected; };
  const Row rows[] = {
      {__LINE__, "", u""},
      {__LINE__, "SELECT Name\r\n\x1a|", u"SELECT Name\r\n\x1a|"},
      {__LINE__, std::string("a\0b", 3), Text(u"a\0b", 3)},             // NUL is a unit like any other
      {__LINE__, "caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC"},
      {__LINE__, "\xF0\x9F\x98\x80", u"\U0001F600"},                     // a pair of surrogates
      {__LINE__, "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {__LINE__, "\xFF", u"\uFFFD"},
      {__LINE__, "\xC3", u"\uFFFD"},                                     // cut at the end
      {__LINE__, "\xE2\x82" "a", u"\uFFFD\uFFFD" "a"},
      {__LINE__, "\xC0\x80", u"\uFFFD\uFFFD"},                           // overlong NUL
      {__LINE__, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                 // an encoded surrogate
      {__LINE__, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},       // above U+10FFFF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(textOfUtf8(row.utf8), row.expected);
  }
}

}  // namespace
}  // namespace kestor::bridge
