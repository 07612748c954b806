#include "bridge/request.h"

#include <utility>

namespace kestor::bridge {

namespace {

// A request is an object of scalars and one array of texts. Anything nested deeper, or
// with more values than any member takes, is refused before a tree is built for it:
// a tree costs tens of bytes per value, a 64 MiB request of "[[[[" would cost gigabytes.
constexpr std::size_t kMaxDepth = 3;
constexpr std::size_t kMaxValues = 64;
constexpr std::size_t kMaxIdBytes = 64;

class ShapeCheck : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return value(); }
  bool boolean(bool) override { return value(); }
  bool number_integer(number_integer_t) override { return value(); }
  bool number_unsigned(number_unsigned_t) override { return value(); }
  bool number_float(number_float_t, const string_t&) override { return value(); }
  bool string(string_t&) override { return value(); }
  bool binary(binary_t&) override { return value(); }
  bool start_object(std::size_t) override { return open(); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  bool value() { return ++values_ <= kMaxValues; }
  bool open() { return value() && ++depth_ <= kMaxDepth; }
  bool close() {
    --depth_;
    return true;
  }
  std::size_t depth_ = 0;
  std::size_t values_ = 0;
};

// Numbers and short texts identify a request; anything else cannot be echoed safely.
Json usableId(const Json& body) {
  const auto id = body.find("id");
  if (id == body.end()) return nullptr;
  if (id->is_number_integer()) return *id;
  if (id->is_string() && id->get_ref<const std::string&>().size() <= kMaxIdBytes) return *id;
  return nullptr;
}

bool readSession(const Json& body, std::uint64_t& session) {
  const auto field = body.find("session");
  if (field == body.end() || !field->is_number_integer()) return false;
  if (field->is_number_unsigned()) {
    session = field->get<std::uint64_t>();
  } else {
    const auto value = field->get<std::int64_t>();
    if (value < 0) return false;
    session = static_cast<std::uint64_t>(value);
  }
  return true;
}

bool readCall(Json& body, Request& request, std::string& why) {
  const auto member = body.find("member");
  const members::Member* shape =
      member != body.end() && member->is_string() ? members::findMember(member->get_ref<const std::string&>()) : nullptr;
  if (!shape) {
    why = "unknown member";
    return false;
  }
  const auto args = body.find("args");
  if (args == body.end() || !args->is_array()) {
    why = "args must be an array";
    return false;
  }
  // SetData may carry the query list to run, so that a page needs one call per run.
  const std::size_t maxArgs = shape->textArguments + (shape->id == Member::SetData ? 1 : 0);
  if (args->size() < shape->textArguments || args->size() > maxArgs) {
    why = std::string("wrong number of args for ") + shape->name;
    return false;
  }
  for (Json& arg : *args) {
    if (!arg.is_string()) {
      why = "args must be texts";
      return false;
    }
    // A query list may be tens of megabytes: moved, not copied.
    request.args.push_back(std::move(arg.get_ref<std::string&>()));
  }
  request.member = shape->id;
  return true;
}

// The inventory's one text, moved like a call's args.
bool readQueries(Json& body, Request& request, std::string& why) {
  const auto queries = body.find("queries");
  if (queries == body.end() || !queries->is_string()) {
    why = "queries must be a text";
    return false;
  }
  request.args.push_back(std::move(queries->get_ref<std::string&>()));
  return true;
}

}  // namespace

std::optional<Envelope> readEnvelope(const std::string& text, Json& id, std::string& why) {
  id = nullptr;
  ShapeCheck shape;
  if (!Json::sax_parse(text, &shape)) {
    why = "not JSON, or not the shape of a request";
    return std::nullopt;
  }
  Envelope envelope;
  envelope.body = Json::parse(text, nullptr, false);
  if (!envelope.body.is_object()) {
    why = "not an object";
    return std::nullopt;
  }
  id = usableId(envelope.body);
  envelope.id = id;
  const auto origin = envelope.body.find("origin");
  if (origin == envelope.body.end() || !origin->is_string()) {
    why = "origin must be a text";
    return std::nullopt;
  }
  envelope.origin = origin->get<std::string>();
  return envelope;
}

bool isHello(const Json& body) {
  const auto op = body.find("op");
  return op != body.end() && *op == "hello";
}

std::optional<Request> readRequest(Json& body, std::string& why) {
  Request request;
  const auto op = body.find("op");
  const std::string name = op != body.end() && op->is_string() ? op->get<std::string>() : std::string();
  if (name == "open") {
    request.op = Op::Open;
    return request;
  }
  if (name == "call") {
    request.op = Op::Call;
  } else if (name == "close") {
    request.op = Op::Close;
  } else if (name == "inventory") {
    request.op = Op::Inventory;
  } else {
    why = "unknown op";
    return std::nullopt;
  }
  if (!readSession(body, request.session)) {
    why = "session must be a whole number";
    return std::nullopt;
  }
  if (request.op == Op::Call && !readCall(body, request, why)) return std::nullopt;
  if (request.op == Op::Inventory && !readQueries(body, request, why)) return std::nullopt;
  return request;
}

}  // namespace kestor::bridge
