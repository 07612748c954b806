#pragma once
// Report files in the user's temporary directory, named by their file id.
#include <functional>
#include <memory>

#include "common/chunked_text.h"
#include "common/text.h"
#include "store/report_blocks.h"
#include "store/store_ports.h"

namespace kestor {

struct StorePorts {
  TempDirectory& tempDirectory;
  FileSystem& files;
  AnsiCodec& ansi;
};

class ReportStore {
 public:
  using IdentifierSource = std::function<Text()>;

  ReportStore(StorePorts ports, IdentifierSource newIdentifier);

  // Temporary directory + file id; "c:\" + file id when the directory lookup fails.
  // Throws Failure::invalidArgument() for an id that is not well formed.
  Text buildFilePath(const Text& fileId) const;

  // Stores report under a newly drawn identifier and returns that identifier.
  // Throws on any failure; a drawn id that already names a file is a failure. A failure
  // after the file was created removes that file first.
  Text writeDataFile(const ChunkedText& report) const;

  // Hands the whole content of the file of fileId to report; leaves report untouched
  // (empty) when there is no such file, it cannot be read or it is longer than
  // 2^31 - 1 bytes (refused unread). Never throws a Failure.
  void readDataFile(const Text& fileId, ReportSink& report) const;

  // The file of fileId open for reading in blocks; null where readDataFile leaves the
  // report empty before reading (no such file, not openable, too long). Never throws a
  // Failure; the blocks' reads may.
  std::unique_ptr<ReportBlocks> openDataFile(const Text& fileId) const;

 private:
  // The file of fileId and its length, or null; lengths above the longest report are
  // refused unread.
  std::unique_ptr<ReadableFile> openReport(const Text& fileId, std::uint64_t& length) const;

  StorePorts ports_;
  IdentifierSource newIdentifier_;
};

}  // namespace kestor
