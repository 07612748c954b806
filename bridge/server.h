#pragma once
// The host's side of the bridge: requests in, replies out, one at a time in order.
#include <string>

#include "bridge/framing.h"
#include "bridge/origin.h"
#include "bridge/reply.h"
#include "bridge/request.h"
#include "bridge/session_table.h"

namespace kestor::bridge {

// The version of the bridge's messages this host speaks; "hello" tells it.
constexpr int kProtocolVersion = 2;

class Server {
 public:
  // hostVersion: the product's version, as "hello" tells it.
  Server(SessionFactory& factory, AllowList allowed, std::string hostVersion = std::string());

  // Serves every request of in until it ends; a reply that cannot be written ends it
  // with a throw. The sessions end with the server.
  void run(ByteSource& in, ByteSink& out);

  // One request's text; its replies (one, or the chunks of a long value) through send.
  // The text is let go of once it is parsed.
  void serve(std::string text, const SendReply& send);

 private:
  void serveRequest(const Envelope& envelope, const Request& request, const SendReply& send);
  void call(const Envelope& envelope, Session& session, const Request& request, const SendReply& send);

  SessionFactory& factory_;
  AllowList allowed_;
  std::string hostVersion_;
  SessionTable sessions_;
};

}  // namespace kestor::bridge
