#pragma once
// In-memory stand-ins for the report store's ports.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "common/text.h"
#include "store/store_ports.h"

namespace kestor::fakes {

// Hands out queued results first; once the queue is empty, every draw succeeds with a
// GUID of its own (data1 = draw number), so unscripted callers still get distinct ids.
class FakeGuidSource : public GuidSource {
 public:
  struct Draw {
    std::int32_t status;
    Guid guid;
  };

  void queueGuid(const Guid& guid) { queue_.push_back({0, guid}); }
  // A failing status; guid is what the failed call leaves in the record.
  void queueStatus(std::int32_t status, const Guid& guid = Guid{}) { queue_.push_back({status, guid}); }

  std::int32_t createGuid(Guid& guid) override {
    ++calls_;
    if (queue_.empty()) {
      guid = Guid{};
      guid.data1 = static_cast<std::uint32_t>(calls_);
      return 0;
    }
    const Draw draw = queue_.front();
    queue_.pop_front();
    guid = draw.guid;
    return draw.status;
  }

  int calls() const { return calls_; }

 private:
  std::deque<Draw> queue_;
  int calls_ = 0;
};

class FakeTempDirectory : public TempDirectory {
 public:
  // nullopt plays a failing directory lookup.
  std::optional<std::string> path = std::string("C:\\Temp\\");

  std::optional<std::string> ansiPath() override { return path; }
};

// Latin-1 as a stand-in code page: units above 0xFF become '?', each byte reads back
// as the unit of the same value.
class FakeAnsiCodec : public AnsiCodec {
 public:
  std::string toAnsi(TextView text) override {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) out += unit > 0xFF ? '?' : static_cast<char>(unit);
    return out;
  }
  Text fromAnsi(const std::string& bytes) override { return widen(bytes); }
};

// Receives a report read back, each byte as the unit of the same value (as
// FakeAnsiCodec reads); throws `failure` once when one is set.
class TextReportSink : public ReportSink {
 public:
  Text text;
  int calls = 0;
  std::optional<Failure> failure;

  void takeAnsi(const std::string& bytes) override {
    ++calls;
    if (failure) {
      const Failure thrown = *failure;
      failure.reset();
      throw thrown;
    }
    text = widen(bytes);
  }
};

// Files as a map from path to bytes. Like the platform's single file slot, it holds one
// open file at a time: opening while a file is still open fails, so a file leaked by a
// failed operation makes the next one fail.
class FakeFileSystem : public FileSystem {
 public:
  enum class Step { createNew, write, close, discard, openForInput, length, read };

  static Failure ioError() { return Failure(57, u"Device I/O error"); }
  static Failure alreadyOpen() { return Failure(55, u"File already open"); }
  static Failure closedFile() { return Failure(52, u"Bad file name or number"); }
  static Failure pastEnd() { return Failure(62, u"Input past end of file"); }

  // The next call of step fails with failure, once.
  void failNext(Step step, Failure failure = ioError()) {
    failures_.emplace_back(step, std::move(failure));
  }

  void putFile(const Text& path, std::string bytes) { files_[path] = std::move(bytes); }
  std::optional<std::string> contentOf(const Text& path) const {
    const auto found = files_.find(path);
    if (found == files_.end()) return std::nullopt;
    return found->second;
  }
  std::size_t fileCount() const { return files_.size(); }
  const std::map<Text, std::string>& files() const { return files_; }

  // Files open right now; 0 between operations.
  int openCount() const { return openCount_; }
  // Calls of read on any file, failed ones included.
  int readCount() const { return readCount_; }
  // What length() answers instead of the size, for files too large to hold.
  std::optional<std::uint64_t> reportedLength;
  // Every path an opening was attempted on, failed attempts included, oldest first.
  const std::vector<Text>& openedPaths() const { return openedPaths_; }

  std::unique_ptr<WritableFile> createNew(const Text& path) override {
    beginOpen(path, Step::createNew);
    if (files_.count(path) != 0) throw Failure::fileAlreadyExists();
    files_[path];
    return std::make_unique<Writable>(*this, path);
  }

  std::unique_ptr<ReadableFile> openForInput(const Text& path) override {
    beginOpen(path, Step::openForInput);
    if (files_.count(path) == 0) throw Failure::fileNotFound();
    return std::make_unique<Readable>(*this, path);
  }

 private:
  // Open state shared by both kinds of file; the destructor closes and never throws.
  class OpenFile {
   public:
    OpenFile(FakeFileSystem& owner, Text path) : owner_(owner), path_(std::move(path)) {
      ++owner_.openCount_;
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { release(); }

   protected:
    std::string& bytes() {
      if (!open_) throw closedFile();
      return owner_.files_.at(path_);
    }
    void closeNow() {
      if (!open_) throw closedFile();
      owner_.maybeFail(Step::close);
      release();
    }
    void release() {
      if (open_) --owner_.openCount_;
      open_ = false;
    }
    FakeFileSystem& owner_;
    const Text path_;

   private:
    bool open_ = true;
  };

  class Writable : public WritableFile, OpenFile {
   public:
    using OpenFile::OpenFile;
    void write(const std::string& data) override {
      std::string& target = bytes();
      owner_.maybeFail(Step::write);
      target += data;
    }
    void close() override { closeNow(); }
    // An injected failure leaves the file where it is, as a platform refusal would.
    void discard() noexcept override {
      release();
      try {
        owner_.maybeFail(Step::discard);
        owner_.files_.erase(path_);
      } catch (const Failure&) {
      }
    }
  };

  class Readable : public ReadableFile, OpenFile {
   public:
    using OpenFile::OpenFile;
    std::uint64_t length() override {
      const std::string& source = bytes();
      owner_.maybeFail(Step::length);
      return owner_.reportedLength.value_or(source.size());
    }
    std::string read(std::uint64_t byteCount) override {
      ++owner_.readCount_;
      const std::string& source = bytes();
      owner_.maybeFail(Step::read);
      if (byteCount > source.size() - position_) throw pastEnd();
      std::string out = source.substr(position_, static_cast<std::size_t>(byteCount));
      position_ += out.size();
      return out;
    }
    void rewind() override {
      bytes();
      position_ = 0;
    }
    void close() override { closeNow(); }

   private:
    std::size_t position_ = 0;
  };

  void beginOpen(const Text& path, Step step) {
    openedPaths_.push_back(path);
    if (openCount_ != 0) throw alreadyOpen();
    maybeFail(step);
  }

  void maybeFail(Step step) {
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
      if (it->first == step) {
        const Failure failure = it->second;
        failures_.erase(it);
        throw failure;
      }
    }
  }

  std::map<Text, std::string> files_;
  std::vector<std::pair<Step, Failure>> failures_;
  std::vector<Text> openedPaths_;
  int openCount_ = 0;
  int readCount_ = 0;
};

}  // namespace kestor::fakes
