#include "bridge/reply.h"

#include <vector>

#include "bridge/framing.h"
#include "common/utf8.h"

namespace kestor::bridge {

namespace {

// Descriptions come from the platform; kept far below the message limit.
constexpr std::size_t kMaxDescriptionBytes = 64 * 1024;
constexpr char kReplacement[] = "\\ufffd";

std::string dump(const Json& reply) { return reply.dump(-1, ' ', false, Json::error_handler_t::replace); }

// One code point (or one stray byte) of text at i, as it goes into a JSON string.
struct Unit {
  std::size_t sourceBytes;
  std::size_t escapedBytes;
};

Unit unitAt(const std::string& text, std::size_t i) {
  const std::size_t length = utf8SequenceAt(text, i);
  if (length == 0) return {1, sizeof kReplacement - 1};
  if (length > 1) return {length, length};
  const unsigned char c = static_cast<unsigned char>(text[i]);
  switch (c) {
    case '"': case '\\': case '\b': case '\f': case '\n': case '\r': case '\t': return {1, 2};
    default: return {1, c < 0x20 ? std::size_t{6} : std::size_t{1}};
  }
}

void appendEscaped(std::string& out, const std::string& text, std::size_t from, std::size_t to) {
  static const char hex[] = "0123456789abcdef";
  for (std::size_t i = from; i < to;) {
    const Unit unit = unitAt(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (unit.escapedBytes == unit.sourceBytes) {
      out.append(text, i, unit.sourceBytes);
    } else if (unit.escapedBytes == 2) {
      out += '\\';
      switch (c) {
        case '\b': out += 'b'; break;
        case '\f': out += 'f'; break;
        case '\n': out += 'n'; break;
        case '\r': out += 'r'; break;
        case '\t': out += 't'; break;
        default: out += static_cast<char>(c); break;
      }
    } else if (c < 0x20) {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += kReplacement;
    }
    i += unit.sourceBytes;
  }
}

std::string valueMessage(const std::string& idText, const std::string& parts, const std::string& value,
                         std::size_t from, std::size_t to, std::size_t escaped) {
  std::string out;
  out.reserve(idText.size() + parts.size() + escaped + 32);
  out += "{\"id\":";
  out += idText;
  out += ",\"ok\":true";
  out += parts;
  out += ",\"value\":\"";
  appendEscaped(out, value, from, to);
  out += "\"}";
  return out;
}

}  // namespace

std::string errorReply(const Json& id, const char* code, const std::string& message) {
  return dump({{"id", id}, {"ok", false}, {"error", {{"code", code}, {"message", message}}}});
}

std::string failedReply(const Json& id, std::int32_t number, const std::string& description) {
  const std::string text = description.substr(0, kMaxDescriptionBytes);
  return dump({{"id", id},
               {"ok", false},
               {"error", {{"code", error_code::kFailed}, {"message", text}, {"number", number}, {"description", text}}}});
}

std::string okReply(const Json& id, const Json& extra) {
  Json reply = {{"id", id}, {"ok", true}};
  reply.update(extra);
  return dump(reply);
}

std::size_t escapedSize(const std::string& value, std::size_t from, std::size_t to) {
  std::size_t escaped = 0;
  for (std::size_t i = from; i < to;) {
    const Unit unit = unitAt(value, i);
    escaped += unit.escapedBytes;
    i += unit.sourceBytes;
  }
  return escaped;
}

std::size_t partBudget(const Json& id) {
  // Room for the fields around a piece, with the widest part numbers.
  const std::size_t frame = dump(id).size() + sizeof "{\"id\":,\"ok\":true,\"part\":4294967295,\"parts\":4294967295,\"value\":\"\"}";
  return kMaxReplyBytes - frame;
}

std::vector<std::size_t> pieceCuts(const std::string& value, std::size_t budget) {
  std::vector<std::size_t> cuts{0};
  std::size_t piece = 0;
  for (std::size_t i = 0; i < value.size();) {
    const Unit unit = unitAt(value, i);
    if (piece + unit.escapedBytes > budget) {
      cuts.push_back(i);
      piece = 0;
    }
    piece += unit.escapedBytes;
    i += unit.sourceBytes;
  }
  cuts.push_back(value.size());
  return cuts;
}

std::string partMessage(const Json& id, std::size_t part, std::size_t parts, const std::string& value,
                        std::size_t from, std::size_t to) {
  const std::string fields = ",\"part\":" + std::to_string(part) + ",\"parts\":" + std::to_string(parts);
  return valueMessage(dump(id), fields, value, from, to, escapedSize(value, from, to));
}

void sendValue(const SendReply& send, const Json& id, const std::string& value) {
  const std::string idText = dump(id);
  const std::size_t escaped = escapedSize(value, 0, value.size());
  if (idText.size() + escaped + sizeof "{\"id\":,\"ok\":true,\"value\":\"\"}" - 1 <= kMaxReplyBytes) {
    send(valueMessage(idText, "", value, 0, value.size(), escaped));
    return;
  }
  const std::vector<std::size_t> cuts = pieceCuts(value, partBudget(id));
  const std::size_t parts = cuts.size() - 1;
  for (std::size_t part = 0; part < parts; ++part) send(partMessage(id, part, parts, value, cuts[part], cuts[part + 1]));
}

}  // namespace kestor::bridge
