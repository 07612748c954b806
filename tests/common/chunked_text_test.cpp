#include "common/chunked_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestor {
namespace {

TEST(ChunkedText, HoldsExactlyWhatWasAppendedWithoutSplittingAPiece) {
  struct Row {
    int line;
    std::vector<Text> pieces;
  };
  const Text block(60 * 1024 - 1, u'a');  // one unit short of a block
  const Text pair = u"\xD83D\xDE00";  // one character outside the 16-bit range
  const Row rows[] = {
      {__LINE__, {}},                                  // nothing appended
      {__LINE__, {u"", u"x", u""}},                    // empty pieces add nothing
      {__LINE__, {block, pair}},                       // the pair would straddle the block end
      {__LINE__, {block + block + block, u"tail"}},    // a piece larger than a block
      {__LINE__, {u"[class=A]\r\n", block, block, u"[INSTANCE]\r\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ChunkedText text;
    Text expected;
    for (const Text& piece : row.pieces) {
      text.append(piece);
      expected += piece;
    }
    EXPECT_EQ(text.toText(), expected);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_EQ(text.empty(), expected.empty());
    for (TextView chunk : text.chunks()) {
      EXPECT_FALSE(chunk.empty());
      EXPECT_FALSE(chunk.back() >= 0xD800 && chunk.back() <= 0xDBFF) << "a block ends inside a pair";
    }
  }
}

TEST(ChunkedText, PiecesAppendedTogetherStayTogether) {
  ChunkedText text;
  text.append(Text(60 * 1024 - 4, u'a'));
  text.append(u"[pname]=", Text(u"Name"), TextView(u"\r\n"));  // does not fit in what is left
  ASSERT_EQ(text.chunks().size(), 2u);
  EXPECT_EQ(text.chunks()[1], u"[pname]=Name\r\n");
  EXPECT_EQ(text.size(), 60u * 1024 - 4 + 14);
}

TEST(ChunkedText, AppendingNeverMovesWhatIsAlreadyThere) {
  ChunkedText text;
  text.append(u"first line\r\n");
  const char16_t* firstBlock = text.chunks().front().data();
  for (int i = 0; i < 100000; ++i) text.append(u"[pname]=Name\r\n");
  EXPECT_EQ(text.chunks().front().data(), firstBlock);
  EXPECT_GT(text.chunks().size(), 1u);
}

}  // namespace
}  // namespace kestor
