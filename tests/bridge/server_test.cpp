#include "bridge/server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_bridge_session.h"

namespace kestor::bridge {
namespace {

const std::string kPage = "https://inv.example.com";
const std::string kOther = "https://other.example.com";

class Host {
 public:
  Host() : server_(factory, AllowList({kPage, kOther}), "9.8.7") {}

  // The replies to one request text.
  std::vector<Json> replies(const std::string& text) {
    std::vector<Json> got;
    server_.serve(text, [&](const std::string& reply) { got.push_back(Json::parse(reply)); });
    return got;
  }
  Json reply(const Json& request) {
    std::vector<Json> got = replies(request.dump());
    EXPECT_EQ(got.size(), 1u) << request;
    return got.empty() ? Json() : got[0];
  }
  std::uint64_t open(const std::string& origin = kPage) {
    const Json opened = reply({{"id", 1}, {"origin", origin}, {"op", "open"}});
    EXPECT_EQ(opened["ok"], true) << opened;
    return opened.value("session", std::uint64_t{0});
  }
  Json call(std::uint64_t session, const char* member, const Json& args, const std::string& origin = kPage) {
    return reply({{"id", 2}, {"origin", origin}, {"op", "call"}, {"session", session}, {"member", member}, {"args", args}});
  }

  fakes::FakeBridgeFactory factory;

 private:
  Server server_;
};

std::string codeOf(const Json& reply) { return reply.value("error", Json::object()).value("code", ""); }

TEST(BridgeServer, RefusesMalformedRequests) {
  struct Row { int line; std::string text; const char* code; Json id; };
  const Row rows[] = {
      {__LINE__, "", error_code::kBadRequest, nullptr},                                                // empty message
      {__LINE__, "{\"id\":1,", error_code::kBadRequest, nullptr},                                      // cut JSON
      {__LINE__, "[1]", error_code::kBadRequest, nullptr},                                             // not an object
      {__LINE__, "{\"id\":1,\"op\":\"open\"}", error_code::kBadRequest, 1},                          // no origin
      {__LINE__, "{\"id\":1,\"origin\":7,\"op\":\"open\"}", error_code::kBadRequest, 1},             // origin not a text
      {__LINE__, "{\"origin\":\"" + kPage + "\",\"op\":\"open\"}", error_code::kBadRequest, nullptr},  // no id
      {__LINE__, "{\"id\":1.5,\"origin\":\"" + kPage + "\",\"op\":\"open\"}", error_code::kBadRequest, nullptr},
      {__LINE__, "{\"id\":\"" + std::string(65, 'x') + "\",\"origin\":\"" + kPage + "\",\"op\":\"open\"}",
       error_code::kBadRequest, nullptr},                                                              // id too long to echo
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"start\"}", error_code::kBadRequest, 1},
      {__LINE__, "{\"id\":\"a\",\"origin\":\"" + kPage + "\"}", error_code::kBadRequest, "a"},         // no op
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"close\"}", error_code::kBadRequest, 1},  // no session
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"close\",\"session\":\"1\"}", error_code::kBadRequest, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"close\",\"session\":-1}", error_code::kBadRequest, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"call\",\"session\":1,\"member\":\"Run\",\"args\":[]}",
       error_code::kBadRequest, 1},                                                                    // unknown member
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"call\",\"session\":1,\"member\":\"GetData\"}",
       error_code::kBadRequest, 1},                                                                    // no args
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"call\",\"session\":1,\"member\":\"GetData\",\"args\":[]}",
       error_code::kBadRequest, 1},                                                                    // too few args
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"call\",\"session\":1,\"member\":\"SetData\",\"args\":[\"a\",\"b\"]}",
       error_code::kBadRequest, 1},                                                                    // too many args
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"call\",\"session\":1,\"member\":\"GetData\",\"args\":[7]}",
       error_code::kBadRequest, 1},                                                                    // arg not a text
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"x\":[[[[1]]]]}", error_code::kBadRequest, nullptr},  // nested too deep
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"open\",\"x\":\"\\ud800\"}", error_code::kBadRequest, nullptr},  // lone surrogate
      {__LINE__, "{\"id\":1,\"origin\":\"https://evil.example.com\",\"op\":\"open\"}", error_code::kOriginRefused, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"https://evil.example.com\",\"op\":\"start\"}", error_code::kOriginRefused, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"http://inv.example.com\",\"op\":\"hello\"}", error_code::kOriginRefused, 1},  // not servable
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "/\",\"op\":\"open\"}", error_code::kOriginRefused, 1},  // not serialized
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"close\",\"session\":99}", error_code::kNoSession, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"inventory\",\"session\":1}", error_code::kBadRequest, 1},  // no queries
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"inventory\",\"session\":1,\"queries\":[]}", error_code::kBadRequest, 1},
      {__LINE__, "{\"id\":1,\"origin\":\"" + kPage + "\",\"op\":\"inventory\",\"session\":9,\"queries\":\"\"}", error_code::kNoSession, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    Host host;
    const std::vector<Json> got = host.replies(row.text);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["ok"], false);
    EXPECT_EQ(codeOf(got[0]), row.code);
    EXPECT_EQ(got[0]["id"], row.id);
    EXPECT_EQ(host.factory.opened, 0);
  }
}

