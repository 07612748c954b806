#include "bridge/server.h"

#include <new>
#include <utility>

#include "bridge/report_reply.h"
#include "common/failure.h"
#include "common/utf8.h"

namespace kestor::bridge {

namespace {

// A failure of the host itself, not of a member's own run: reported as the control
// reports it (E_OUTOFMEMORY, E_UNEXPECTED).
constexpr std::int32_t kOutOfMemoryStatus = static_cast<std::int32_t>(0x8007000Eu);
constexpr std::int32_t kUnexpectedStatus = static_cast<std::int32_t>(0x8000FFFFu);

}  // namespace

Server::Server(SessionFactory& factory, AllowList allowed, std::string hostVersion)
    : factory_(factory), allowed_(std::move(allowed)), hostVersion_(std::move(hostVersion)) {}

void Server::run(ByteSource& in, ByteSink& out) {
  const SendReply send = [&out](const std::string& reply) { writeFrame(out, reply); };
  std::string text;
  for (;;) {
    switch (readFrame(in, text)) {
      case FrameStatus::End: return;
      case FrameStatus::TooLarge:
        send(errorReply(nullptr, error_code::kBadRequest, "request above 64 MiB"));
        break;
      case FrameStatus::Message: serve(std::move(text), send); break;
    }
  }
}

void Server::serve(std::string text, const SendReply& send) {
  // Every reply but the sink's own failure: the sink's throw has to leave the loop.
  bool sending = false;
  const SendReply guardedSend = [&](const std::string& reply) {
    sending = true;
    send(reply);
    sending = false;
  };
  Json id = nullptr;
  try {
    std::string why;
    std::optional<Envelope> envelope = readEnvelope(text, id, why);
    std::string().swap(text);
    if (!envelope) return guardedSend(errorReply(id, error_code::kBadRequest, why));
    if (envelope->id.is_null()) return guardedSend(errorReply(id, error_code::kBadRequest, "id missing or unusable"));
    // Nothing else of a refused page's request is looked at. Which host this is may be
    // asked by any page of a servable kind: the answer opens nothing.
    const bool servable = isServableOrigin(envelope->origin);
    if (servable && isHello(envelope->body)) {
      return guardedSend(okReply(id, {{"protocol", kProtocolVersion}, {"host", hostVersion_}}));
    }
    if (!servable || !allowed_.allows(envelope->origin)) {
      return guardedSend(errorReply(id, error_code::kOriginRefused, "origin not allowed"));
    }
    const std::optional<Request> request = readRequest(envelope->body, why);
    if (!request) return guardedSend(errorReply(id, error_code::kBadRequest, why));
    serveRequest(*envelope, *request, guardedSend);
  } catch (const Failure& failure) {
    if (sending) throw;
    guardedSend(failedReply(id, statusOfFailureNumber(failure.number()), toUtf8(failure.description())));
  } catch (const std::bad_alloc&) {
    if (sending) throw;
    guardedSend(failedReply(id, kOutOfMemoryStatus, "Out of memory"));
  } catch (const std::exception&) {
    if (sending) throw;
    guardedSend(failedReply(id, kUnexpectedStatus, "Unexpected failure"));
  }
}

void Server::serveRequest(const Envelope& envelope, const Request& request, const SendReply& send) {
  const std::string& origin = envelope.origin;
  switch (request.op) {
    case Op::Open: {
      if (sessions_.full(origin)) return send(errorReply(envelope.id, error_code::kTooManySessions, "too many sessions"));
      const std::uint64_t number = sessions_.add(origin, factory_.open());
      return send(okReply(envelope.id, {{"session", number}}));
    }
    case Op::Close:
      if (!sessions_.remove(origin, request.session)) {
        return send(errorReply(envelope.id, error_code::kNoSession, "no such session"));
      }
      return send(okReply(envelope.id));
    case Op::Call: {
      Session* session = sessions_.find(origin, request.session);
      if (!session) return send(errorReply(envelope.id, error_code::kNoSession, "no such session"));
      return call(envelope, *session, request, send);
    }
    case Op::Inventory: {
      Session* session = sessions_.find(origin, request.session);
      if (!session) return send(errorReply(envelope.id, error_code::kNoSession, "no such session"));
      return sendValue(send, envelope.id, session->inventory(request.args[0]));
    }
  }
}

void Server::call(const Envelope& envelope, Session& session, const Request& request, const SendReply& send) {
  const std::vector<std::string>& args = request.args;
  switch (request.member) {
    case Member::WmiAttributesOfInterest:
      session.setWmiAttributesOfInterest(args[0]);
      return send(okReply(envelope.id));
    case Member::SetData: {
      if (!args.empty()) session.setWmiAttributesOfInterest(args[0]);
      const std::string fileId = session.setData();
      if (!fileId.empty()) sessions_.noteReport(envelope.origin, fileId);
      return sendValue(send, envelope.id, fileId);
    }
    case Member::GetData:
      // Another origin's report, an earlier host's or any other file: as if unknown.
      if (!sessions_.drewReport(envelope.origin, args[0])) return sendValue(send, envelope.id, std::string());
      if (const std::unique_ptr<ReportReader> report = session.getData(args[0])) {
        return sendReport(send, envelope.id, *report);
      }
      return sendValue(send, envelope.id, std::string());
    case Member::GenerateIdentifier: return sendValue(send, envelope.id, session.generateIdentifier());
    case Member::GetTestData: return sendValue(send, envelope.id, session.getTestData());
    case Member::DateTime: return sendValue(send, envelope.id, session.dateTime());
  }
}

}  // namespace kestor::bridge
