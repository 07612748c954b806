#include "common/utf8.h"

#include <gtest/gtest.h>

namespace kestor {
namespace {

// Decoding replaces each byte outside a well-formed sequence; rows that name no bytes
// to decode check the encoder, which is checked on every row whose text round-trips.
TEST(Utf8, DecodesAndEncodes) {
  enum Way { kBoth, kDecode, kEncode };
  struct Row { int line; std::string utf8; Text text; Way way; };
  const Text lone[] = {Text(1, char16_t(0xD800)) + u"a", Text{char16_t(0xDC00), char16_t(0xD800)}};
  const Row rows[] = {
      {__LINE__, "", u"", kBoth},
      {__LINE__, "SELECT Name\r\n\x1a|", u"SELECT Name\r\n\x1a|", kBoth},
      {__LINE__, std::string("a\0b", 3), Text(u"a\0b", 3), kBoth},             // NUL is a unit like any other
      {__LINE__, "caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC", kBoth},
      {__LINE__, "\xF0\x9F\x98\x80", u"\U0001F600", kBoth},                     // a pair of surrogates
      {__LINE__, "\xF4\x8F\xBF\xBF", u"\U0010FFFF", kBoth},
      {__LINE__, "\xFF", u"\uFFFD", kDecode},
      {__LINE__, "\xC3", u"\uFFFD", kDecode},                                   // cut at the end
      {__LINE__, "\xE2\x82" "a", u"\uFFFD\uFFFD" "a", kDecode},
      {__LINE__, "\xC0\x80", u"\uFFFD\uFFFD", kDecode},                         // overlong NUL
      {__LINE__, "\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD", kDecode},               // overlong U+07FF
      {__LINE__, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", kDecode},               // an encoded surrogate
      {__LINE__, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", kDecode},     // above U+10FFFF
      {__LINE__, "\xEF\xBF\xBD" "a", lone[0], kEncode},                         // high surrogate alone
      {__LINE__, "\xEF\xBF\xBD\xEF\xBF\xBD", lone[1], kEncode},                 // a pair reversed
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    if (row.way != kEncode) {
      EXPECT_EQ(textOfUtf8(row.utf8), row.text);
    }
    if (row.way != kDecode) {
      EXPECT_EQ(toUtf8(row.text), row.utf8);
    }
  }
}

}  // namespace
}  // namespace kestor
