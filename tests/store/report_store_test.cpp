#include "store/report_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.h"
#include "fakes/fake_store_ports.h"
#include "support/failure_number.h"

namespace kestor {
namespace {

using fakes::FakeAnsiCodec;
using fakes::FakeFileSystem;
using fakes::FakeTempDirectory;
using fakes::TextReportSink;
using Step = FakeFileSystem::Step;

const Text kGuidId = u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
const Text kOtherGuidId = u"{FFFFFFFF-0000-1111-2222-333344445555}";
const Text kDigitId = u"53200750588";

using test::failureNumber;

// What a read of fileId hands its caller.
Text readBack(const ReportStore& store, const Text& fileId) {
  TextReportSink report;
  store.readDataFile(fileId, report);
  return report.text;
}

class ReportStoreTest : public ::testing::Test {
 protected:
  // Hands out the queued ids in order.
  ReportStore makeStore() {
    return ReportStore({tempDirectory, files, ansi}, [this] {
      ++draws;
      const Text id = ids.at(nextId % ids.size());
      ++nextId;
      return id;
    });
  }

  FakeTempDirectory tempDirectory;
  FakeFileSystem files;
  FakeAnsiCodec ansi;
  std::vector<Text> ids{kGuidId, kOtherGuidId, kDigitId};
  std::size_t nextId = 0;
  int draws = 0;
};

TEST_F(ReportStoreTest, BuildFilePathJoinsDirectoryAndId) {
  struct Row {
    int line;
    std::optional<std::string> directory;
    Text id;
    Text expected;
  };
  const Row rows[] = {
      {__LINE__, std::string("C:\\Temp\\"), kGuidId, u"C:\\Temp\\" + kGuidId},    // usual case
      {__LINE__, std::string("C:\\Temp\\"), kDigitId, u"C:\\Temp\\" + kDigitId},  // digit form
      {__LINE__, std::nullopt, kGuidId, u"c:\\" + kGuidId},                      // lookup failed
      {__LINE__, std::string("C:\\Temp\\\0junk", 13), kGuidId, u"C:\\Temp\\" + kGuidId},  // NUL ends it
      {__LINE__, std::string("\0C:\\Temp\\", 9), kDigitId, kDigitId},  // NUL first: empty directory
      {__LINE__, std::string("C:\\Temp"), kDigitId, u"C:\\Temp" + kDigitId},  // nothing inserted
      {__LINE__, std::string("C:\\Caf\xE9\\"), kDigitId, u"C:\\Caf\u00E9\\" + kDigitId},  // ANSI converted
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    tempDirectory.path = row.directory;
    EXPECT_EQ(makeStore().buildFilePath(row.id), row.expected);
  }
}

TEST_F(ReportStoreTest, BuildFilePathRefusesIllFormedIds) {
  struct Row {
    int line;
    Text id;
  };
  const Row rows[] = {
      {__LINE__, u""},                   // would name the directory itself
      {__LINE__, u"..\\..\\x"},          // traversal
      {__LINE__, u"C:\\Windows\\x"},     // absolute
      {__LINE__, u"NUL"},                // device
      {__LINE__, Text(u"1120100\0", 8)}, // NUL would cut the path short
  };
  const ReportStore store = makeStore();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(failureNumber([&] { store.buildFilePath(row.id); }), error_number::kInvalidArgument);
  }
}

TEST_F(ReportStoreTest, WrittenReportReadsBackUnchangedOrAsTheCodePageHoldsIt) {
  struct Row {
    int line;
    Text report;
    std::string fileBytes;
    Text readBack;
  };
  const Row rows[] = {
      {__LINE__, u"", "", u""},  // an empty report still makes a file
      {__LINE__, u"[class=Win32_BIOS]\r\n", "[class=Win32_BIOS]\r\n", u"[class=Win32_BIOS]\r\n"},  // no line break added
      {__LINE__, u"a\r\nb", "a\r\nb", u"a\r\nb"},                       // no final line break: none added
      {__LINE__, u"caf\u00E9 \u00FF", "caf\xE9 \xFF", u"caf\u00E9 \u00FF"},  // code-page characters survive
      {__LINE__, u"a\u20ACb\u0100", "a?b?", u"a?b?"},                  // unrepresentable become '?'
      {__LINE__, u"x\U0001F600y", "x??y", u"x??y"},                    // each surrogate unit too
      {__LINE__, Text(u"a\0b", 3), std::string("a\0b", 3), Text(u"a\0b", 3)},  // NUL inside is kept
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeFileSystem fresh;
    const ReportStore store({tempDirectory, fresh, ansi}, [] { return kGuidId; });

    EXPECT_EQ(store.writeDataFile(ChunkedText(row.report)), kGuidId);
    EXPECT_EQ(fresh.contentOf(u"C:\\Temp\\" + kGuidId), row.fileBytes);
    EXPECT_EQ(readBack(store, kGuidId), row.readBack);
    EXPECT_EQ(fresh.openCount(), 0);
  }
}

TEST_F(ReportStoreTest, EachWriteDrawsItsOwnIdAndFile) {
  const ReportStore store = makeStore();
  EXPECT_EQ(store.writeDataFile(ChunkedText(u"first")), kGuidId);
  EXPECT_EQ(store.writeDataFile(ChunkedText(u"second")), kOtherGuidId);
  EXPECT_EQ(draws, 2);
  EXPECT_EQ(files.fileCount(), 2u);
  EXPECT_EQ(readBack(store, kGuidId), u"first");
  EXPECT_EQ(readBack(store, kOtherGuidId), u"second");
}

TEST_F(ReportStoreTest, DirectoryIsLookedUpForEveryFile) {
  const ReportStore store = makeStore();
  store.writeDataFile(ChunkedText(u"first"));
  tempDirectory.path = std::nullopt;
  store.writeDataFile(ChunkedText(u"second"));
  EXPECT_EQ(files.contentOf(u"C:\\Temp\\" + kGuidId), std::string("first"));
  EXPECT_EQ(files.contentOf(u"c:\\" + kOtherGuidId), std::string("second"));
  EXPECT_EQ(readBack(store, kOtherGuidId), u"second");
}

TEST_F(ReportStoreTest, EqualDrawnIdsFailTheSecondWriteAndKeepTheFirstReport) {
  ids = {kDigitId};  // two fallback ids within one second
  const ReportStore store = makeStore();
  ASSERT_EQ(store.writeDataFile(ChunkedText(u"first")), kDigitId);

  EXPECT_EQ(failureNumber([&] { store.writeDataFile(ChunkedText(u"second")); }),
            error_number::kFileAlreadyExists);
  EXPECT_EQ(files.contentOf(u"C:\\Temp\\" + kDigitId), std::string("first"));
  EXPECT_EQ(readBack(store, kDigitId), u"first");
  EXPECT_EQ(files.openCount(), 0);
}

TEST_F(ReportStoreTest, IllFormedDrawnIdFailsTheWriteAndOpensNothing) {
  ids = {u"..\\..\\x"};
  EXPECT_EQ(failureNumber([&] { makeStore().writeDataFile(ChunkedText(u"report")); }),
            error_number::kInvalidArgument);
  EXPECT_TRUE(files.openedPaths().empty());
}

TEST_F(ReportStoreTest, WriteFailurePassesUpClosesTheFileAndTheNextWriteWorks) {
  struct Row {
    int line;
    std::vector<Step> failing;
    bool fileLeftBehind;
  };
  const Row rows[] = {
      {__LINE__, {Step::createNew}, false},              // directory missing or not writable
      {__LINE__, {Step::write}, false},                  // disk full after creating: file removed
      {__LINE__, {Step::close}, false},                  // flush fails on closing: file removed
      {__LINE__, {Step::write, Step::discard}, true},    // removal refused: the write's failure all the same
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeFileSystem fresh;
    std::vector<Text> drawn = {kGuidId, kOtherGuidId};
    std::size_t next = 0;
    const ReportStore store({tempDirectory, fresh, ansi}, [&] { return drawn.at(next++); });
    for (Step step : row.failing) fresh.failNext(step, Failure(61, u"Disk full"));

    EXPECT_EQ(failureNumber([&] { store.writeDataFile(ChunkedText(u"lost")); }), 61);
    EXPECT_EQ(fresh.openCount(), 0);
    EXPECT_EQ(fresh.contentOf(u"C:\\Temp\\" + kGuidId).has_value(), row.fileLeftBehind);

    EXPECT_EQ(store.writeDataFile(ChunkedText(u"kept")), kOtherGuidId);
    EXPECT_EQ(readBack(store, kOtherGuidId), u"kept");
    EXPECT_EQ(fresh.openCount(), 0);
  }
}

TEST_F(ReportStoreTest, ReadOfAMissingFileIsEmptyAndRaisesNothing) {
  const ReportStore store = makeStore();
  Text result = u"unset";
  EXPECT_NO_THROW(result = readBack(store, kGuidId));
  EXPECT_EQ(result, u"");
  EXPECT_EQ(files.openedPaths(), std::vector<Text>{u"C:\\Temp\\" + kGuidId});
  EXPECT_EQ(files.openCount(), 0);
}

TEST_F(ReportStoreTest, ReadOfAnIllFormedIdIsEmptyAndOpensNothing) {
  struct Row {
    int line;
    Text id;
    Text planted;  // a file that the id would reach if it were used as given
  };
  const Row rows[] = {
      {__LINE__, u"..\\secret", u"C:\\Temp\\..\\secret"},              // traversal
      {__LINE__, u"x", u"C:\\Temp\\x"},                                 // any other name in temp
      {__LINE__, u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8g9}",
       u"C:\\Temp\\{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8g9}"},            // lower case, but no hex digit
      {__LINE__, u"", u"C:\\Temp\\"},                                   // the directory itself
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeFileSystem fresh;
    fresh.putFile(row.planted, "secret");
    const ReportStore store({tempDirectory, fresh, ansi}, [] { return kGuidId; });

    EXPECT_EQ(readBack(store, row.id), u"");
    EXPECT_EQ(store.openDataFile(row.id), nullptr);
    EXPECT_TRUE(fresh.openedPaths().empty());
  }
}

