#include "bridge/session_table.h"

#include <utility>

#include "common/utf8.h"
#include "store/file_id.h"

namespace kestor::bridge {

namespace {

// The store decides which ids name the same report; "" for an id it would refuse.
std::string drawnForm(const std::string& fileId) { return toUtf8(canonicalFileId(textOfUtf8(fileId))); }

}  // namespace

bool SessionTable::full(const std::string& origin) const {
  if (sessions_.size() >= kMaxPerHost) return true;
  const auto open = openPerOrigin_.find(origin);
  return open != openPerOrigin_.end() && open->second >= kMaxPerOrigin;
}

std::uint64_t SessionTable::add(const std::string& origin, std::unique_ptr<Session> session) {
  const std::uint64_t number = ++lastNumber_;
  sessions_.emplace(number, Entry{origin, std::move(session)});
  ++openPerOrigin_[origin];
  return number;
}

Session* SessionTable::find(const std::string& origin, std::uint64_t number) const {
  const auto found = sessions_.find(number);
  if (found == sessions_.end() || found->second.origin != origin) return nullptr;
  return found->second.session.get();
}

bool SessionTable::remove(const std::string& origin, std::uint64_t number) {
  if (!find(origin, number)) return false;
  sessions_.erase(number);
  if (--openPerOrigin_[origin] == 0) openPerOrigin_.erase(origin);
  return true;
}

void SessionTable::noteReport(const std::string& origin, const std::string& fileId) {
  const std::string drawn = drawnForm(fileId);
  if (!drawn.empty()) reports_[origin].insert(drawn);
}

bool SessionTable::drewReport(const std::string& origin, const std::string& fileId) const {
  const auto drawn = reports_.find(origin);
  return drawn != reports_.end() && drawn->second.count(drawnForm(fileId)) != 0;
}

}  // namespace kestor::bridge