TEST(BridgeServer, ServesMembersOfOneSession) {
  Host host;
  const std::uint64_t session = host.open();
  EXPECT_EQ(host.call(session, "GetTestData", Json::array()), Json({{"id", 2}, {"ok", true}, {"value", "WMI simulation"}}));
  EXPECT_EQ(host.call(session, "WMIAttributesOfInterest", {"A\r\n\x1a|"}), Json({{"id", 2}, {"ok", true}}));
  const Json drawn = host.call(session, "SetData", Json::array());
  EXPECT_EQ(drawn["value"], fakes::drawnId(1));
  EXPECT_EQ(host.call(session, "GetData", {"{abcdef00-0000-0000-0000-000000000001}"})["value"], "A\r\n\x1a|");  // ids ignore case
  // SetData with a list puts it first, and reports keep growing per run of the fake.
  EXPECT_EQ(host.call(session, "SetData", {"B|"})["value"], fakes::drawnId(2));
  EXPECT_EQ(host.call(session, "GetData", {fakes::drawnId(2)})["value"], "B|");
  EXPECT_EQ(host.call(session, "SetData", {""})["value"], "");  // a failed run
  EXPECT_EQ(host.reply({{"id", 4}, {"origin", kPage}, {"op", "inventory"}, {"session", session}, {"queries", "Q|"}}),
            Json({{"id", 4}, {"ok", true}, {"value", "{\"list\":\"Q|\"}"}}));
  EXPECT_EQ(host.reply({{"id", 3}, {"origin", kPage}, {"op", "close"}, {"session", session}}), Json({{"id", 3}, {"ok", true}}));
  EXPECT_EQ(codeOf(host.call(session, "GetTestData", Json::array())), error_code::kNoSession);  // closed
}

TEST(BridgeServer, SendsAReportAsItIsReadInAsFewPartsAsFit) {
  const auto times = [](const std::string& text, std::size_t count) {
    std::string out;
    while (count-- > 0) out += text;
    return out;
  };
  const std::string line = "[pvalue]=Caf\xC3\xA9 \"\x01\"\r\n";
  for (const std::string& report : {line, times(line, 60000),  // one message; lines packed into parts
                                    line + times("\xE2\x82\xAC\"", 250000) + "\n" + line,  // a line longer than a part
                                    times(std::string(9000, '\x01') + "\n", 60)}) {  // escaped six-fold
    Host host;
    const std::uint64_t session = host.open();
    const Json request = {{"id", 2}, {"origin", kPage}, {"op", "call"}, {"session", session}, {"member", "GetData"},
                          {"args", {host.call(session, "SetData", {report})["value"]}}};
    const std::vector<Json> got = host.replies(request.dump());
    std::string joined;
    std::size_t escaped = 0;
    for (std::size_t part = 0; part < got.size(); ++part) {
      EXPECT_EQ(got[part].value("part", part), part);
      EXPECT_EQ(got[part].value("parts", got.size()), got.size());
      joined += got[part]["value"].get<std::string>();
      escaped += got[part]["value"].dump().size();
      EXPECT_LE(got[part].dump().size(), kMaxReplyBytes);
    }
    EXPECT_EQ(joined, report);
    EXPECT_LE(got.size(), escaped / (kMaxReplyBytes - 64 * 1024) + 3);  // full but around a long line
  }
}

TEST(BridgeServer, SaysWhichHostItIsToAnyServableOrigin) {
  Host host;
  for (const std::string& origin : {kPage, std::string("https://unlisted.example.com")}) {
    EXPECT_EQ(host.reply({{"id", 4}, {"origin", origin}, {"op", "hello"}}),
              Json({{"id", 4}, {"ok", true}, {"protocol", 2}, {"host", "9.8.7"}}));
  }
  EXPECT_EQ(host.factory.opened, 0);
}

TEST(SessionTable, RemembersTheNewestDrawnIdsOfEachOrigin) {
  SessionTable table;
  const int newest = static_cast<int>(SessionTable::kDrawnPerOrigin) + 1;
  for (int run = 1; run <= newest; ++run) table.noteReport(kPage, fakes::drawnId(run));
  table.noteReport(kOther, fakes::drawnId(1));
  EXPECT_FALSE(table.drewReport(kPage, fakes::drawnId(1)));  // the oldest went
  EXPECT_TRUE(table.drewReport(kPage, fakes::drawnId(2)));
  EXPECT_TRUE(table.drewReport(kPage, fakes::drawnId(newest)));
  EXPECT_TRUE(table.drewReport(kOther, fakes::drawnId(1)));  // each origin has its own
}

