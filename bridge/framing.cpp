#include "bridge/framing.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kestor::bridge {

namespace {

// Fills size bytes unless the input ends first; the count read.
std::size_t readFully(ByteSource& in, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const std::size_t got = in.read(buffer + done, size - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool skip(ByteSource& in, std::uint64_t size) {
  char buffer[64 * 1024];
  while (size > 0) {
    const std::size_t step = size < sizeof buffer ? static_cast<std::size_t>(size) : sizeof buffer;
    const std::size_t got = readFully(in, buffer, step);
    if (got < step) return false;
    size -= got;
  }
  return true;
}

}  // namespace

FrameStatus readFrame(ByteSource& in, std::string& body) {
  body.clear();
  char header[sizeof(std::uint32_t)];
  if (readFully(in, header, sizeof header) < sizeof header) return FrameStatus::End;
  std::uint32_t length;
  std::memcpy(&length, header, sizeof length);
  if (length > kMaxRequestBytes) return skip(in, length) ? FrameStatus::TooLarge : FrameStatus::End;
  // Grown as the bytes arrive: a length the input does not back costs no memory.
  constexpr std::size_t kStep = 1024 * 1024;
  while (body.size() < length) {
    const std::size_t had = body.size();
    const std::size_t step = std::min<std::size_t>(kStep, length - had);
    body.resize(had + step);
    if (readFully(in, body.data() + had, step) < step) {
      body.clear();
      return FrameStatus::End;
    }
  }
  return FrameStatus::Message;
}

void writeFrame(ByteSink& out, const std::string& body) {
  if (body.size() > kMaxReplyBytes) throw std::length_error("reply above the message limit");
  const auto length = static_cast<std::uint32_t>(body.size());
  char header[sizeof length];
  std::memcpy(header, &length, sizeof length);
  out.write(header, sizeof header);
  out.write(body.data(), body.size());
  out.flush();
}

std::size_t FileSource::read(char* buffer, std::size_t size) { return std::fread(buffer, 1, size, file_); }

void FileSink::write(const char* bytes, std::size_t size) {
  if (std::fwrite(bytes, 1, size, file_) != size) throw std::runtime_error("standard output closed");
}

void FileSink::flush() {
  if (std::fflush(file_) != 0) throw std::runtime_error("standard output closed");
}

}  // namespace kestor::bridge
