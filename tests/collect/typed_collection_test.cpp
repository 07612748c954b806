#include "collect/typed_collection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fakes/fake_wmi.h"
#include "inventory/inventory_json.h"

namespace kestor {
namespace {

using fakes::failureOf;
using fakes::FakeWmi;
using fakes::kWbemInvalidClass;
using fakes::kWbemNotFound;
using fakes::Properties;

constexpr std::int64_t kExact = (std::int64_t{1} << 53) - 1;
const WmiValue kClassX = WmiValue::ofText(u"Win32_X");

struct Row {
  int line;
  std::vector<Properties> instances;
  const char16_t* failingRead;  // a property whose every read fails; nullptr: none
  std::size_t failingFetch;     // 1-based fetch that fails; 0: none
  bool bindFails;
  const char16_t* queries;
  const char* json;
};

const Row kRows[] = {
    // Each kind of scalar value; a null; an absolute date-time, an interval and a
    // wildcard date-time (the last two kept as WMI wrote them).
    {__LINE__,
     {{{u"__CLASS", kClassX}, {u"S", WmiValue::ofText(u"eth0")}, {u"I", WmiValue::ofInteger(-7)},
       {u"B", WmiValue::ofBoolean(true)}, {u"R", WmiValue::ofReal(0.5)}, {u"N", WmiValue::null()},
       {u"D", WmiValue::ofDateTime(u"20261209212617.000000-300")},
       {u"V", WmiValue::ofDateTime(u"00000001020304.000000:000")},
       {u"W", WmiValue::ofDateTime(u"2026****212617.******+***")}}},
     nullptr, 0, false, u"SELECT S, I, B, R, N, D, V, W FROM Win32_X|",
     R"({"sections":[{"query":"SELECT S, I, B, R, N, D, V, W FROM Win32_X","class":"Win32_X",)"
     R"("properties":["S","I","B","R","N","D","V","W"],"instances":[{"S":"eth0","I":-7,"B":true,"R":0.5,"N":null,)"
     R"("D":"2026-12-09T21:26:17.000000-05:00","V":"00000001020304.000000:000","W":"2026****212617.******+***"}],)"
     R"("warnings":[],"error":null}]})"},
    // Integers: numbers up to +-(2^53 - 1), text beyond, either way.
    {__LINE__,
     {{{u"A", WmiValue::ofInteger(kExact)}, {u"B", WmiValue::ofInteger(-kExact)},
       {u"C", WmiValue::ofInteger(kExact + 1)}, {u"D", WmiValue::ofInteger(INT64_MIN)}}},
     nullptr, 0, false, u"SELECT A,B,C,D FROM CIM_Y|",
     R"({"sections":[{"query":"SELECT A,B,C,D FROM CIM_Y","class":"CIM_Y","properties":["A","B","C","D"],)"
     R"("instances":[{"A":9007199254740991,"B":-9007199254740991,"C":"9007199254740992","D":"-9223372036854775808"}],)"
     R"("warnings":[],"error":null}]})"},
    // An array, an empty array and an embedded object holding an array.
    {__LINE__,
     {{{u"IP", WmiValue::array({WmiValue::ofText(u"10.0.2.15"), WmiValue::ofText(u"fe80::1")})},
       {u"E", WmiValue::array()},
       {u"O", WmiValue::object({{u"Id", WmiValue::ofInteger(1)}, {u"L", WmiValue::array({WmiValue::ofBoolean(false)})}})}}},
     nullptr, 0, false, u"SELECT IP, E, O FROM Win32_Z|",
     R"({"sections":[{"query":"SELECT IP, E, O FROM Win32_Z","class":"Win32_Z","properties":["IP","E","O"],)"
     R"("instances":[{"IP":["10.0.2.15","fe80::1"],"E":[],"O":{"Id":1,"L":[false]}}],"warnings":[],"error":null}]})"},
    // SELECT *: every non-system property, WMI's spelling, in first-seen order over the
    // instances; each instance has its own.
    {__LINE__,
     {{{u"__CLASS", kClassX}, {u"Name", WmiValue::ofText(u"a")}}, {{u"Name", WmiValue::ofText(u"b")}, {u"Id", WmiValue::ofInteger(2)}}},
     nullptr, 0, false, u"select * from win32_x|",
     R"({"sections":[{"query":"select * from win32_x","class":"Win32_X","properties":["Name","Id"],)"
     R"("instances":[{"Name":"a"},{"Id":2,"Name":"b"}],"warnings":[],"error":null}]})"},
    // A property that cannot be read: null on every instance, one warning; the others
    // are read. A name repeated in another case is listed once.
    {__LINE__,
     {{{u"Name", WmiValue::ofText(u"a")}, {u"Bad", WmiValue::ofText(u"x")}}, {{u"Name", WmiValue::ofText(u"b")}}},
     u"Bad", 0, false, u"SELECT Bad, Name, name FROM Win32_X|",
     R"({"sections":[{"query":"SELECT Bad, Name, name FROM Win32_X","class":"Win32_X","properties":["Bad","Name"],)"
     R"("instances":[{"Bad":null,"Name":"a"},{"Bad":null,"Name":"b"}],)"
     R"("warnings":[{"property":"Bad","number":-2147217406,"description":"Not found"}],"error":null}]})"},
    // A query that fails on its second fetch keeps the first instance; the next query
    // still runs; the text after the last "|" does not.
    {__LINE__,
     {{{u"Name", WmiValue::ofText(u"a")}}},
     nullptr, 2, false, u"SELECT Name FROM Win32_X|SELECT Name FROM Win32_Y|SELECT Name FROM Win32_W",
     R"({"sections":[{"query":"SELECT Name FROM Win32_X","class":"Win32_X","properties":["Name"],)"
     R"("instances":[{"Name":"a"}],"warnings":[],"error":{"number":-2147217392,"description":"Invalid class"}},)"
     R"({"query":"SELECT Name FROM Win32_Y","class":"Win32_Y","properties":["Name"],"instances":[{"Name":"a"}],)"
     R"("warnings":[],"error":null}]})"},
    // WMI out of reach: every query says so. A lone surrogate in a text becomes U+FFFD.
    {__LINE__, {}, nullptr, 0, true, u"SELECT N FROM Win32_\xD800|",
     R"({"sections":[{"query":"SELECT N FROM Win32_)" "\xEF\xBF\xBD" R"(","class":"Win32_)" "\xEF\xBF\xBD"
     R"(","properties":[],"instances":[],"warnings":[],"error":{"number":-2147217405,"description":"Access denied"}}]})"},
    // No query at all.
    {__LINE__, {}, nullptr, 0, true, u"", R"({"sections":[]})"},
};

TEST(TypedCollection, SectionsAsJson) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.line);
    FakeWmi wmi;
    wmi.instances = row.instances;
    if (row.failingRead) wmi.readThrows[row.failingRead] = failureOf(kWbemNotFound, u"Not found");
    wmi.failingFetch = row.failingFetch;
    wmi.fetchThrows = failureOf(kWbemInvalidClass, u"Invalid class");
    if (row.bindFails) wmi.bindThrows = failureOf(fakes::wbemCode(0x80041003u), u"Access denied");
    EXPECT_EQ(inventoryJson(collectTyped(wmi, row.queries)), row.json);
    EXPECT_LE(wmi.calls.bind, 1u);  // one bind for the whole list
  }
}

}  // namespace
}  // namespace kestor
