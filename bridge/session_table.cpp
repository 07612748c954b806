#include "bridge/session_table.h"

#include <algorithm>
#include <utility>

#include "common/utf8.h"
#include "store/file_id.h"

namespace kestor::bridge {

namespace {

// The store decides which ids name the same report; "" for an id it would refuse.
std::string drawnForm(const std::string& fileId) { return toUtf8(canonicalFileId(textOfUtf8(fileId))); }

// An id in a slot, NUL after it when shorter; false for an id no slot holds.
template <typename Slot>
bool toSlot(const std::string& id, Slot& slot) {
  if (id.empty() || id.size() > slot.size()) return false;
  slot.fill('\0');
  id.copy(slot.data(), id.size());
  return true;
}

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
  Drawn::Slot slot;
  if (!toSlot(drawnForm(fileId), slot)) return;
  Drawn& drawn = reports_[origin];
  drawn.slots[drawn.next] = slot;
  drawn.next = (drawn.next + 1) % drawn.slots.size();
}

bool SessionTable::drewReport(const std::string& origin, const std::string& fileId) const {
  const auto drawn = reports_.find(origin);
  Drawn::Slot slot;
  if (drawn == reports_.end() || !toSlot(drawnForm(fileId), slot)) return false;
  return std::find(drawn->second.slots.begin(), drawn->second.slots.end(), slot) != drawn->second.slots.end();
}

}  // namespace kestor::bridge
