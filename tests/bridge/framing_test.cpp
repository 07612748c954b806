#include "bridge/framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace kestor::bridge {
namespace {

std::string header(std::uint32_t length) { return std::string(reinterpret_cast<const char*>(&length), 4); }

// Hands out its bytes a few at a time, as a pipe does; after them, `tail` zero bytes
// that are never stored (a huge frame's body).
class Pipe : public ByteSource {
 public:
  Pipe(std::string bytes, std::uint64_t tail = 0) : bytes_(std::move(bytes)), tail_(tail) {}
  std::size_t read(char* buffer, std::size_t size) override {
    size = std::min<std::size_t>(size, 3);
    if (at_ < bytes_.size()) {
      const std::size_t n = std::min(size, bytes_.size() - at_);
      bytes_.copy(buffer, n, at_);
      at_ += n;
      return n;
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, tail_));
    std::memset(buffer, 0, n);
    tail_ -= n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
  std::uint64_t tail_;
};

TEST(ReadFrame, TakesLengthThenBody) {
  struct Row { int line; std::string input; std::vector<FrameStatus> statuses; std::vector<std::string> bodies; };
  const std::string crlfCtrlZ(0x0A0D1A, 'a');  // every length byte a text-mode trap
  const Row rows[] = {
      {__LINE__, "", {FrameStatus::End}, {""}},
      {__LINE__, "\x03\x00", {FrameStatus::End}, {""}},                                       // cut header
      {__LINE__, header(3) + "abc", {FrameStatus::Message, FrameStatus::End}, {"abc", ""}},
      {__LINE__, header(0) + header(1) + "x", {FrameStatus::Message, FrameStatus::Message}, {"", "x"}},
      {__LINE__, header(5) + "abc", {FrameStatus::End}, {""}},                                // cut body
      {__LINE__, header(3) + "\r\n\x1a", {FrameStatus::Message}, {"\r\n\x1a"}},               // bytes pass as they are
      {__LINE__, header(0x0A0D1A) + crlfCtrlZ + header(1) + "z", {FrameStatus::Message, FrameStatus::Message},
       {crlfCtrlZ, "z"}},
      {__LINE__, header(kMaxRequestBytes) + std::string(kMaxRequestBytes, '{'), {FrameStatus::Message},
       {std::string(kMaxRequestBytes, '{')}},                                                 // the largest taken
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    Pipe pipe(row.input);
    std::string body = "stale";
    for (std::size_t i = 0; i < row.statuses.size(); ++i) {
      EXPECT_EQ(readFrame(pipe, body), row.statuses[i]);
      EXPECT_EQ(body, row.bodies[i]);
    }
  }
}

TEST(ReadFrame, ReadsPastTooLargeFrames) {
  const std::uint32_t tooLarge = kMaxRequestBytes + 1;
  Pipe pipe(header(tooLarge), tooLarge);
  std::string body;
  EXPECT_EQ(readFrame(pipe, body), FrameStatus::TooLarge);
  EXPECT_EQ(readFrame(pipe, body), FrameStatus::End);  // exactly its body was skipped

  Pipe cut(header(0xFFFFFFFFu), 10);  // ends inside the skipped body
  EXPECT_EQ(readFrame(cut, body), FrameStatus::End);
}

TEST(WriteFrame, WritesLengthInMachineOrderThenBody) {
  struct Sink : ByteSink {
    std::string bytes;
    int flushes = 0;
    void write(const char* data, std::size_t size) override { bytes.append(data, size); }
    void flush() override { ++flushes; }
  } sink;
  writeFrame(sink, std::string(0x0A0D1A, '\n'));
  EXPECT_EQ(sink.bytes.substr(0, 4), header(0x0A0D1A));
  EXPECT_EQ(sink.bytes.size(), 4u + 0x0A0D1A);
  EXPECT_EQ(sink.flushes, 1);
  EXPECT_THROW(writeFrame(sink, std::string(kMaxReplyBytes + 1, 'x')), std::length_error);
  EXPECT_NO_THROW(writeFrame(sink, std::string(kMaxReplyBytes, 'x')));
}

}  // namespace
}  // namespace kestor::bridge