TEST_F(ReportStoreTest, ReadFailureGivesEmptyTextClosesTheFileAndTheNextReadWorks) {
  struct Row {
    int line;
    Step step;
    std::int32_t number;
    Text expected;
  };
  const Row rows[] = {
      {__LINE__, Step::openForInput, 53, u""},  // not found
      {__LINE__, Step::openForInput, 70, u""},  // permission denied
      {__LINE__, Step::length, 57, u""},        // fails once open
      {__LINE__, Step::read, 57, u""},          // fails once open
      {__LINE__, Step::close, 57, u"report"},   // all read, only closing failed: keep the text
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeFileSystem fresh;
    fresh.putFile(u"C:\\Temp\\" + kGuidId, "report");
    const ReportStore store({tempDirectory, fresh, ansi}, [] { return kGuidId; });
    fresh.failNext(row.step, Failure(row.number, u"injected"));

    Text result = u"unset";
    EXPECT_NO_THROW(result = readBack(store, kGuidId));
    EXPECT_EQ(result, row.expected);
    EXPECT_EQ(fresh.openCount(), 0);
    EXPECT_EQ(readBack(store, kGuidId), u"report");
  }
}

TEST_F(ReportStoreTest, ReadOfAFileTooLongForATextIsRefusedUnread) {
  struct Row {
    int line;
    std::uint64_t length;
    int reads;
  };
  const Row rows[] = {
      {__LINE__, 0x7FFFFFFFull, 1},      // the longest still read (the fake holds less: "")
      {__LINE__, 0x80000000ull, 0},      // one byte more: refused
      {__LINE__, ~std::uint64_t{0}, 0},  // the largest length a file system can answer
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeFileSystem fresh;
    fresh.putFile(u"C:\\Temp\\" + kGuidId, "report");
    fresh.reportedLength = row.length;
    const ReportStore store({tempDirectory, fresh, ansi}, [] { return kGuidId; });

    EXPECT_EQ(readBack(store, kGuidId), u"");
    EXPECT_EQ(store.openDataFile(kGuidId) != nullptr, row.reads == 1);
    EXPECT_EQ(fresh.readCount(), row.reads);
    EXPECT_EQ(fresh.openCount(), 0);
  }
}

