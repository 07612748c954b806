#include "common/chunked_text.h"

#include <algorithm>

namespace kestor {

ChunkedText& ChunkedText::append(TextView piece) {
  if (piece.empty()) return *this;
  if (chunks_.empty() || chunks_.back().size() + piece.size() > chunks_.back().capacity()) {
    Text block;
    block.reserve(std::max(kChunkUnits, piece.size()));
    chunks_.push_back(std::move(block));
  }
  chunks_.back().append(piece);
  size_ += piece.size();
  return *this;
}

Text ChunkedText::toText() const {
  Text whole;
  whole.reserve(size_);
  for (const Text& chunk : chunks_) whole += chunk;
  return whole;
}

}  // namespace kestor
