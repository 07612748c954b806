// The object's members end to end over fake platform services.
#include "control/sys_kestor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/failure.h"
#include "common/utf8.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_wmi.h"

namespace kestor {
namespace {

using fakes::FakeFileSystem;

class SysKestorTest : public ::testing::Test, public fakes::FakePlatform {
 public:
  SysKestor kestor{platform()};

  std::string stored(const Text& fileId) {
    return files.contentOf(u"C:\\Temp\\" + fileId).value_or("<no file>");
  }

  // What GetData hands the page for fileId.
  Text getData(const Text& fileId) {
    fakes::TextReportSink report;
    kestor.getData(fileId, report);
    return report.text;
  }
};

// The class lines of a report, in order: which queries ran.
std::vector<std::string> classLines(const Text& report) {
  std::vector<std::string> lines;
  const std::string text = toUtf8(report);
  for (std::size_t at = text.find("[class="); at != std::string::npos; at = text.find("[class=", at + 1)) {
    lines.push_back(text.substr(at + 7, text.find("]\r\n", at) - at - 7));
  }
  return lines;
}

TEST_F(SysKestorTest, RunsEveryQueryFollowedByASeparator) {
  struct Row {
    int line;
    Text queryList;
    std::vector<std::string> classesRun;
  };
  const Row rows[] = {
      {__LINE__, u"", {}},                                                  // empty list runs nothing
      {__LINE__, u"SELECT a FROM Win32_A", {}},                             // no separator: nothing runs
      {__LINE__, u"SELECT a FROM Win32_A|", {"Win32_A"}},                  // one query
      {__LINE__, u"SELECT a FROM Win32_A|SELECT b FROM Win32_B", {"Win32_A"}},  // text after the last | never runs
      {__LINE__, u"SELECT a FROM Win32_A|SELECT b FROM Win32_B|", {"Win32_A", "Win32_B"}},
      {__LINE__, u"SELECT a FROM Win32_A||SELECT b FROM Win32_B|", {"Win32_A", "", "Win32_B"}},  // empty piece runs
      {__LINE__, u"|", {""}},                                               // a lone separator runs the empty query
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    fakes::FakeWmi localWmi;
    fakes::FakeFileSystem localFiles;
    SysKestor fresh{Platform{localWmi, clock, guids, temp, localFiles, ansi}};
    fresh.setWmiAttributesOfInterest(row.queryList);
    const Text fileId = fresh.setData();
    EXPECT_EQ(fileId.size(), 38u) << "a report is stored whatever ran";
    EXPECT_EQ(classLines(fresh.reportText().toText()), row.classesRun);
    EXPECT_EQ(localWmi.calls.bind, row.classesRun.size());
    EXPECT_EQ(localFiles.fileCount(), 1u);
    EXPECT_EQ(localFiles.contentOf(u"C:\\Temp\\" + fileId), toUtf8(fresh.reportText().toText()));
  }
}

TEST_F(SysKestorTest, QueryListCountsPiecesWithSixteenBitIndexes) {
  struct Row {
    int line;
    std::size_t pieces;
    bool stored;
  };
  const Row rows[] = {
      {__LINE__, 32768, true},   // highest index 32,767 still fits: 32,767 queries run
      {__LINE__, 32769, false},  // highest index 32,768 overflows before anything runs
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    fakes::FakeWmi localWmi;
    fakes::FakeFileSystem localFiles;
    SysKestor fresh{Platform{localWmi, clock, guids, temp, localFiles, ansi}};
    Text list;
    for (std::size_t i = 1; i < row.pieces; ++i) list += u"SELECT a FROM Win32_A|";
    fresh.setWmiAttributesOfInterest(list);
    const Text fileId = fresh.setData();
    EXPECT_EQ(!fileId.empty(), row.stored);
    EXPECT_EQ(localWmi.calls.execQuery, row.stored ? row.pieces - 1 : 0u);
    EXPECT_EQ(localFiles.fileCount(), row.stored ? 1u : 0u);
  }
}

TEST_F(SysKestorTest, EveryReportHoldsEverythingTheObjectCollected) {
  wmi.instances = {{{u"Name", WmiValue::ofText(u"one")}}};
  kestor.setWmiAttributesOfInterest(u"SELECT Name FROM Win32_A|");
  const Text first = kestor.setData();
  const std::string firstReport = "[class=Win32_A]\r\n[INSTANCE]\r\n[pname]=Name\r\n[pvalue]=one\r\n";
  EXPECT_EQ(stored(first), firstReport);

  kestor.setWmiAttributesOfInterest(u"SELECT Name FROM Win32_B|");
  const Text second = kestor.setData();
  EXPECT_NE(first, second);
  EXPECT_EQ(stored(second), firstReport + "[class=Win32_B]\r\n[INSTANCE]\r\n[pname]=Name\r\n[pvalue]=one\r\n");
  EXPECT_EQ(stored(first), firstReport) << "the first file is not touched";
}

TEST_F(SysKestorTest, AFailedRunStoresNothingAndLosesNothing) {
  struct Row {
    int line;
    const char* what;
    void (*breakIt)(SysKestorTest&);
  };
  const Row rows[] = {
      {__LINE__, "WMI cannot be reached",
       [](SysKestorTest& t) { t.wmi.bindThrows = fakes::failureOf(fakes::wbemCode(0x80041003u), u"Access denied"); }},
      {__LINE__, "the file cannot be created", [](SysKestorTest& t) { t.files.failNext(FakeFileSystem::Step::createNew); }},
      {__LINE__, "writing fails", [](SysKestorTest& t) { t.files.failNext(FakeFileSystem::Step::write); }},
      {__LINE__, "closing fails", [](SysKestorTest& t) { t.files.failNext(FakeFileSystem::Step::close); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SysKestorTest& t = *this;
    t.wmi = fakes::FakeWmi{};
    kestor.setWmiAttributesOfInterest(u"SELECT Name FROM Win32_A|");
    const Text before = kestor.reportText().toText();
    row.breakIt(t);
    const std::size_t filesBefore = files.files().size();
    EXPECT_EQ(kestor.setData(), u"");
    EXPECT_EQ(files.openCount(), 0) << "a failed write leaves no file open";
    EXPECT_TRUE(kestor.reportText().toText().compare(0, before.size(), before) == 0) << "nothing collected is dropped";

    // The next run stores everything, including what the failed run collected.
    t.wmi.bindThrows = nullptr;
    const Text collectedSoFar = kestor.reportText().toText();
    const Text fileId = kestor.setData();
    ASSERT_EQ(fileId.size(), 38u);
    EXPECT_EQ(stored(fileId), toUtf8(collectedSoFar + u"[class=Win32_A]\r\n"));
    EXPECT_LE(files.files().size(), filesBefore + 2);
  }
}

TEST_F(SysKestorTest, AnIdThatAlreadyNamesAFileIsNeverAppendedTo) {
  // No GUIDs: fallback ids, and two runs within the same second draw the same one.
  guids.queueStatus(-2147467259);
  guids.queueStatus(-2147467259);
  kestor.setWmiAttributesOfInterest(u"SELECT a FROM Win32_A|");
  const Text first = kestor.setData();
  EXPECT_EQ(first, u"53200750588");
  const std::string firstReport = stored(first);

  EXPECT_EQ(kestor.setData(), u"") << "a colliding id is a failed write";
  EXPECT_EQ(stored(first), firstReport) << "the first report is untouched";

  const Text third = kestor.setData();  // a fresh GUID again
  ASSERT_EQ(third.size(), 38u);
  EXPECT_EQ(stored(third), firstReport + "[class=Win32_A]\r\n[class=Win32_A]\r\n") << "nothing was lost";
}

TEST_F(SysKestorTest, GetDataReturnsTheStoredReportOrTheEmptyText) {
  files.putFile(u"C:\\Temp\\{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "[class=X]\r\n");
  files.putFile(u"C:\\Temp\\1120100", "");
  files.putFile(u"C:\\Temp\\secret.txt", "secret");
  struct Row {
    int line;
    Text fileId;
    Text expected;
    bool opensAFile;
  };
  const Row rows[] = {
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", u"[class=X]\r\n", true},
      {__LINE__, u"1120100", u"", true},                                        // empty file
      {__LINE__, u"{00000000-0000-0000-0000-000000000000}", u"", true},         // no such file
      {__LINE__, u"secret.txt", u"", false},                                    // not an id the component draws
      {__LINE__, u"..\\..\\Windows\\win.ini", u"", false},                      // path traversal
      {__LINE__, u"", u"", false},                                              // the directory itself
      {__LINE__, u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}", u"[class=X]\r\n", true},  // same file, any case
      {__LINE__, u"0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9", u"", false},           // no braces: refused still
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::size_t opensBefore = files.openedPaths().size();
    EXPECT_EQ(getData(row.fileId), row.expected);
    EXPECT_EQ(files.openedPaths().size() - opensBefore, row.opensAFile ? 1u : 0u);
    EXPECT_EQ(files.openCount(), 0);
  }
}

TEST_F(SysKestorTest, ReportsGoToTheTemporaryDirectoryOrToTheDriveRoot) {
  temp.path = std::nullopt;
  const Text fileId = kestor.setData();
  ASSERT_EQ(fileId.size(), 38u);
  EXPECT_TRUE(files.contentOf(u"c:\\" + fileId).has_value());
  EXPECT_EQ(getData(fileId), u"");  // the empty report reads back as the empty text
  EXPECT_EQ(files.openedPaths().back(), u"c:\\" + fileId);
}

TEST_F(SysKestorTest, SimpleMembers) {
  clock.dateText = u"5/11/2007";
  clock.timeText = u"7:10:02 PM";
  clock.clearCalls();
  EXPECT_EQ(kestor.dateTime(), u"5/11/20077:10:02 PM");
  EXPECT_EQ(clock.calls(), (std::vector<fakes::FakeClock::Call>{fakes::FakeClock::Call::regionalDateText,
                                                                  fakes::FakeClock::Call::regionalTimeText}));

  EXPECT_EQ(kestor.getTestData(), u"WMI simulation");
  kestor.setWmiAttributesOfInterest(u"first|");
  kestor.setWmiAttributesOfInterest(u"second|");
  EXPECT_EQ(kestor.queryList(), u"second|");
  kestor.setWmiAttributesOfInterest(u"");
  EXPECT_EQ(kestor.queryList(), u"");

  const Text a = kestor.generateIdentifier();
  const Text b = kestor.generateIdentifier();
  EXPECT_EQ(a.size(), 38u);
  EXPECT_NE(a, b);
  EXPECT_EQ(files.fileCount(), 0u) << "drawing an identifier writes nothing";
}

class FakePropertySource : public PropertySource {
 public:
  Text value;
  bool fails = false;
  Text askedFor;
  Text readText(const Text& key) override {
    askedFor = key;
    if (fails) throw Failure(-2147024809, u"The parameter is incorrect.");
    return value;
  }
};

TEST_F(SysKestorTest, LoadingReplacesTheListOrKeepsItOnFailure) {
  FakePropertySource bag;
  kestor.setWmiAttributesOfInterest(u"before|");
  bag.value = u"SELECT Name FROM Win32_BIOS|";
  kestor.loadProperties(bag);
  EXPECT_EQ(bag.askedFor, u"WMI_ATTRIBUTES_OF_INTEREST");
  EXPECT_EQ(kestor.queryList(), u"SELECT Name FROM Win32_BIOS|");

  bag.fails = true;
  try {
    kestor.loadProperties(bag);
    ADD_FAILURE() << "a failing read must reach the host";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), -2147024809);
  }
  EXPECT_EQ(kestor.queryList(), u"SELECT Name FROM Win32_BIOS|");

  bag.fails = false;
  bag.value = u"";
  kestor.loadProperties(bag);
  EXPECT_EQ(kestor.queryList(), u"");
}

}  // namespace
}  // namespace kestor
