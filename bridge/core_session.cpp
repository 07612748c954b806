#include "bridge/core_session.h"

#include <utility>

#include "collect/typed_collection.h"
#include "common/utf8.h"
#include "inventory/inventory_json.h"
#include "store/store_ports.h"

namespace kestor::bridge {

namespace {

// A report file's blocks, each through the platform's conversion from the ANSI code page
// and then into UTF-8; the UTF-16 text is dropped as soon as that is done.
class CoreReportReader : public ReportReader {
 public:
  CoreReportReader(std::unique_ptr<ReportBlocks> blocks, AnsiCodec& ansi) : blocks_(std::move(blocks)), ansi_(ansi) {}
  bool next(std::string& ansi) override { return blocks_->next(ansi); }
  void rewind() override { blocks_->rewind(); }
  std::string utf8Of(const std::string& ansi) override { return toUtf8(ansi_.fromAnsi(ansi)); }

 private:
  std::unique_ptr<ReportBlocks> blocks_;
  AnsiCodec& ansi_;
};

class CoreSession : public Session {
 public:
  CoreSession(const Platform& platform, WmiConnector& typedWmi)
      : ansi_(platform.ansi), typedWmi_(typedWmi), core_(platform) {}

  void setWmiAttributesOfInterest(const std::string& queryList) override {
    core_.setWmiAttributesOfInterest(textOfUtf8(queryList));
  }
  std::string setData() override { return toUtf8(core_.setData()); }
  std::unique_ptr<ReportReader> getData(const std::string& fileId) override {
    std::unique_ptr<ReportBlocks> blocks = core_.openData(textOfUtf8(fileId));
    if (!blocks) return nullptr;
    return std::make_unique<CoreReportReader>(std::move(blocks), ansi_);
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
