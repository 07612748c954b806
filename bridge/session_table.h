#pragma once
// The sessions of one host, each owned by the origin that opened it, and the reports
// each origin's sessions drew.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge/session.h"

namespace kestor::bridge {

class SessionTable {
 public:
  static constexpr std::size_t kMaxPerOrigin = 32;
  static constexpr std::size_t kMaxPerHost = 256;
  // Reports remembered per origin: an older one reads as unknown.
  static constexpr std::size_t kDrawnPerOrigin = 10000;

  bool full(const std::string& origin) const;
  // A new session number, never used before in this host.
  std::uint64_t add(const std::string& origin, std::unique_ptr<Session> session);
  // Null when the number is unknown, closed, or another origin's.
  Session* find(const std::string& origin, std::uint64_t number) const;
  bool remove(const std::string& origin, std::uint64_t number);

  // File ids compare in the store's canonical form (store/file_id.h). Only the newest
  // kDrawnPerOrigin of an origin count.
  void noteReport(const std::string& origin, const std::string& fileId);
  bool drewReport(const std::string& origin, const std::string& fileId) const;

 private:
  struct Entry {
    std::string origin;
    std::unique_ptr<Session> session;
  };
  std::map<std::uint64_t, Entry> sessions_;
  std::map<std::string, std::size_t> openPerOrigin_;
  // A ring of an origin's newest ids, allocated whole with its first: the host's memory
  // stays flat however many reports it serves.
  struct Drawn {
    using Slot = std::array<char, 38>;  // a braced GUID, the longest id the store draws
    std::vector<Slot> slots = std::vector<Slot>(kDrawnPerOrigin);
    std::size_t next = 0;
  };
  std::map<std::string, Drawn> reports_;
  std::uint64_t lastNumber_ = 0;
};

}  // namespace kestor::bridge
