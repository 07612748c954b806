#pragma once
// A text that only grows, kept in fixed blocks: appending never moves what is already
// there, so a report of hundreds of megabytes grows at the cost of its new lines only.
#include <cstddef>
#include <vector>

#include "common/text.h"

namespace kestor {

class ChunkedText {
 public:
  ChunkedText() = default;
  explicit ChunkedText(TextView text) { append(text); }

  // One piece never straddles two blocks, so a surrogate pair stays whole.
  ChunkedText& append(TextView piece);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // The blocks in order; together they are the text.
  const std::vector<Text>& chunks() const { return chunks_; }

  // The whole text in one piece (copies it).
  Text toText() const;

 private:
  static constexpr std::size_t kChunkUnits = 64 * 1024;

  std::vector<Text> chunks_;
  std::size_t size_ = 0;
};

}  // namespace kestor
