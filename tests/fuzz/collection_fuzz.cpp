// Whole collection runs over the scripted fake WMI and fake files, with failures
// (WMI's, file system's, out of memory, no GUID) injected wherever the input says.
// After every call: the report only grew, every id handed out is well formed, no file
// is open, a stored report reads back as written, and only store paths were opened.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "collect/query_parser.h"
#include "common/failure.h"
#include "control/sys_kestor.h"
#include "fakes/fake_platform.h"
#include "fuzz/fuzz_input.h"
#include "store/file_id.h"

namespace kestor::fuzz {
namespace {

using fakes::FakeFileSystem;

// Without "[", so no value or description can pass for a report marker.
Text someText(FuzzedDataProvider& in, std::size_t longest) {
  std::string bytes = in.ConsumeRandomLengthString(longest);
  bytes.erase(std::remove(bytes.begin(), bytes.end(), '['), bytes.end());
  return textOf(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// True when every query the list runs names at least one property (or has no names
// list at all, and so no instance lines).
bool everyQueryNamesAProperty(const Text& list) {
  std::size_t start = 0;
  for (std::size_t end = list.find(u'|'); end != Text::npos; start = end + 1, end = list.find(u'|', start)) {
    try {
      if (extractPropertyNames(list.substr(start, end - start)).empty()) return false;
    } catch (const Failure&) {
    }
  }
  return true;
}

Text queryList(FuzzedDataProvider& in) {
  static const char16_t* const kQueries[] = {u"SELECT A, B FROM Win32_X", u"SELECT * FROM Win32_Y",
                                             u"select c,a from win32_z where c = 1", u""};
  Text list;
  const int count = in.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < count; ++i) {
    const int pick = in.ConsumeIntegralInRange(0, 4);
    list += pick < 4 ? Text(kQueries[pick]) : someText(in, 40);
    list += u'|';
  }
  if (in.ConsumeBool()) list += someText(in, 20);  // the piece after the last "|" never runs
  return list;
}

WmiValue valueOf(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: return WmiValue::null();
    case 1: return WmiValue::ofText(someText(in, 12));
    case 2: return WmiValue::ofInteger(in.ConsumeIntegral<std::int64_t>());
    case 3: return WmiValue::ofBoolean(in.ConsumeBool());
    case 4: return WmiValue::array();
    default: return WmiValue::object();
  }
}

void scriptWmi(FuzzedDataProvider& in, fakes::FakeWmi& wmi) {
  wmi.instances.assign(in.ConsumeIntegralInRange(0, 3), {});
  for (fakes::Properties& instance : wmi.instances) {
    for (const char16_t* name : {u"A", u"B", u"C"}) {
      if (in.ConsumeBool()) instance[name] = valueOf(in);
    }
  }
  const int failures = in.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < failures; ++i) {
    const std::size_t step = wmi.calls.all() + in.ConsumeIntegralInRange(1, 30);
    wmi.stepThrows[step] = in.ConsumeBool() ? std::make_exception_ptr(std::bad_alloc())
                                            : fakes::failureOf(in.ConsumeIntegral<std::int32_t>(), someText(in, 8));
  }
}

class Run {
 public:
  explicit Run(FuzzedDataProvider& in) : in_(in) {
    const int directory = in.ConsumeIntegralInRange(0, 2);
    if (directory == 0) fakes_.temp.path = std::nullopt;
    if (directory == 1) fakes_.temp.path = std::string("C:\\Caf\xE9\\");
    // Draws with hex letters (so a lower-case id differs), or failing draws that give
    // the fallback digit ids, which can collide.
    for (std::uint32_t draw = 0; draw < 8; ++draw) {
      if (in.ConsumeBool()) {
        fakes_.guids.queueStatus(-2147467259);
      } else {
        Guid guid;
        guid.data1 = 0xA0000000u + (draw << 16) + in.ConsumeIntegral<std::uint16_t>();
        fakes_.guids.queueGuid(guid);
      }
    }
    scriptWmi(in, fakes_.wmi);
    kestor_.setWmiAttributesOfInterest(queryList(in));
  }

  void step() {
    const Text before = kestor_.reportText().toText();
    const std::size_t opensBefore = fakes_.files.openedPaths().size();
    switch (in_.ConsumeIntegralInRange(0, 4)) {
      case 0: setData(); break;
      case 1: readAny(); break;
      case 2: readBack(true); break;
      case 3: kestor_.setWmiAttributesOfInterest(queryList(in_)); break;
      default: scriptWmi(in_, fakes_.wmi); break;
    }
    const Text after = kestor_.reportText().toText();
    check(after.compare(0, before.size(), before) == 0, "the report only grows");
    check(fakes_.files.openCount() == 0, "no file left open");
    const Text directory = directoryText();
    for (std::size_t i = opensBefore; i < fakes_.files.openedPaths().size(); ++i) {
      const Text& path = fakes_.files.openedPaths()[i];
      check(path.compare(0, directory.size(), directory) == 0, "only the store's directory");
      check(isWellFormedFileId(TextView(path).substr(std::min(directory.size(), path.size()))),
            "only well-formed names");
    }
  }

 private:
  Text directoryText() const { return fakes_.temp.path ? widen(*fakes_.temp.path) : Text(u"c:\\"); }

  void setData() {
    if (in_.ConsumeBool()) {
      fakes_.files.failNext(in_.PickValueInArray({FakeFileSystem::Step::createNew, FakeFileSystem::Step::write,
                                            FakeFileSystem::Step::close}));
    }
    const std::size_t before = kestor_.reportText().size();
    const Text id = kestor_.setData();
    if (everyQueryNamesAProperty(kestor_.queryList())) {
      // No section is cut short: an instance line is followed by its first name line.
      const Text added = kestor_.reportText().toText().substr(before);
      for (std::size_t at = added.find(u"[INSTANCE]\r\n"); at != Text::npos; at = added.find(u"[INSTANCE]\r\n", at + 1)) {
        check(added.compare(at + 12, 8, u"[pname]=") == 0, "every instance has its name lines");
      }
    }
    if (id.empty()) return;
    check(isWellFormedFileId(id), "returned ids are well formed");
    const std::string expected = fakes_.ansi.toAnsi(kestor_.reportText().toText());
    check(fakes_.files.contentOf(directoryText() + id) == expected, "the file holds the report");
    ids_.push_back(id);
    written_.push_back(fakes_.ansi.fromAnsi(expected));
    readBack(false);
  }

  Text reportOf(const Text& id) {
    fakes::TextReportSink report;
    kestor_.getData(id, report);
    return report.text;
  }

  // Any text a page passes: a report only for an id this run stored.
  void readAny() {
    const Text id = someText(in_, 40);
    if (reportOf(id).empty()) return;
    check(std::find(ids_.begin(), ids_.end(), canonicalFileId(id)) != ids_.end(), "reads only stored reports");
  }

  // The latest stored id, as drawn or in lower case, reads back what was written.
  void readBack(bool lowerCase) {
    if (ids_.empty()) return;
    Text id = ids_.back();
    for (char16_t& unit : id) {
      if (lowerCase && unit >= u'A' && unit <= u'F') unit = char16_t(unit + 32);
    }
    check(reportOf(id) == written_.back(), "a stored id reads back what was written");
  }

  FuzzedDataProvider& in_;
  fakes::FakePlatform fakes_;
  SysKestor kestor_{fakes_.platform()};
  std::vector<Text> ids_;
  std::vector<Text> written_;
};

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Run run(in);
  for (int calls = 0; calls < 8 && in.remaining_bytes() > 0; ++calls) run.step();
}

}  // namespace kestor::fuzz
