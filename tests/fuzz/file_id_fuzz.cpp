// File ids a page may pass: only the two drawn forms are accepted, a braced GUID in
// any letter case reads its upper-case file, and nothing else ever becomes a path.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/failure.h"
#include "fakes/fake_store_ports.h"
#include "fuzz/fuzz_input.h"
#include "store/file_id.h"
#include "store/report_store.h"

namespace kestor::fuzz {
namespace {

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }
bool isHex(char16_t unit) { return isDigit(unit) || (unit >= u'A' && unit <= u'F'); }

bool modelWellFormed(const Text& id) {
  if (id.size() == 38) {
    if (id[0] != u'{' || id[37] != u'}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
      const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
      if (dash != (id[i] == u'-') || (!dash && !isHex(id[i]))) return false;
    }
    return true;
  }
  if (id.size() < 7 || id.size() > 13) return false;
  for (char16_t unit : id) {
    if (!isDigit(unit)) return false;
  }
  return true;
}

Text modelUpper(Text id) {
  for (char16_t& unit : id) {
    if (unit >= u'a' && unit <= u'z') unit = char16_t(unit - 32);
  }
  return id;
}

// Directories as the port may hand them over; byte 0 of the input picks one.
std::optional<std::string> directoryOf(std::uint8_t choice) {
  switch (choice % 4) {
    case 0: return std::nullopt;
    case 1: return std::string("C:\\Temp\\");
    case 2: return std::string("C:\\Caf\xE9\\");
    default: return std::string("C:\\T\\\0junk", 10);
  }
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const Text id = textOf(data + 1, size - 1);
  const bool wellFormed = modelWellFormed(id);
  check(isWellFormedFileId(id) == wellFormed, "well-formed ids");
  const Text upper = modelUpper(id);
  const Text canonical = modelWellFormed(upper) ? upper : Text();
  check(canonicalFileId(id) == canonical, "canonical id");

  fakes::FakeTempDirectory temp;
  temp.path = directoryOf(data[0]);
  const Text directory = !temp.path ? Text(u"c:\\") : widen(temp.path->substr(0, temp.path->find('\0')));
  fakes::FakeFileSystem files;
  fakes::FakeAnsiCodec ansi;
  // A file under the id exactly as given, and the report its drawn form names.
  files.putFile(directory + id, "planted");
  if (!canonical.empty()) files.putFile(directory + canonical, "report");
  const ReportStore store({temp, files, ansi}, [] { return Text(u"1120100"); });

  Text path;
  std::int32_t failure = 0;
  try {
    path = store.buildFilePath(id);
  } catch (const Failure& f) {
    failure = f.number();
  }
  check(failure == (wellFormed ? 0 : error_number::kInvalidArgument), "only well-formed ids make paths");
  if (wellFormed) check(path == directory + id, "path is directory and id");

  fakes::TextReportSink read;
  store.readDataFile(id, read);
  check(read.text == (canonical.empty() ? Text() : Text(u"report")), "read gives the canonical file");
  for (const Text& opened : files.openedPaths()) check(opened == directory + canonical, "opens only its own file");
  check(files.openCount() == 0, "no file left open");
}

}  // namespace kestor::fuzz
