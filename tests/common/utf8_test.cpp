#include "common/utf8.h"

#include <gtest/gtest.h>

namespace kestor {
namespace {

// Decoding replaces each byte outside a well-formed sequence; encoding is checked on the
// rows whose text comes back to the same bytes.
TEST(Utf8, DecodesWellFormedReplacesTheRestAndEncodesBack) {
  struct Row { int line; std::string utf8; Text text; bool roundTrips; };
  const Row rows[] = {
      {__LINE__, "", u"", true},
      {__LINE__, "SELECT Name\r\n\x1a|", u"SELECT Name\r\n\x1a|", true},
      {__LINE__, std::string("a\0b", 3), Text(u"a\0b", 3), true},             // NUL is a unit like any other
      {__LINE__, "caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC", true},
      {__LINE__, "\xF0\x9F\x98\x80", u"\U0001F600", true},                     // a pair of surrogates
      {__LINE__, "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
      {__LINE__, "\xFF", u"\uFFFD", false},
      {__LINE__, "\xC3", u"\uFFFD", false},                                     // cut at the end
      {__LINE__, "\xE2\x82" "a", u"\uFFFD\uFFFD" "a", false},
      {__LINE__, "\xC0\x80", u"\uFFFD\uFFFD", false},                           // overlong NUL
      {__LINE__, "\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD", false},                 // overlong U+07FF
      {__LINE__, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},                 // an encoded surrogate
      {__LINE__, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},       // above U+10FFFF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(textOfUtf8(row.utf8), row.text);
    if (row.roundTrips) {
      EXPECT_EQ(toUtf8(row.text), row.utf8);
    }
  }
}

TEST(Utf8, EncodesLoneSurrogatesAsReplacement) {
  struct Row { int line; Text text; std::string utf8; };
  const Row rows[] = {
      {__LINE__, Text(1, char16_t(0xD800)) + u"a", "\xEF\xBF\xBD" "a"},     // high without its low
      {__LINE__, Text(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},                // low on its own
      {__LINE__, Text{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // pair reversed
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(toUtf8(row.text), row.utf8);
  }
}

TEST(AsciiUpper, RaisesOnlyAsciiLetters) {
  EXPECT_EQ(asciiUpper(u"{abcdef-z}09\u00E9\u0131"), u"{ABCDEF-Z}09\u00E9\u0131");
}

}  // namespace
}  // namespace kestor
