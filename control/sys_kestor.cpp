#include "control/sys_kestor.h"

#include <new>
#include <utility>
#include <vector>

#include "collect/query_parser.h"
#include "collect/query_runner.h"
#include "common/failure.h"
#include "store/identifier.h"
#include "store/report_store.h"

namespace kestor {

namespace {

constexpr std::size_t kHighestRunnableIndex = 32767;

}  // namespace

SysKestor::SysKestor(const Platform& platform) : platform_(platform) {}

void SysKestor::setWmiAttributesOfInterest(const Text& queryList) { queryList_ = queryList; }

// Date and time are read separately and joined with no separator: pages split the
// text themselves, so the run-together form is kept.
Text SysKestor::dateTime() {
  Text date = platform_.clock.regionalDateText();
  return date + platform_.clock.regionalTimeText();
}

Text SysKestor::getTestData() const { return kTestData; }

Text SysKestor::generateIdentifier() {
  return kestor::generateIdentifier(platform_.guids, platform_.clock);
}

Text SysKestor::setData() {
  try {
    const std::vector<Text> pieces = splitQueryList(queryList_);
    // Every query is followed by a separator, so the piece after the last one is
    // never run. Counters are 16-bit: a longer list is refused before anything runs.
    if (pieces.size() > kHighestRunnableIndex + 1) throw Failure::overflow();
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
      runQuery(platform_.wmi, pieces[i], reportText_, statusText_);
    }
    return reportStore().writeDataFile(reportText_);
  } catch (const Failure&) {
    // What the queries appended stays in the report and goes into the next one.
    return Text();
  } catch (const std::bad_alloc&) {
    return Text();
  }
}

void SysKestor::getData(const Text& fileId, ReportSink& report) { reportStore().readDataFile(fileId, report); }

std::unique_ptr<ReportBlocks> SysKestor::openData(const Text& fileId) { return reportStore().openDataFile(fileId); }

void SysKestor::loadProperties(PropertySource& source) {
  Text queryList = source.readText(kPropertyKey);
  queryList_ = std::move(queryList);
}

ReportStore SysKestor::reportStore() {
  return ReportStore(StorePorts{platform_.tempDirectory, platform_.files, platform_.ansi},
                     [this] { return generateIdentifier(); });
}

}  // namespace kestor
