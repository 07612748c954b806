#include "bridge/origin.h"
#include "bridge/policy_entry.h"

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
