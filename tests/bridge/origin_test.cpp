#include "bridge/origin.h"

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

TEST(Origin, AllowListMatchesExactlyAndDropsWhatCanNeverMatch) {
  const AllowList list({"https://a.example.com", "https://B.example.com", "http://intranet", "https://c.example.com/"});
  EXPECT_TRUE(list.allows("https://a.example.com"));
  EXPECT_FALSE(list.allows("https://a.example.com:444"));
  EXPECT_FALSE(list.allows("https://sub.a.example.com"));
  EXPECT_FALSE(list.allows("https://B.example.com"));  // dropped: not a serialized origin
  EXPECT_FALSE(list.allows("http://intranet"));
  EXPECT_FALSE(list.allows("https://c.example.com/"));
  EXPECT_TRUE(AllowList({"", "x"}).empty());
}

}  // namespace
}  // namespace kestor::bridge
