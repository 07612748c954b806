#include "bridge/report_reply.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/framing.h"
#include "common/failure.h"

namespace kestor::bridge {

namespace {

// The most bytes a byte of the file can take in a JSON string once converted. A byte
// below 0x80 is the ASCII character (or a trail byte, whose character its lead byte
// pays for); any other byte becomes at most one UTF-16 unit, at most three bytes of
// UTF-8, which go into JSON unescaped.
constexpr std::array<unsigned char, 256> kBound = [] {
  std::array<unsigned char, 256> bound{};
  for (std::size_t b = 0; b < 256; ++b) {
    if (b >= 0x80) bound[b] = 3;
    else if (b == '"' || b == '\\' || b == '\b' || b == '\f' || b == '\n' || b == '\r' || b == '\t') bound[b] = 2;
    else bound[b] = b < 0x20 ? 6 : 1;
  }
  return bound;
}();

std::size_t boundOf(const std::string& ansi) {
  std::size_t bound = 0;
  for (const char c : ansi) bound += kBound[static_cast<unsigned char>(c)];
  return bound;
}

// Blocks sent together: as one part when pieces is 1, else one block too long for a
// part, cut into pieces as sendValue cuts a value.
struct Group {
  std::size_t blocks;
  std::size_t pieces;
};

}  // namespace

void sendReport(const SendReply& send, const Json& id, ReportReader& reader) {
  const std::size_t budget = partBudget(id);
  std::vector<Group> groups;
  std::size_t parts = 0;
  std::string ansi;
  try {
    std::size_t openBound = 0;
    bool open = false;
    while (reader.next(ansi)) {
      const std::size_t bound = boundOf(ansi);
      if (bound > budget) {
        // Rare (a line of hundreds of kilobytes): counted by converting it.
        const std::size_t pieces = pieceCuts(reader.utf8Of(ansi), budget).size() - 1;
        groups.push_back({1, pieces});
        parts += pieces;
        open = false;
        continue;
      }
      if (!open || openBound + bound > budget) {
        groups.push_back({0, 1});
        ++parts;
        openBound = 0;
        open = true;
      }
      ++groups.back().blocks;
      openBound += bound;
    }
    reader.rewind();
  } catch (const Failure&) {
    // A report that cannot be read is the empty text, as for the control.
    return sendValue(send, id, std::string());
  }
  std::size_t part = 0;
  for (const Group& group : groups) {
    std::string bytes;
    for (std::size_t i = 0; i < group.blocks; ++i) {
      if (!reader.next(ansi)) throw std::runtime_error("report shorter than on the first pass");
      bytes += ansi;
    }
    const std::string utf8 = reader.utf8Of(bytes);
    std::string().swap(bytes);
    // Short enough to send whole: the reply it always was.
    if (parts == 1) return sendValue(send, id, utf8);
    const std::vector<std::size_t> cuts =
        group.pieces == 1 ? std::vector<std::size_t>{0, utf8.size()} : pieceCuts(utf8, budget);
    if (cuts.size() - 1 != group.pieces) throw std::runtime_error("report changed between its passes");
    for (std::size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
      const std::string message = partMessage(id, part++, parts, utf8, cuts[piece], cuts[piece + 1]);
      if (message.size() > kMaxReplyBytes) throw std::runtime_error("report changed between its passes");
      send(message);
    }
  }
  if (parts == 0) sendValue(send, id, std::string());
}

}  // namespace kestor::bridge
