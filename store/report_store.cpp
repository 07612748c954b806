#include "store/report_store.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/failure.h"
#include "store/file_id.h"

namespace kestor {

namespace {

// The longest report file read back, in bytes.
constexpr std::uint64_t kLongestReport = 0x7FFFFFFF;

}  // namespace

ReportStore::ReportStore(StorePorts ports, IdentifierSource newIdentifier)
    : ports_(ports), newIdentifier_(std::move(newIdentifier)) {}

Text ReportStore::buildFilePath(const Text& fileId) const {
  // Checked here as well as by the callers: whatever reaches this point becomes part
  // of a path, and an id like "..\..\x" must not.
  if (!isWellFormedFileId(fileId)) throw Failure::invalidArgument();

  // Looked up on every call; the directory is not cached.
  const std::optional<std::string> ansiDirectory = ports_.tempDirectory.ansiPath();
  if (!ansiDirectory) return u"c:\\" + fileId;

  // The platform fills a fixed buffer: only the text before the first NUL counts.
  const std::string& bytes = *ansiDirectory;
  const Text directory = ports_.ansi.fromAnsi(bytes.substr(0, bytes.find('\0')));
  return directory + fileId;
}

Text ReportStore::writeDataFile(const ChunkedText& report) const {
  const Text fileId = newIdentifier_();
  const Text path = buildFilePath(fileId);

  // createNew rather than append: two equal fallback ids must not merge two reports
  // into one file. The second write fails and its caller reports no id instead.
  const std::unique_ptr<WritableFile> file = ports_.files.createNew(path);
  try {
    // Converted block by block: a large report is never held twice. No trailing line
    // break: a read returns exactly this text.
    for (TextView chunk : report.chunks()) file->write(ports_.ansi.toAnsi(chunk));
    // Closed explicitly so a failing close is reported.
    file->close();
  } catch (...) {
    // A full disk leaves a report cut short, or an empty file, under a name nobody was
    // given: read back it would pass for a whole report. Only this call's own file goes.
    file->discard();
    throw;
  }
  return fileId;
}

std::unique_ptr<ReadableFile> ReportStore::openReport(const Text& fileId, std::uint64_t& length) const {
  // A page chooses this id: one of ours (in any letter case) or nothing, and then no
  // file is touched.
  const Text ownId = canonicalFileId(fileId);
  if (ownId.empty()) return nullptr;
  std::unique_ptr<ReadableFile> file = ports_.files.openForInput(buildFilePath(ownId));
  // A longer file cannot come back as one text. Refused before reading: reading
  // gigabytes only to give the empty text would cost seconds and as much memory.
  length = file->length();
  if (length > kLongestReport) return nullptr;
  return file;
}

void ReportStore::readDataFile(const Text& fileId, ReportSink& report) const {
  try {
    std::uint64_t length = 0;
    const std::unique_ptr<ReadableFile> file = openReport(fileId, length);
    if (!file) return;
    report.takeAnsi(file->read(length));
    // A failing close keeps what was read; the destructor has closed the file on any
    // earlier failure, which leaves the report empty.
    file->close();
  } catch (const Failure&) {
    // No file, or a failed read: the empty text.
  }
}

std::unique_ptr<ReportBlocks> ReportStore::openDataFile(const Text& fileId) const {
  try {
    std::uint64_t length = 0;
    std::unique_ptr<ReadableFile> file = openReport(fileId, length);
    if (!file) return nullptr;
    return std::make_unique<ReportBlocks>(std::move(file), length);
  } catch (const Failure&) {
    return nullptr;
  }
}

}  // namespace kestor
