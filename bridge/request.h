#pragma once
// A request from the browser, taken apart and checked field by field.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bridge/reply.h"
#include "control/members.h"

namespace kestor::bridge {

enum class Op { Open, Call, Close, Inventory };

using Member = members::Id;

// What every request carries; read before anything else so that a refused origin is
// answered before the rest of the request is looked at.
struct Envelope {
  Json id;  // the request's own id, or null when it had no usable one
  std::string origin;
  Json body;
};

struct Request {
  Op op = Op::Open;
  std::uint64_t session = 0;  // call and close
  Member member = Member::GetTestData;
  std::vector<std::string> args;  // call; inventory: the query list alone
};

// nullopt with why filled when the text is not JSON, not an object, lacks an origin,
// or nests deeper than a request can.
std::optional<Envelope> readEnvelope(const std::string& text, Json& id, std::string& why);

// True for the op that asks which host this is; it opens nothing and needs no listing.
bool isHello(const Json& body);

// nullopt with why filled when op, session, member, args or queries are missing or
// mistyped.
// The texts of args are moved out of body, which is left with empty ones.
std::optional<Request> readRequest(Json& body, std::string& why);

}  // namespace kestor::bridge
