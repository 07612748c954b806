#pragma once
// The scriptable object's behaviour, free of COM: its three fields and its members.
#include <memory>

#include "collect/wmi_client.h"
#include "common/chunked_text.h"
#include "common/clock.h"
#include "common/text.h"
#include "control/property_source.h"
#include "store/report_store.h"
#include "store/store_ports.h"

namespace kestor {

// The platform services one object talks to; they must outlive the object.
struct Platform {
  WmiConnector& wmi;
  Clock& clock;
  GuidSource& guids;
  TempDirectory& tempDirectory;
  FileSystem& files;
  AnsiCodec& ansi;
};

class SysKestor {
 public:
  static constexpr char16_t kPropertyKey[] = u"WMI_ATTRIBUTES_OF_INTEREST";
  static constexpr char16_t kTestData[] = u"WMI simulation";

  explicit SysKestor(const Platform& platform);
  SysKestor(const SysKestor&) = delete;
  SysKestor& operator=(const SysKestor&) = delete;

  void setWmiAttributesOfInterest(const Text& queryList);
  Text dateTime();
  Text getTestData() const;
  Text generateIdentifier();
  // Runs every query of the list and stores the report; its file id, or the empty
  // text when the run failed.
  Text setData();
  // The stored report of fileId into report, which stays empty when there is none.
  void getData(const Text& fileId, ReportSink& report);
  // The same report in blocks; null where getData leaves it empty before reading.
  std::unique_ptr<ReportBlocks> openData(const Text& fileId);
  // Replaces the query list with the persisted value; on failure the list is kept
  // and the failure is rethrown.
  void loadProperties(PropertySource& source);

  // The fields, for inspection by tests; no script can read them.
  const ChunkedText& reportText() const { return reportText_; }
  const Text& queryList() const { return queryList_; }

 private:
  ReportStore reportStore();

  Platform platform_;
  Text statusText_;
  ChunkedText reportText_;
  Text queryList_;
};

}  // namespace kestor
