#pragma once
// Sessions for the bridge's tests: each keeps its query list; the store is shared by all
// sessions of one factory, like the temporary directory, so any session can read any
// report it is given the id of.
#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge/framing.h"
#include "bridge/session.h"
#include "common/failure.h"
#include "common/utf8.h"
#include "store/file_id.h"

namespace kestor::fakes {

// The id of the fake's run number run, in the braced GUID form the store draws.
inline std::string drawnId(int run) {
  const std::string digits = std::to_string(run);
  return "{ABCDEF00-0000-0000-0000-" + std::string(12 - digits.size(), '0') + digits + "}";
}

struct FakeBridgeStore {
  std::map<std::string, std::string> reports;  // by canonical id, as file names match
  int getDataCalls = 0;
  int runs = 0;
  // Each report is the query list this many times over.
  std::size_t repeat = 1;
};

// A report in blocks of one line each (UTF-8 stands in for the code page).
struct LineReader : bridge::ReportReader {
  explicit LineReader(std::string text) : report(std::move(text)) {}
  bool next(std::string& ansi) override {
    const std::size_t end = std::min(report.find('\n', at), report.size() - 1) + 1;
    ansi = report.substr(at, end - at);
    at = end;
    return !ansi.empty();
  }
  void rewind() override { at = 0; }
  std::string utf8Of(const std::string& ansi) override { return ansi; }
  std::string report;
  std::size_t at = 0;
};

class FakeBridgeSession : public bridge::Session {
 public:
  explicit FakeBridgeSession(FakeBridgeStore& store) : store_(store) {}

  // A list starting "fail" makes the simple members fail with error 5.
  void setWmiAttributesOfInterest(const std::string& queryList) override { queryList_ = queryList; }
  std::string setData() override {
    if (queryList_.empty()) return std::string();  // plays a failed run
    std::string report;
    report.reserve(queryList_.size() * store_.repeat);
    for (std::size_t i = 0; i < store_.repeat; ++i) report += queryList_;
    const std::string id = drawnId(++store_.runs);
    store_.reports[id] = std::move(report);
    return id;
  }
  std::unique_ptr<bridge::ReportReader> getData(const std::string& fileId) override {
    ++store_.getDataCalls;
    const auto found = store_.reports.find(toUtf8(canonicalFileId(textOfUtf8(fileId))));
    if (found == store_.reports.end()) return nullptr;
    return std::make_unique<LineReader>(found->second);
  }
  std::string generateIdentifier() override { return simple("{GUID}"); }
  std::string dateTime() override { return simple("5/11/20077:10:02 PM"); }
  std::string getTestData() override { return simple("WMI simulation"); }
  // The list back as the JSON value: a test sees which list arrived.
  std::string inventory(const std::string& queryList) override { return "{\"list\":\"" + queryList + "\"}"; }

 private:
  std::string simple(const char* text) {
    if (queryList_.compare(0, 4, "fail") == 0) throw Failure::invalidArgument();
    return text;
  }

  FakeBridgeStore& store_;
  std::string queryList_;
};

class FakeBridgeFactory : public bridge::SessionFactory {
 public:
  FakeBridgeStore store;
  int opened = 0;

  std::unique_ptr<bridge::Session> open() override {
    ++opened;
    return std::make_unique<FakeBridgeSession>(store);
  }
};

// Standard input and output in memory: reads what it was given, keeps what is written.
class MemoryStreams : public bridge::ByteSource, public bridge::ByteSink {
 public:
  explicit MemoryStreams(std::string in = {}) : in(std::move(in)) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, in.size() - at_);
    in.copy(buffer, n, at_);
    at_ += n;
    return n;
  }
  void write(const char* bytes, std::size_t size) override { out.append(bytes, size); }
  void flush() override {}

  std::string in, out;

 private:
  std::size_t at_ = 0;
};

}  // namespace kestor::fakes
