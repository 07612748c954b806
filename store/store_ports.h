#pragma once
// Ports of the report store: GUIDs, the temporary directory, code-page conversion
// and files. File operations throw kestor::Failure.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/text.h"

namespace kestor {

// Same layout as the platform's GUID.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

class GuidSource {
 public:
  virtual ~GuidSource() = default;
  // Fills guid; returns the platform status, 0 on success.
  virtual std::int32_t createGuid(Guid& guid) = 0;
};

class TempDirectory {
 public:
  virtual ~TempDirectory() = default;
  // The temporary directory in the ANSI code page, normally ending in a backslash;
  // nullopt when the platform cannot supply it.
  virtual std::optional<std::string> ansiPath() = 0;
};

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // Units the code page cannot represent become its default character.
  virtual std::string toAnsi(TextView text) = 0;
  virtual Text fromAnsi(const std::string& bytes) = 0;
};

// Where a report read back goes. It is handed the file's bytes, in the ANSI code page,
// and converts them straight into the text its caller returns: the store never
// holds the report as text of its own.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // The whole content of one file. A throw leaves the sink as it was.
  virtual void takeAnsi(const std::string& bytes) = 0;
};

// An open file. The destructor closes a file that is still open and never throws,
// so a failure between opening and closing cannot leave it open.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual void write(const std::string& bytes) = 0;
  virtual void close() = 0;
  // Removes this file, open or closed, and never throws: a store that fails after
  // creating the file takes it back. Nothing is left to call afterwards.
  virtual void discard() noexcept = 0;
};

class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  virtual std::uint64_t length() = 0;
  // The next byteCount bytes.
  virtual std::string read(std::uint64_t byteCount) = 0;
  // Back to the first byte: a second pass over the same open file sees the same bytes.
  virtual void rewind() = 0;
  virtual void close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates a file that must not exist yet (Failure::fileAlreadyExists otherwise).
  virtual std::unique_ptr<WritableFile> createNew(const Text& path) = 0;
  // Opens an existing file for reading (Failure::fileNotFound when there is none).
  virtual std::unique_ptr<ReadableFile> openForInput(const Text& path) = 0;
};

}  // namespace kestor