TEST(BridgeServer, KeepsOriginsApart) {
  Host host;
  const std::uint64_t mine = host.open(kPage);
  const std::uint64_t theirs = host.open(kOther);
  ASSERT_NE(mine, theirs);
  const std::string id = host.call(theirs, "SetData", {"secret|"}, kOther)["value"];
  // Another origin's session is no session at all; its report is as if unknown.
  EXPECT_EQ(codeOf(host.call(theirs, "GetTestData", Json::array(), kPage)), error_code::kNoSession);
  EXPECT_EQ(codeOf(host.reply({{"id", 3}, {"origin", kPage}, {"op", "close"}, {"session", theirs}})), error_code::kNoSession);
  const int reads = host.factory.store.getDataCalls;
  EXPECT_EQ(host.call(mine, "GetData", {id})["value"], "");
  EXPECT_EQ(host.factory.store.getDataCalls, reads);  // not even asked
  // The origin's own report stays readable from its other sessions, also after closing.
  ASSERT_EQ(host.reply({{"id", 3}, {"origin", kOther}, {"op", "close"}, {"session", theirs}})["ok"], true);
  EXPECT_EQ(host.call(host.open(kOther), "GetData", {id}, kOther)["value"], "secret|");
}

TEST(BridgeServer, LimitsSessions) {
  Host host;
  std::vector<std::uint64_t> sessions;
  for (std::size_t i = 0; i < SessionTable::kMaxPerOrigin; ++i) sessions.push_back(host.open(kPage));
  EXPECT_EQ(codeOf(host.reply({{"id", 1}, {"origin", kPage}, {"op", "open"}})), error_code::kTooManySessions);
  host.open(kOther);  // the limit is per origin
  ASSERT_EQ(host.reply({{"id", 3}, {"origin", kPage}, {"op", "close"}, {"session", sessions[0]}})["ok"], true);
  host.open(kPage);  // closing makes room

  // 256 per host, over many origins: the allow-list of this host names them.
  std::vector<std::string> origins;
  for (int i = 0; i < 9; ++i) origins.push_back("https://o" + std::to_string(i) + ".example.com");
  fakes::FakeBridgeFactory factory;
  Server server(factory, AllowList(origins));
  int refused = 0;
  for (int i = 0; i < 9 * 32; ++i) {
    const Json request = {{"id", i}, {"origin", origins[static_cast<std::size_t>(i) / 32]}, {"op", "open"}};
    server.serve(request.dump(), [&](const std::string& reply) { refused += codeOf(Json::parse(reply)) == error_code::kTooManySessions; });
  }
  EXPECT_EQ(factory.opened, 256);
  EXPECT_EQ(refused, 9 * 32 - 256);
}

TEST(BridgeServer, ReportsMemberFailuresAsTheControlDoes) {
  Host host;
  const std::uint64_t session = host.open();
  host.call(session, "WMIAttributesOfInterest", {"fail"});
  const Json failed = host.call(session, "DateTime", Json::array());
  EXPECT_EQ(codeOf(failed), error_code::kFailed);
  EXPECT_EQ(failed["error"]["number"], -2146828283);  // 0x800A0005
  EXPECT_EQ(failed["error"]["description"], "Invalid procedure call or argument");
}

TEST(BridgeServer, RunsUntilInputEnds) {
  fakes::FakeBridgeFactory factory;
  Server server(factory, AllowList({kPage}));
  fakes::MemoryStreams io;
  const auto frame = [](const std::string& body) {
    const auto length = static_cast<std::uint32_t>(body.size());
    return std::string(reinterpret_cast<const char*>(&length), 4) + body;
  };
  // Requests it cannot read are answered in their turn too.
  io.in = frame(Json({{"id", 1}, {"origin", kPage}, {"op", "open"}}).dump()) + frame("not json") +
          frame("{\"id\":2,\"origin\":\"" + kPage + "\",\"op\":\"hello\",\"x\":\"\\ud800\"}") +
          frame(Json({{"id", 3}, {"origin", kPage}, {"op", "hello"}}).dump()) + "\x05\x00";
  server.run(io, io);  // returns at the cut frame
  std::vector<Json> replies;
  for (std::size_t at = 0; at + 4 <= io.out.size();) {
    std::uint32_t length;
    std::memcpy(&length, io.out.data() + at, 4);
    replies.push_back(Json::parse(io.out.substr(at + 4, length)));
    at += 4 + length;
  }
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[0]["session"], 1);
  EXPECT_EQ(codeOf(replies[1]), error_code::kBadRequest);
  EXPECT_EQ(codeOf(replies[2]), error_code::kBadRequest);
  EXPECT_EQ(replies[2]["id"], nullptr);
  EXPECT_EQ(replies[3]["id"], 3);
}

}  // namespace
}  // namespace kestor::bridge
