#include "bridge/reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/framing.h"

namespace kestor::bridge {
namespace {

std::vector<std::string> messagesOf(const Json& id, const std::string& value) {
  std::vector<std::string> messages;
  sendValue([&](const std::string& message) { messages.push_back(message); }, id, value);
  return messages;
}

// Joins the pieces as the extension does, checking every message on the way.
std::string joined(const std::vector<std::string>& messages, const Json& id) {
  std::string value;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    EXPECT_LE(messages[i].size(), kMaxReplyBytes);
    const Json message = Json::parse(messages[i]);  // throws on ill-formed JSON or UTF-8
    EXPECT_EQ(message["id"], id);
    EXPECT_EQ(message["ok"], true);
    if (messages.size() > 1) {
      EXPECT_EQ(message["part"], i);
      EXPECT_EQ(message["parts"], messages.size());
    } else {
      EXPECT_FALSE(message.contains("part"));
    }
    value += message["value"].get<std::string>();
  }
  return value;
}

TEST(SendValue, SplitsOnlyWhatExceedsOneMessage) {
  const std::string euro = "\xE2\x82\xAC";  // 3 bytes; a cut inside it would be ill-formed
  const std::string emoji = "\xF0\x9F\x98\x80";
  // The plain message {"id":7,"ok":true,"value":"…"} has 29 bytes around the value.
  const std::size_t room = kMaxReplyBytes - 29;
  struct Row { int line; std::string value; std::size_t parts; };
  const Row rows[] = {
      {__LINE__, "", 1},
      {__LINE__, "[class=Win32_BIOS]\r\n\x1a\"\\\t\x01\x7f", 1},        // escapes of every kind
      {__LINE__, std::string(room, 'a'), 1},                                // exactly fills one message
      {__LINE__, std::string(room + 1, 'a'), 2},
      {__LINE__, std::string(room / 6 + 1, '\x01'), 2},                    // escaped six-fold: size counts escapes
      {__LINE__, std::string(room - 1, 'a') + euro, 2},                   // a code point is not cut
      {__LINE__, [&] { std::string s; while (s.size() < 3 * kMaxReplyBytes) s += emoji + "\r\n"; return s; }(), 5},
      {__LINE__, std::string(5 * kMaxReplyBytes, '"'), 11},               // each quote doubles
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    const std::vector<std::string> messages = messagesOf(7, row.value);
    EXPECT_EQ(messages.size(), row.parts);
    EXPECT_EQ(joined(messages, 7), row.value);
  }
}

TEST(SendValue, ReplacesBytesOutsideWellFormedUtf8) {
  const auto replaced = [](int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += "\xEF\xBF\xBD";  // U+FFFD
    return out;
  };
  struct Row { int line; std::string value; std::string expected; };
  const Row rows[] = {
      {__LINE__, "a\xFF" "b", "a" + replaced(1) + "b"},
      {__LINE__, "\xE2\x82", replaced(2)},          // cut sequence, byte by byte
      {__LINE__, "\xED\xA0\x80", replaced(3)},      // an encoded surrogate
      {__LINE__, "\xC0\xAF", replaced(2)},          // overlong "/"
      {__LINE__, "\xF4\x90\x80\x80", replaced(4)},  // above U+10FFFF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(joined(messagesOf("x", row.value), "x"), row.expected);
  }
}

}  // namespace
}  // namespace kestor::bridge
