#include "bridge/origin.h"

#include <gtest/gtest.h>

namespace kestor::bridge {
namespace {

TEST(Origin, ServesHttpsAndLoopbackHttpInSerializedForm) {
  struct Row { int line; const char* origin; bool servable; };
  const Row rows[] = {
      {__LINE__, "https://inventory.example.com", true},
      {__LINE__, "https://inventory.example.com:8443", true},
      {__LINE__, "https://xn--bcher-kva.example", true},        // internationalized, as serialized
      {__LINE__, "https://[::1]:8443", true},
      {__LINE__, "https://10.0.0.5", true},
      {__LINE__, "http://127.0.0.1", true},
      {__LINE__, "http://127.0.0.1:8080", true},
      {__LINE__, "http://localhost:3000", true},
      {__LINE__, "http://inventory.example.com", false},        // plain http off the loopback
      {__LINE__, "http://127.0.0.2", false},
      {__LINE__, "http://localhost.example.com", false},
      {__LINE__, "http://[::1]", false},                        // loopback only by the two names
      {__LINE__, "https://Inventory.example.com", false},       // browsers serialize lower case
      {__LINE__, "HTTPS://inventory.example.com", false},
      {__LINE__, "https://inventory.example.com/", false},      // nothing after the host
      {__LINE__, "https://inventory.example.com/path", false},
      {__LINE__, "https://inventory.example.com:443", false},   // default port is left out
      {__LINE__, "http://localhost:80", false},
      {__LINE__, "https://inventory.example.com:", false},
      {__LINE__, "https://inventory.example.com:08443", false},
      {__LINE__, "https://inventory.example.com:65536", false},
      {__LINE__, "https://inventory.example.com:65535", true},
      {__LINE__, "https://user@inventory.example.com", false},
      {__LINE__, "https://inventory..example.com", false},
      {__LINE__, "https://.example.com", false},
      {__LINE__, "https://", false},
      {__LINE__, "https://*.example.com", false},               // no wildcards
      {__LINE__, "null", false},                                // opaque origin
      {__LINE__, "file://", false},
      {__LINE__, "chrome-extension://abcdefghijklmnop", false},
      {__LINE__, " https://inventory.example.com", false},
      {__LINE__, "https://inventory.example.com\n", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.origin);
    EXPECT_EQ(isServableOrigin(row.origin), row.servable);
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
