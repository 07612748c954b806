// Report files through the file system adapter, in a folder of their own under the
// temporary directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/failure.h"
#include "common/utf8.h"
#include "host/com/bstr.h"
#include "host/adapters/windows_file_system.h"
#include "tests/support/failure_number.h"
#include "tests/support/windows_support.h"

namespace kestor::win {
namespace {

using kestor::test::failureNumber;

// Other Win32 errors keep their own code.
const std::int32_t kAccessDenied = static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  Text path(const Text& name) { return folder_ + name; }

  void writeFile(const Text& file, const std::string& bytes) {
    auto writable = files_.createNew(file);
    writable->write(bytes);
    writable->close();
  }

  std::string readFile(const Text& file) {
    auto readable = files_.openForInput(file);
    std::string bytes = readable->read(readable->length());
    readable->close();
    return bytes;
  }

  WindowsFileSystem files_;
  kestor::test::ScratchFolder scratch_{L"files"};
  // The scratch folder as the adapter's text; it ends with a backslash.
  const Text folder_ = textOf(scratch_.path().c_str(), scratch_.path().size());
};

TEST_F(WindowsFiles, BytesRoundTripUnchanged) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  const Text file = path(u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  {
    auto writable = files_.createNew(file);
    writable->write("[class=Win32_BIOS]\r\n");
    writable->write(std::string());
    writable->write(every);
    writable->close();
  }
  auto readable = files_.openForInput(file);
  ASSERT_EQ(readable->length(), 20u + 256u);
  EXPECT_EQ(readable->read(20), "[class=Win32_BIOS]\r\n");
  EXPECT_EQ(readable->read(256), every);
  readable->rewind();  // a second pass sees the same bytes
  EXPECT_EQ(readable->read(20), "[class=Win32_BIOS]\r\n");
  readable->close();
}

TEST_F(WindowsFiles, EmptyFileAndNamesOutsideTheAnsiCodePage) {
  const Text file = path(u"53200750588-\u4E2D");
  writeFile(file, std::string());
  EXPECT_EQ(readFile(file), std::string());
}

TEST_F(WindowsFiles, CreatingAnExistingFileFailsAndKeepsItsContent) {
  const Text file = path(u"existing");
  writeFile(file, "first");
  EXPECT_EQ(failureNumber([&] { files_.createNew(file); }), error_number::kFileAlreadyExists);
  EXPECT_EQ(readFile(file), "first");
}

TEST_F(WindowsFiles, OpeningWhatIsNoFileFails) {
  const struct {
    const char* what;
    Text path;
    std::int32_t number;
  } cases[] = {
      {"missing file", folder_ + u"missing", error_number::kFileNotFound},
      {"missing folder", folder_ + u"missing\\file", error_number::kFileNotFound},
      {"empty path", Text(), error_number::kFileNotFound},
      {"folder", folder_.substr(0, folder_.size() - 1), kAccessDenied},
      {"folder with backslash", folder_, kAccessDenied},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(failureNumber([&] { files_.openForInput(c.path); }), c.number) << c.what;
  }
}

// A temporary folder that names a device would swallow a report while its id is
// handed out, or feed a read from something that is no file.
TEST_F(WindowsFiles, DevicesAreNoReportFiles) {
  const std::int32_t kNoDiskFile = static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE));
  for (const Text& device : {Text(u"NUL"), Text(u"\\\\.\\NUL")}) {
    EXPECT_EQ(failureNumber([&] { files_.createNew(device); }), kNoDiskFile) << toUtf8(device);
    EXPECT_EQ(failureNumber([&] { files_.openForInput(device); }), kNoDiskFile) << toUtf8(device);
  }
}

TEST_F(WindowsFiles, CreatingInAMissingFolderFailsWithPathNotFound) {
  EXPECT_EQ(failureNumber([&] { files_.createNew(folder_ + u"missing\\file"); }),
            static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)));
}

TEST_F(WindowsFiles, ReadingPastTheEndFails) {
  const Text file = path(u"short");
  writeFile(file, "abc");
  auto readable = files_.openForInput(file);
  EXPECT_EQ(failureNumber([&] { readable->read(4); }), 62);
}

TEST_F(WindowsFiles, AClosedFileRefusesFurtherUse) {
  const Text file = path(u"closed");
  auto writable = files_.createNew(file);
  writable->close();
  EXPECT_EQ(failureNumber([&] { writable->write("x"); }), 52);
  EXPECT_EQ(failureNumber([&] { writable->close(); }), 52);
  auto readable = files_.openForInput(file);
  readable->close();
  EXPECT_EQ(failureNumber([&] { readable->length(); }), 52);
  EXPECT_EQ(failureNumber([&] { readable->read(0); }), 52);
}

TEST_F(WindowsFiles, AFileLeftOpenIsClosedWhenItsHolderGoes) {
  const Text file = path(u"left-open");
  auto writable = files_.createNew(file);
  writable->write("partial");
  // Written without sharing: while it is open nobody else gets in.
  EXPECT_EQ(failureNumber([&] { files_.openForInput(file); }),
            static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)));
  EXPECT_FALSE(DeleteFileW(wide(file)));
  writable.reset();

  auto readable = files_.openForInput(file);
  EXPECT_EQ(failureNumber([&] { readable->read(100); }), 62);
  EXPECT_FALSE(DeleteFileW(wide(file)));
  readable.reset();

  EXPECT_TRUE(DeleteFileW(wide(file)));
  writeFile(file, "again");
  EXPECT_EQ(readFile(file), "again");
}

TEST_F(WindowsFiles, DiscardRemovesTheCreatedFileAndNoOther) {
  struct Row {
    int line;
    bool closedFirst;
  };
  const Row rows[] = {
      {__LINE__, false},  // still open: removed through its handle
      {__LINE__, true},   // already closed: removed by its path
  };
  const Text neighbour = path(u"neighbour");
  writeFile(neighbour, "kept");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Text file = path(u"discarded");
    auto writable = files_.createNew(file);
    writable->write("cut sho");
    if (row.closedFirst) writable->close();
    writable->discard();
    EXPECT_EQ(GetFileAttributesW(wide(file)), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(readFile(neighbour), "kept");
  }
}

}  // namespace
}  // namespace kestor::win
