#pragma once
// GetData's reply, sent as the report file is read: a report of hundreds of megabytes
// passes through the host a message at a time.
#include "bridge/reply.h"
#include "bridge/session.h"

namespace kestor::bridge {

// The report of reader as sendValue would send its whole text: one message when it
// fits, else the parts of a chunked reply. The file is read twice over one open handle:
// once to learn how many parts there are (the first part says), once to send them. A
// failed read throws: before the first message the caller answers with a failure, after
// it that failure ends the chunked reply.
void sendReport(const SendReply& send, const Json& id, ReportReader& reader);

}  // namespace kestor::bridge
