#include "collect/query_runner.h"

#include <gtest/gtest.h>

#include <new>

#include "common/failure.h"
#include "fakes/fake_wmi.h"

namespace kestor {
namespace {

using fakes::failureOf;
using fakes::FakeWmi;
using fakes::kWbemInvalidClass;
using fakes::wbemCode;

const Text kOs = u"SELECT BuildNumber, CSDVersion FROM Win32_OperatingSystem";
const Text kNoSuchClass = u"SELECT Name FROM Win32_NoSuchClass";

TEST(RunQuery, WorkedExampleAndSecondQueryIntoSameReport) {
  FakeWmi wmi;
  wmi.instances = {{{u"BuildNumber", WmiValue::ofText(u"2600")}, {u"CSDVersion", WmiValue::null()}}};
  ChunkedText report;
  Text status;

  runQuery(wmi, kOs, report, status);
  EXPECT_EQ(report.toText(),
            u"[class=Win32_OperatingSystem]\r\n[INSTANCE]\r\n[pname]=BuildNumber\r\n[pvalue]=2600\r\n"
            u"[pname]=CSDVersion\r\n[pvalue]=Unknown\r\n");
  EXPECT_EQ(status, u"Error executing " + kOs);
  EXPECT_EQ(wmi.computer, u".");
  EXPECT_EQ(wmi.nameSpace, u"root\\CIMV2");
  EXPECT_EQ(wmi.query, kOs);
  EXPECT_EQ(wmi.language, u"WQL");
  EXPECT_EQ(wmi.flags, 48);

  wmi.execQueryThrows = failureOf(kWbemInvalidClass, u"Invalid class ");
  runQuery(wmi, kNoSuchClass, report, status);
  EXPECT_EQ(report.toText(),
            u"[class=Win32_OperatingSystem]\r\n[INSTANCE]\r\n[pname]=BuildNumber\r\n[pvalue]=2600\r\n"
            u"[pname]=CSDVersion\r\n[pvalue]=Unknown\r\n[class=Win32_NoSuchClass]\r\n"
            u"[ERROR]=Error executing SELECT Name FROM Win32_NoSuchClass:-2147217392:Invalid class \r\n");
  EXPECT_EQ(status, u"Error executing " + kNoSuchClass);
  EXPECT_EQ(wmi.calls.bind, 2u);  // every run binds afresh
}

TEST(RunQuery, BindFailurePassesToCallerAndAppendsNothing) {
  FakeWmi wmi;
  wmi.bindThrows = failureOf(wbemCode(0x80041003u), u"Access denied ");
  ChunkedText report{u"earlier\r\n"};
  Text status = u"before";
  try {
    runQuery(wmi, kOs, report, status);
    ADD_FAILURE() << "bind failure was swallowed";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), wbemCode(0x80041003u));
    EXPECT_EQ(failure.description(), u"Access denied ");
  }
  EXPECT_EQ(report.toText(), u"earlier\r\n");
  EXPECT_EQ(status, u"before");
  EXPECT_EQ(wmi.calls.execQuery, 0u);
}

// Fails fetch number `call` with WMI's invalid-class failure.
void failFetch(FakeWmi& wmi, std::size_t call) {
  wmi.failingFetch = call;
  wmi.fetchThrows = failureOf(kWbemInvalidClass, u"Invalid class ");
}

std::exception_ptr outOfMemory() { return std::make_exception_ptr(std::bad_alloc()); }

