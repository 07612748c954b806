#include "bridge/origin.h"
#include "bridge/policy_entry.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

namespace kestor::bridge {
namespace {

// The cases the extension's background is held to as well: one rule on both sides.
TEST(Origin, ServesHttpsAndLoopbackHttpInSerializedForm) {
  std::ifstream file(KESTOR_ORIGIN_CASES);
  ASSERT_TRUE(file) << KESTOR_ORIGIN_CASES;
  const nlohmann::json cases = nlohmann::json::parse(file);
  ASSERT_FALSE(cases.empty());
  for (const nlohmann::json& row : cases) {
    const std::string origin = row.at("origin").get<std::string>();
    SCOPED_TRACE(testing::Message() << origin << " (" << row.at("why").get<std::string>() << ")");
    EXPECT_EQ(isServableOrigin(origin), row.at("allowed").get<bool>());
  }
}

TEST(Origin, PolicyEntriesAreNormalisedWhereUnambiguousAndDroppedOtherwise) {
  struct Row { int line; const char* entry; const char* origin; };  // "" when dropped
  const Row rows[] = {
      {__LINE__, "https://inv.example.com", "https://inv.example.com"},
      {__LINE__, "HTTPS://Inv.Example.COM:443/", "https://inv.example.com"},
      {__LINE__, "http://LOCALHOST:80", "http://localhost"},
      {__LINE__, "https://[::1]:8443/", "https://[::1]:8443"},
      {__LINE__, "https://inv.example.com//", ""},      // a path
      {__LINE__, "https://*.example.com", ""},          // a wildcard
      {__LINE__, "https://user@inv.example.com", ""},
      {__LINE__, "https://bücher.example", ""},         // not in its xn-- form
      {__LINE__, "inv.example.com", ""},                // no scheme
      {__LINE__, "http://inv.example.com", ""},         // plain http off the loopback
      {__LINE__, "https://inv.example.com:", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.entry);
    const PolicyEntry read = readPolicyEntry(row.entry);
    EXPECT_EQ(read.origin, row.origin);
    EXPECT_EQ(read.why == nullptr, read.origin == row.entry);  // a reason whenever not taken as written
  }
}

TEST(Origin, AllowListMatchesExactlyWhatItsEntriesAllow) {
  const AllowList list({"https://a.example.com", "https://B.example.com/", "http://intranet", "https://*.example.com"});
  EXPECT_TRUE(list.allows("https://a.example.com"));
  EXPECT_FALSE(list.allows("https://a.example.com:444"));
  EXPECT_FALSE(list.allows("https://sub.a.example.com"));
  EXPECT_TRUE(list.allows("https://b.example.com"));  // normalised
  EXPECT_FALSE(list.allows("http://intranet"));
  EXPECT_TRUE(AllowList({"", "x"}).empty());
}

}  // namespace
}  // namespace kestor::bridge