TEST_F(ReportStoreTest, ReadWhoseConversionFailsIsEmptyAndClosesTheFile) {
  files.putFile(u"C:\\Temp\\" + kGuidId, "report");
  const ReportStore store = makeStore();
  TextReportSink report;
  report.failure = Failure(7, u"Out of memory");

  EXPECT_NO_THROW(store.readDataFile(kGuidId, report));
  EXPECT_EQ(report.calls, 1);
  EXPECT_EQ(report.text, u"");
  EXPECT_EQ(files.openCount(), 0);
  EXPECT_EQ(readBack(store, kGuidId), u"report");
}

TEST_F(ReportStoreTest, BlocksEndAfterALineEndOrAByteBelow0x40AndJoinToTheFile) {
  constexpr std::size_t kRead = ReportBlocks::kReadBytes;
  std::string pairs;  // Shift-JIS: 0x5C trails a lead byte here
  while (pairs.size() < kRead + 6) pairs += "\x83\x5C";
  const std::pair<std::string, std::vector<std::size_t>> rows[] = {
      {"", {}},
      {"a\r\nb", {4}},  // the end is no cut
      {std::string(kRead - 10, 'a') + "\r\n=" + std::string(20, 'b'), {kRead - 8, 21}},
      {"x\n" + std::string(kRead - 10, 'y') + "=" + std::string(20, 'z'), {2, kRead + 11}},  // LF first
      {std::string(1000, 'a') + "=" + std::string(kRead, 'b'), {1001, kRead}},           // no LF
      {pairs + " " + std::string(kRead, 'c'), {pairs.size() + 1, kRead}},                // never after a lead byte
      {std::string(2 * kRead + 5, 'x'), {2 * kRead + 5}},                                // nothing to cut after
  };
  for (const auto& [file, expected] : rows) {
    SCOPED_TRACE(file.size());
    files.putFile(u"C:\\Temp\\" + kGuidId, file);
    const std::unique_ptr<ReportBlocks> blocks = makeStore().openDataFile(kGuidId);
    ASSERT_NE(blocks, nullptr);
    for (int pass = 0; pass < 2; ++pass, blocks->rewind()) {  // the second after rewind
      std::vector<std::size_t> sizes;
      std::string joined, block;
      for (; blocks->next(block); joined += block) sizes.push_back(block.size());
      EXPECT_EQ(sizes, expected);
      EXPECT_EQ(joined, file);
    }
  }
}

}  // namespace
}  // namespace kestor
