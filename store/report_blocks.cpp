#include "store/report_blocks.h"

#include <algorithm>
#include <utility>

namespace kestor {

namespace {

// Just past the last byte of bytes[from, size) a block may end after, or 0 for none.
std::size_t cutAfter(const std::string& bytes, std::size_t from) {
  const std::size_t lineEnd = bytes.rfind('\n');
  if (lineEnd != std::string::npos && lineEnd >= from) return lineEnd + 1;
  for (std::size_t i = bytes.size(); i > from; --i) {
    if (static_cast<unsigned char>(bytes[i - 1]) < 0x40) return i;
  }
  return 0;
}

}  // namespace

ReportBlocks::ReportBlocks(std::unique_ptr<ReadableFile> file, std::uint64_t length)
    : file_(std::move(file)), length_(length), left_(length) {}

bool ReportBlocks::next(std::string& block) {
  block = std::move(pending_);
  pending_.clear();
  // What was left over holds no byte to cut after: only new bytes are searched.
  while (left_ > 0) {
    const std::size_t from = block.size();
    const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kReadBytes));
    block += file_->read(step);
    left_ -= step;
    if (left_ == 0) break;
    const std::size_t cut = cutAfter(block, from);
    if (cut != 0) {
      pending_.assign(block, cut, std::string::npos);
      block.resize(cut);
      break;
    }
  }
  return !block.empty();
}

void ReportBlocks::rewind() {
  file_->rewind();
  left_ = length_;
  pending_.clear();
}

}  // namespace kestor
