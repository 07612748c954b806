#include "bridge/core_session.h"

#include <utility>

#include "collect/typed_collection.h"
#include "common/utf8.h"
#include "inventory/inventory_json.h"
#include "store/store_ports.h"

namespace kestor::bridge {

namespace {

// The report's bytes go through the platform's conversion from the ANSI code page, then
// into UTF-8 in one pass; the UTF-16 text is dropped as soon as that is done. Lone
// surrogates (a report holds none from a code page, but toUtf8 is total) become U+FFFD.
class Utf8ReportSink : public ReportSink {
 public:
  explicit Utf8ReportSink(AnsiCodec& ansi) : ansi_(ansi) {}
  void takeAnsi(const std::string& bytes) override { utf8_ = toUtf8(ansi_.fromAnsi(bytes)); }
  std::string take() { return std::move(utf8_); }

 private:
  AnsiCodec& ansi_;
  std::string utf8_;
};

class CoreSession : public Session {
 public:
  CoreSession(const Platform& platform, WmiConnector& typedWmi)
      : ansi_(platform.ansi), typedWmi_(typedWmi), core_(platform) {}

  void setWmiAttributesOfInterest(const std::string& queryList) override {
    core_.setWmiAttributesOfInterest(textOfUtf8(queryList));
  }
  std::string setData() override { return toUtf8(core_.setData()); }
  std::string getData(const std::string& fileId) override {
    Utf8ReportSink report(ansi_);
    core_.getData(textOfUtf8(fileId), report);
    return report.take();
  }
  std::string generateIdentifier() override { return toUtf8(core_.generateIdentifier()); }
  std::string dateTime() override { return toUtf8(core_.dateTime()); }
  std::string getTestData() override { return toUtf8(core_.getTestData()); }
  std::string inventory(const std::string& queryList) override {
    return inventoryJson(collectTyped(typedWmi_, textOfUtf8(queryList)));
  }

 private:
  AnsiCodec& ansi_;
  WmiConnector& typedWmi_;
  SysKestor core_;
};

}  // namespace

std::unique_ptr<Session> CoreSessionFactory::open() { return std::make_unique<CoreSession>(platform_, typedWmi_); }

}  // namespace kestor::bridge
