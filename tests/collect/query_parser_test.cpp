#include "collect/query_parser.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/failure.h"
#include "support/failure_number.h"

namespace kestor {
namespace {

constexpr std::size_t kMaxPosition = 32767;

// n filler units, none of them a blank or part of a keyword.
Text filler(std::size_t n) { return Text(n, u'x'); }

TEST(ExtractClassName, TakesFromWin32PrefixUpToBlank) {
  struct Row { int line; Text query; Text expected; };
  const Row rows[] = {
      {__LINE__, u"SELECT * FROM Win32_BIOS", u"Win32_BIOS"},                    // class at the end
      {__LINE__, u"SELECT Name FROM Win32_Service WHERE State = 'Running'", u"Win32_Service"},
      {__LINE__, u"SELECT Name FROM win32_process", u"win32_process"},           // case kept as written
      {__LINE__, u"select name from WIN32_PROCESS", u"WIN32_PROCESS"},           // prefix found in any case
      {__LINE__, u"SELECT Name FROM CIM_Processor", u"SELECT"},                  // no prefix: up to first blank
      {__LINE__, u" Name FROM CIM_Processor", u""},                              // no prefix, leading blank
      {__LINE__, u"FROM Win32_BIOS", u"Win32_BIOS"},
      {__LINE__, u"", u""},
      {__LINE__, u"Win32_BIOS", u"Win32_BIOS"},                                  // no blank: to the end
      {__LINE__, u"SELECT Name FROM Win32_Process\r\n", u"Win32_Process\r\n"},   // only U+0020 ends it
      {__LINE__, u"SELECT a FROM Win32_X\tWHERE b", u"Win32_X\tWHERE"},
      {__LINE__, u"SELECT a FROM (Win32_X) WHERE", u"Win32_X)"},
      {__LINE__, u"SELECT Win32_Tag FROM Win32_X", u"Win32_Tag"},                // first prefix anywhere wins
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(extractClassName(row.query), row.expected);
  }
}

TEST(ExtractPropertyNames, SplitsHeadBeforeFrom) {
  struct Row { int line; Text query; std::vector<Text> expected; };
  const Row rows[] = {
      {__LINE__, u"SELECT Name, ProcessorId FROM Win32_Processor WHERE DeviceID = 'CPU0'",
       {u"Name", u"ProcessorId"}},
      {__LINE__, u"SELECT * FROM Win32_BIOS", {u"*"}},
      {__LINE__, u"SELECT Name , Caption FROM Win32_Process", {u"Name", u"Caption"}},
      {__LINE__, u"SELECT Name,,Caption, FROM Win32_Process", {u"Name", u"", u"Caption", u""}},
      {__LINE__, u"FROM Win32_BIOS", {}},                                        // empty head: no names
      {__LINE__, u"   FROM Win32_BIOS", {}},                                     // blanks only: no names
      {__LINE__, u"SELECT FromTime FROM Win32_X", {}},                           // "From" inside a name counts
      {__LINE__, u"SELECT a fRoM b FROM c", {u"a"}},                             // first FROM, any case
      {__LINE__, u"SELECT Name,\tCaption FROM Win32_Process", {u"Name", u"\tCaption"}},  // tab stays
      {__LINE__, u"SELECT a,\r\nb FROM Win32_X", {u"a", u"\r\nb"}},              // line break stays
      {__LINE__, u"select name from win32_x", {u"name"}},                        // keyword in lower case
      {__LINE__, u"SELECT SelectedName FROM Win32_X", {u"edName"}},              // every SELECT goes, any case
      {__LINE__, u"SELSELECTECT a FROM Win32_X", {u"SELECTa"}},                  // one pass, not repeated
      {__LINE__, u"SEL ECT a FROM Win32_X", {u"SELECTa"}},                       // SELECT removed before blanks
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(extractPropertyNames(row.query), row.expected);
  }
}

using test::failureNumber;

TEST(ExtractPropertyNames, FailsWithoutFromAndBeyondPositionLimit) {
  struct Row { int line; Text query; std::int32_t expected; };
  const Row rows[] = {
      {__LINE__, u"SELECT Name", error_number::kInvalidArgument},
      {__LINE__, u"", error_number::kInvalidArgument},
      {__LINE__, u"SELECT Name FRO Win32_X", error_number::kInvalidArgument},
      {__LINE__, filler(kMaxPosition + 10), error_number::kInvalidArgument},         // long, no FROM
      {__LINE__, filler(kMaxPosition - 1) + u"FROM X", 0},                           // FROM at 32,767
      {__LINE__, filler(kMaxPosition) + u"FROM X", error_number::kOverflow},         // FROM at 32,768
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(failureNumber([&] { extractPropertyNames(row.query); }), row.expected);
  }
}

TEST(ExtractClassName, OverflowsOnlyBeyondPositionLimit) {
  struct Row { int line; Text query; Text expected; std::int32_t failure; };
  const Text atLimit = filler(kMaxPosition - 1);  // what follows it stands at 32,767
  const Text pastLimit = filler(kMaxPosition);    // what follows it stands at 32,768
  const Row rows[] = {
      {__LINE__, atLimit + u"Win32_Y", u"Win32_Y", 0},                               // prefix at 32,767
      {__LINE__, pastLimit + u"Win32_Y", u"", error_number::kOverflow},              // prefix at 32,768
      {__LINE__, atLimit + u" tail", atLimit, 0},                                    // no prefix, blank at limit
      {__LINE__, pastLimit + u" tail", u"", error_number::kOverflow},                // no prefix, blank past it
      {__LINE__, u"Win32_" + filler(kMaxPosition - 7) + u" t", u"Win32_" + filler(kMaxPosition - 7), 0},  // blank at 32,767 of rest
      {__LINE__, u"Win32_" + filler(kMaxPosition - 6) + u" t", u"", error_number::kOverflow},  // blank at 32,768 of rest
      {__LINE__, pastLimit, pastLimit, 0},                                           // nothing found: no failure
      {__LINE__, u"a " + pastLimit + u" b", u"a", 0},                                // later blanks not searched
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    Text name;
    EXPECT_EQ(failureNumber([&] { name = extractClassName(row.query); }), row.failure);
    EXPECT_EQ(name, row.expected);
  }
}

}  // namespace
}  // namespace kestor
