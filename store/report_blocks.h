#pragma once
// A report file read back in blocks, so that a report of hundreds of megabytes passes
// through a few of them at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "store/store_ports.h"

namespace kestor {

class ReportBlocks {
 public:
  // Read at a time; a block is this long or a little longer.
  static constexpr std::size_t kReadBytes = 64 * 1024;

  // file is open and holds length bytes; it stays open until this goes.
  ReportBlocks(std::unique_ptr<ReadableFile> file, std::uint64_t length);

  // The next block of the file's bytes into block; false at the end. Blocks convert one
  // by one to the same text as the whole file: each ends after its last LF byte, or in
  // a stretch without one after its last byte below 0x40. In every code page Windows
  // uses as the ANSI one (single-byte ones, 932, 936, 949, 950 and UTF-8) such a byte
  // is a character of its own, never the trail byte of a longer one. A stretch without
  // either grows until one comes or the file ends. Throws Failure when a read fails.
  bool next(std::string& block);

  // Back to the first block, over the same open file.
  void rewind();

 private:
  std::unique_ptr<ReadableFile> file_;
  std::uint64_t length_;
  std::uint64_t left_;   // not read yet
  std::string pending_;  // read, after the last cut
};

}  // namespace kestor
