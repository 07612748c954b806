// The bridge from the browser's side: any bytes on standard input, against fake
// sessions. Rules: every reply is a frame of well-formed JSON within the message limit;
// chunks are numbered and join to what the session returned; a session or a report of
// one origin is never reached from another; a refused origin opens nothing; a hello
// opens nothing either.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bridge/framing.h"
#include "bridge/server.h"
#include "fakes/fake_bridge_session.h"
#include "fuzz/fuzz_input.h"

namespace kestor::fuzz {
namespace {

using bridge::Json;

const std::vector<std::string> kAllowed = {"https://a.example", "https://b.example", "http://localhost:1"};

// Byte 0 bit 0 clear: the rest is raw frames. Set: the rest is requests one per line, framed
// here, so that mutations reach the requests without breaking the lengths.
std::string framesOf(const std::uint8_t* data, std::size_t size) {
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) return rest;
  std::string frames;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\n', start);
    if (end == std::string::npos) end = rest.size();
    const auto length = static_cast<std::uint32_t>(end - start);
    frames.append(reinterpret_cast<const char*>(&length), sizeof length);
    frames.append(rest, start, end - start);
    start = end + 1;
  }
  return frames;
}

// Splits what the server wrote into messages, checking each frame.
std::vector<Json> repliesIn(const std::string& out) {
  std::vector<Json> replies;
  std::size_t at = 0;
  while (at < out.size()) {
    check(out.size() - at >= 4, "whole frame header");
    std::uint32_t length;
    std::memcpy(&length, out.data() + at, 4);
    check(length <= bridge::kMaxReplyBytes, "reply within the message limit");
    check(out.size() - at - 4 >= length, "whole frame body");
    Json reply = Json::parse(out.substr(at + 4, length), nullptr, false);
    check(reply.is_object() && reply.contains("id") && reply["ok"].is_boolean(), "reply is a JSON object");
    replies.push_back(std::move(reply));
    at += 4 + length;
  }
  return replies;
}

std::string upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return text;
}

// What the harness knows independently of the server: who opened which session and
// who drew which report.
struct Model {
  std::map<std::uint64_t, std::string> sessionOrigins;
  std::map<std::string, std::string> reportOrigins;
};

void checkExchange(Model& model, const fakes::FakeBridgeFactory& factory, int openedBefore, Json request,
                   const std::vector<Json>& replies) {
  check(!replies.empty(), "every request is answered");
  if (replies.size() > 1) {
    std::string joined;
    for (std::size_t i = 0; i < replies.size(); ++i) {
      check(replies[i]["ok"] == true && replies[i]["part"] == i && replies[i]["parts"] == replies.size() &&
                replies[i]["value"].is_string(),
            "chunks numbered in order");
      joined += replies[i]["value"].get<std::string>();
    }
    check(joined.size() > (bridge::kMaxReplyBytes - 256) / 6, "only long values are chunked");
  }
  const Json& reply = replies[0];
  const bool ok = reply["ok"] == true;
  if (!request.is_object() || !request["origin"].is_string() || !request["op"].is_string()) return;
  const std::string origin = request["origin"];
  const std::string op = request["op"];
  // Which host this is may be asked from any servable origin; the answer opens nothing.
  if (op == "hello" && ok) {
    check(factory.opened == openedBefore && reply.contains("protocol"), "a hello only names the host");
    return;
  }
  const bool allowed = std::find(kAllowed.begin(), kAllowed.end(), origin) != kAllowed.end();
  if (!allowed) {
    check(!ok && factory.opened == openedBefore, "a refused origin runs nothing");
    return;
  }
  if (!ok) return;
  if (op == "open") {
    model.sessionOrigins[reply["session"].get<std::uint64_t>()] = origin;
    return;
  }
  const std::uint64_t session = request["session"].get<std::uint64_t>();
  const auto owner = model.sessionOrigins.find(session);
  check(owner != model.sessionOrigins.end() && owner->second == origin, "a session only for its own origin");
  if (op == "close") model.sessionOrigins.erase(session);
  if (op != "call") return;
  std::string value;
  for (const Json& part : replies) value += part.value("value", "");
  if (request["member"] == "SetData" && !value.empty()) model.reportOrigins[upper(value)] = origin;
  if (request["member"] == "GetData" && !value.empty()) {
    const auto drawn = model.reportOrigins.find(upper(request["args"][0].get<std::string>()));
    check(drawn != model.reportOrigins.end() && drawn->second == origin, "a report only for its own origin");
  }
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  fakes::FakeBridgeFactory factory;
  // Byte 0 bit 1: a list of 2 KiB makes a report that must be chunked. Rare, it is slow.
  factory.store.repeat = (data[0] & 2) ? 600 : 1;
  bridge::Server server(factory, bridge::AllowList(kAllowed));
  fakes::MemoryStreams io(framesOf(data, size));
  Model model;
  std::string text;
  for (;;) {
    const bridge::FrameStatus status = bridge::readFrame(io, text);
    if (status == bridge::FrameStatus::End) break;
    io.out.clear();
    const int openedBefore = factory.opened;
    const bridge::SendReply send = [&](const std::string& reply) { bridge::writeFrame(io, reply); };
    if (status == bridge::FrameStatus::TooLarge) {
      send(bridge::errorReply(nullptr, bridge::error_code::kBadRequest, "request above 64 MiB"));
      continue;
    }
    server.serve(text, send);
    checkExchange(model, factory, openedBefore, Json::parse(text, nullptr, false), repliesIn(io.out));
  }
}

}  // namespace kestor::fuzz
