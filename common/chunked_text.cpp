#include "common/chunked_text.h"

#include <algorithm>

namespace kestor {

void ChunkedText::startBlock(std::size_t atLeast) {
  const std::size_t capacity = std::max(kBlockUnits, atLeast);
  const std::size_t usedInLast = static_cast<std::size_t>(cursor_ - blockStart());
  // Left uninitialised: every unit is written once, by an append. Nothing changes
  // until the new block is in place, so running out of memory leaves the text whole.
  blocks_.push_back(Block{std::unique_ptr<char16_t[]>(new char16_t[capacity]), 0});
  if (blocks_.size() > 1) {
    blocks_[blocks_.size() - 2].used = usedInLast;
    sealedUnits_ += usedInLast;
  }
  cursor_ = blocks_.back().units.get();
  end_ = cursor_ + capacity;
}

std::vector<TextView> ChunkedText::chunks() const {
  std::vector<TextView> views;
  views.reserve(blocks_.size());
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    const char16_t* start = blocks_[i].units.get();
    const std::size_t used = i + 1 < blocks_.size() ? blocks_[i].used : static_cast<std::size_t>(cursor_ - start);
    if (used != 0) views.emplace_back(start, used);
  }
  return views;
}

Text ChunkedText::toText() const {
  Text whole;
  whole.reserve(size());
  for (TextView chunk : chunks()) whole += chunk;
  return whole;
}

}  // namespace kestor
