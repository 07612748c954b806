#pragma once
// A text that only grows, kept in blocks: appending never moves what is already
// there, so a report of hundreds of megabytes grows at the cost of its new lines only.
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "common/text.h"

namespace kestor {

class ChunkedText {
 public:
  ChunkedText() = default;
  explicit ChunkedText(TextView text) { append(text); }
  // The write position points into the blocks: neither copied nor moved.
  ChunkedText(const ChunkedText&) = delete;
  ChunkedText& operator=(const ChunkedText&) = delete;

  // Appends the pieces one after another into one block: a whole line, or a name and
  // value pair, costs one check for room, and no piece (so no surrogate pair) is ever
  // split between two blocks.
  template <typename... Pieces>
  ChunkedText& append(const Pieces&... pieces) {
    const std::size_t total = (TextView(pieces).size() + ...);
    if (static_cast<std::size_t>(end_ - cursor_) < total) startBlock(total);
    (put(TextView(pieces)), ...);
    return *this;
  }

  std::size_t size() const { return sealedUnits_ + static_cast<std::size_t>(cursor_ - blockStart()); }
  bool empty() const { return size() == 0; }

  // The blocks in order; together they are the text. Valid until the next append.
  std::vector<TextView> chunks() const;

  // The whole text in one piece (copies it).
  Text toText() const;

 private:
  // Big enough that a block's bookkeeping is lost in its copying; small enough to come
  // from the allocator's heap, where freed memory is used again, rather than from a
  // mapping of its own, cleared on first touch and given back when freed (glibc maps
  // from 128 KiB, the Windows heap from about 512 KiB).
  static constexpr std::size_t kBlockUnits = 60 * 1024;

  struct Block {
    std::unique_ptr<char16_t[]> units;
    std::size_t used;  // of every block but the last; the last one ends at cursor_
  };

  void startBlock(std::size_t atLeast);
  void put(TextView piece) {
    if (piece.empty()) return;
    std::memcpy(cursor_, piece.data(), piece.size() * sizeof(char16_t));
    cursor_ += piece.size();
  }
  const char16_t* blockStart() const { return blocks_.empty() ? cursor_ : blocks_.back().units.get(); }

  std::vector<Block> blocks_;
  std::size_t sealedUnits_ = 0;  // in every block but the last
  char16_t* cursor_ = nullptr;
  char16_t* end_ = nullptr;
};

}  // namespace kestor
