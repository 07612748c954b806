// The two query-text operations against a plain model of the rules they implement:
// the first "Win32_" up to the next blank; the head before the first "FROM" without
// "SELECT" and blanks, split at ","; positions above 32,767 overflow.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "collect/query_parser.h"
#include "common/failure.h"
#include "fuzz/fuzz_input.h"
#include "support/failure_number.h"

namespace kestor::fuzz {
namespace {

constexpr std::size_t kLastPosition = 32767;

char16_t lower(char16_t unit) { return (unit >= u'A' && unit <= u'Z') ? char16_t(unit + 32) : unit; }

// 0-based index of the first match of the lower-case ASCII word, any case; nullopt if none.
std::optional<std::size_t> firstMatch(const Text& text, const Text& word, std::size_t from = 0) {
  for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
    bool same = true;
    for (std::size_t i = 0; same && i < word.size(); ++i) same = lower(text[at + i]) == word[i];
    if (same) return at;
  }
  return std::nullopt;
}

// The 1-based position a search result is kept as; nullopt when it overflows.
bool fits(std::optional<std::size_t> found) { return !found || *found + 1 <= kLastPosition; }

struct Expected {
  std::int32_t failure = 0;
  Text className;
  std::vector<Text> names;
};

Expected modelClassName(const Text& query) {
  const std::optional<std::size_t> prefix = firstMatch(query, u"win32_");
  if (!fits(prefix)) return {error_number::kOverflow, {}, {}};
  const Text rest = prefix ? query.substr(*prefix) : query;
  const std::optional<std::size_t> blank = firstMatch(rest, u" ");
  if (!fits(blank)) return {error_number::kOverflow, {}, {}};
  return {0, blank ? rest.substr(0, *blank) : rest, {}};
}

Expected modelPropertyNames(const Text& query) {
  const std::optional<std::size_t> from = firstMatch(query, u"from");
  if (!from) return {error_number::kInvalidArgument, {}, {}};
  if (!fits(from)) return {error_number::kOverflow, {}, {}};
  Text kept;
  for (std::size_t i = 0; i < *from;) {
    if (firstMatch(query.substr(i, 6), u"select") == std::size_t{0} && i + 6 <= *from) {
      i += 6;
    } else {
      if (query[i] != u' ') kept += query[i];
      ++i;
    }
  }
  Expected out;
  if (kept.empty()) return out;
  Text name;
  for (char16_t unit : kept) {
    if (unit == u',') {
      out.names.push_back(name);
      name.clear();
    } else {
      name += unit;
    }
  }
  out.names.push_back(name);
  return out;
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
  const Text query = queryText(data, size);

  Text className;
  const Expected classExpected = modelClassName(query);
  check(test::failureNumber([&] { className = extractClassName(query); }) == classExpected.failure, "class name failure");
  if (classExpected.failure == 0) check(className == classExpected.className, "class name");

  std::vector<Text> names;
  const Expected namesExpected = modelPropertyNames(query);
  check(test::failureNumber([&] { names = extractPropertyNames(query); }) == namesExpected.failure, "names failure");
  if (namesExpected.failure == 0) check(names == namesExpected.names, "names");
}

}  // namespace kestor::fuzz
