#pragma once
// Native messaging frames: a 32-bit length in the machine's byte order, then that many
// bytes of UTF-8 JSON.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kestor::bridge {

// The browsers' limit for one message from a host.
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
// Requests above this are read past without being held.
constexpr std::size_t kMaxRequestBytes = 64 * 1024 * 1024;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes into buffer; 0 only at the end of the input.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // All of bytes, or a throw.
  virtual void write(const char* bytes, std::size_t size) = 0;
  virtual void flush() = 0;
};

enum class FrameStatus {
  Message,   // body holds the message
  TooLarge,  // the message was longer than kMaxRequestBytes and was skipped
  End,       // the input ended (also inside a frame: a cut message is not served)
};

FrameStatus readFrame(ByteSource& in, std::string& body);

// One message and a flush, so the browser sees every reply as soon as it is made.
void writeFrame(ByteSink& out, const std::string& body);

// Standard streams; the host puts them into binary mode first.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  std::size_t read(char* buffer, std::size_t size) override;

 private:
  std::FILE* file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  void write(const char* bytes, std::size_t size) override;
  void flush() override;

 private:
  std::FILE* file_;
};

}  // namespace kestor::bridge