TEST(RunQuery, HandlesFailuresByRunState) {
  const Text longX(32767, u'x');
  const Text classOverflow = u"SELECT a FROM " + longX + u"Win32_X";
  const Text namesOverflow = u"SELECT Win32_X " + longX + u" FROM";
  struct Row { int line; Text query; void (*script)(FakeWmi&); Text expected; };
  const Row rows[] = {
      // --- reporting: the failure becomes the section's last line ---
      {__LINE__, kNoSuchClass, [](FakeWmi& w) { w.instances = {{}}; failFetch(w, 1); },  // late query failure
       u"[class=Win32_NoSuchClass]\r\n"
       u"[ERROR]=Error executing SELECT Name FROM Win32_NoSuchClass:-2147217392:Invalid class \r\n"},
      {__LINE__, u"SELECT Name Win32_X", [](FakeWmi& w) { w.instances = {{}}; },         // no FROM: run ends
       u"[class=Win32_X]\r\n[ERROR]=Error executing SELECT Name Win32_X:5:Invalid procedure call or argument\r\n"},
      {__LINE__, u"SELECT Name", [](FakeWmi&) {},                                          // no FROM, no prefix
       u"[class=SELECT]\r\n[ERROR]=Error executing SELECT Name:5:Invalid procedure call or argument\r\n"},
      {__LINE__, u"", [](FakeWmi&) {},                                                     // empty query
       u"[class=]\r\n[ERROR]=Error executing :5:Invalid procedure call or argument\r\n"},
      {__LINE__, classOverflow, [](FakeWmi&) {},                                           // before class line
       u"[ERROR]=Error executing " + classOverflow + u":6:Overflow\r\n"},
      {__LINE__, namesOverflow, [](FakeWmi&) {},
       u"[class=Win32_X]\r\n[ERROR]=Error executing " + namesOverflow + u":6:Overflow\r\n"},
      {__LINE__, u"SELECT a FROM Win32_X",                                                 // description verbatim
       [](FakeWmi& w) { w.execQueryThrows = failureOf(-1, u"two\r\nlines"); },
       u"[class=Win32_X]\r\n[ERROR]=Error executing SELECT a FROM Win32_X:-1:two\r\nlines\r\n"},
      {__LINE__, u"SELECT a FROM Win32_X", [](FakeWmi&) {}, u"[class=Win32_X]\r\n"},   // no instance
      {__LINE__, u"SELECT A FROM Win32_X", [](FakeWmi& w) { w.execQueryThrows = outOfMemory(); },  // memory too
       u"[class=Win32_X]\r\n[ERROR]=Error executing SELECT A FROM Win32_X:7:Out of memory\r\n"},
      {__LINE__, u"SELECT A FROM Win32_X",
       [](FakeWmi& w) { w.instances = {{}}; w.failingFetch = 1; w.fetchThrows = outOfMemory(); },
       u"[class=Win32_X]\r\n[ERROR]=Error executing SELECT A FROM Win32_X:7:Out of memory\r\n"},
      // --- skipping: no error line once the first instance is in ---
      {__LINE__, u"SELECT A FROM Win32_X",
       [](FakeWmi& w) { w.instances = {{{u"A", WmiValue::ofText(u"1")}}}; w.instanceCount = 3; failFetch(w, 2); },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n"},
      {__LINE__, u"SELECT FromTime FROM Win32_X", [](FakeWmi& w) { w.instances = {{}, {}}; },  // no names
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[INSTANCE]\r\n"},
      {__LINE__, u"SELECT * FROM Win32_BIOS", [](FakeWmi& w) { w.instances = {{{u"Name", WmiValue::ofText(u"b")}}}; },
       u"[class=Win32_BIOS]\r\n[INSTANCE]\r\n[pname]=*\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT Bad, A FROM Win32_X",                                           // flag sticks to instance
       [](FakeWmi& w) { w.instances = {{{u"A", WmiValue::ofText(u"a")}}}; },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=Bad\r\n[pvalue]=Unknown\r\n[pname]=A\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT A, Bad FROM Win32_X",
       [](FakeWmi& w) { w.instances = {{{u"A", WmiValue::ofText(u"a")}}}; },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=a\r\n[pname]=Bad\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT A, B FROM Win32_X",                                             // next instance clean
       [](FakeWmi& w) {
         w.instances = {{{u"A", WmiValue::array()}, {u"B", WmiValue::ofText(u"b")}},
                        {{u"A", WmiValue::ofText(u"a2")}, {u"B", WmiValue::ofText(u"b2")}}};
       },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=Unknown\r\n[pname]=B\r\n[pvalue]=Unknown\r\n"
       u"[INSTANCE]\r\n[pname]=A\r\n[pvalue]=a2\r\n[pname]=B\r\n[pvalue]=b2\r\n"},
      {__LINE__, u"SELECT A, B FROM Win32_X",                                             // object like array
       [](FakeWmi& w) { w.instances = {{{u"A", WmiValue::object()}, {u"B", WmiValue::ofInteger(7)}}}; },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=Unknown\r\n[pname]=B\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT A, B FROM Win32_X",                                             // null: that name only
       [](FakeWmi& w) { w.instances = {{{u"A", WmiValue::null()}, {u"B", WmiValue::ofInteger(-7)}}}; },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=Unknown\r\n[pname]=B\r\n[pvalue]=-7\r\n"},
      {__LINE__, u"SELECT A, B, C FROM Win32_X",                                          // read fails mid-list
       [](FakeWmi& w) {
         w.instances = {{{u"A", WmiValue::ofBoolean(true)}, {u"B", WmiValue::ofText(u"b")}, {u"C", WmiValue::ofText(u"c")}}};
         w.readThrows.emplace(u"B", failureOf(wbemCode(0x80041003u), u"Access denied "));
       },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=True\r\n[pname]=B\r\n[pvalue]=Unknown\r\n"
       u"[pname]=C\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT A, B FROM Win32_X",                                             // memory like any read
       [](FakeWmi& w) {
         w.instances = {{{u"A", WmiValue::ofText(u"a")}, {u"B", WmiValue::ofText(u"b")}}};
         w.instanceCount = 2;
         w.readThrows.emplace(u"A", outOfMemory());
       },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=Unknown\r\n[pname]=B\r\n[pvalue]=Unknown\r\n"
       u"[INSTANCE]\r\n[pname]=A\r\n[pvalue]=Unknown\r\n[pname]=B\r\n[pvalue]=Unknown\r\n"},
      {__LINE__, u"SELECT A FROM Win32_X",
       [](FakeWmi& w) {
         w.instances = {{{u"A", WmiValue::ofText(u"a")}}}; w.instanceCount = 3; w.failingFetch = 2; w.fetchThrows = outOfMemory();
       },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=a\r\n"},
      {__LINE__, u"SELECT name FROM Win32_X",                                             // name as the query has it
       [](FakeWmi& w) { w.instances = {{{u"Name", WmiValue::ofText(u"[INSTANCE]\r\n")}}}; },
       u"[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=name\r\n[pvalue]=[INSTANCE]\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    FakeWmi wmi;
    row.script(wmi);
    ChunkedText report{u"earlier\r\n"};
    Text status;
    EXPECT_NO_THROW(runQuery(wmi, row.query, report, status));
    EXPECT_EQ(report.toText(), u"earlier\r\n" + row.expected);
    EXPECT_EQ(status, u"Error executing " + row.query);
  }
}

TEST(RunQuery, WalksManyInstancesFromOnePrototype) {
  constexpr std::size_t kInstances = 100000;
  FakeWmi wmi;
  wmi.instances = {{{u"A", WmiValue::ofInteger(1)}}};
  wmi.instanceCount = kInstances;
  ChunkedText report;
  Text status;
  runQuery(wmi, u"SELECT A FROM Win32_X", report, status);
  const Text perInstance = u"[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n";
  EXPECT_EQ(report.size(), Text(u"[class=Win32_X]\r\n").size() + kInstances * perInstance.size());
  EXPECT_EQ(report.toText().substr(report.size() - perInstance.size()), perInstance);
  EXPECT_EQ(wmi.calls.fetch, kInstances + 1);  // walked to the end of the set
}

}  // namespace
}  // namespace kestor
