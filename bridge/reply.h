#pragma once
// The host's replies as JSON texts, each within the browsers' limit for one message.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kestor::bridge {

using Json = nlohmann::json;
using SendReply = std::function<void(const std::string&)>;

namespace error_code {
constexpr char kOriginRefused[] = "origin-refused";
constexpr char kTooManySessions[] = "too-many-sessions";
constexpr char kNoSession[] = "no-session";
constexpr char kBadRequest[] = "bad-request";
constexpr char kFailed[] = "failed";
}  // namespace error_code

// {"id": id, "ok": false, "error": {"code": code, "message": message}}
std::string errorReply(const Json& id, const char* code, const std::string& message);
// A member's failure, with the number and description the control reports.
std::string failedReply(const Json& id, std::int32_t number, const std::string& description);
// {"id": id, "ok": true} with the fields of extra added.
std::string okReply(const Json& id, const Json& extra = Json::object());

// {"id": id, "ok": true, "value": value} as one message when it fits, else as chunks
// (same id, "part", "parts", a piece of value each), cut between code points. value
// is UTF-8; a byte that is not part of a well-formed sequence goes out as U+FFFD.
void sendValue(const SendReply& send, const Json& id, const std::string& value);

// The parts of a chunked reply, for a value sent as it is read.
// Bytes value[from, to) take as a JSON string, quotes not counted.
std::size_t escapedSize(const std::string& value, std::size_t from, std::size_t to);
// The room for its piece of the value in any part of a chunked reply to id.
std::size_t partBudget(const Json& id);
// Where value's pieces start when it is cut between code points into pieces of at most
// budget escaped bytes, then value.size().
std::vector<std::size_t> pieceCuts(const std::string& value, std::size_t budget);
// {"id": id, "ok": true, "part": part, "parts": parts, "value": value[from, to)}
std::string partMessage(const Json& id, std::size_t part, std::size_t parts, const std::string& value,
                        std::size_t from, std::size_t to);

}  // namespace kestor::bridge
