#include "collect/query_parser.h"

#include "common/failure.h"

namespace kestor {

namespace {

constexpr char16_t kBlank = u' ';
constexpr char16_t kQuerySeparator = u'|';
constexpr TextView kClassPrefix = u"Win32_";
constexpr TextView kFromKeyword = u"FROM";
constexpr TextView kSelectKeyword = u"SELECT";

// One left-to-right pass that drops every occurrence of word (ASCII case ignored).
// What is left is not searched again, so "SELSELECTECT" keeps one "SELECT".
Text removeIgnoringCase(TextView text, TextView word) {
  Text out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t hit = findIgnoringCase(text, word); hit != TextView::npos;
       hit = findIgnoringCase(text, word, from)) {
    out.append(text.substr(from, hit - from));
    from = hit + word.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

std::vector<Text> splitQueryList(const Text& queryList) {
  std::vector<Text> pieces;
  if (queryList.empty()) return pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = queryList.find(kQuerySeparator, start);
    if (end == Text::npos) {
      pieces.emplace_back(queryList, start);
      return pieces;
    }
    pieces.emplace_back(queryList, start, end - start);
    start = end + 1;
  }
}

Text fromClassName(const Text& query) {
  const TextView text(query);
  for (std::size_t at = findIgnoringCase(text, kFromKeyword); at != TextView::npos;
       at = findIgnoringCase(text, kFromKeyword, at + 1)) {
    const std::size_t after = at + kFromKeyword.size();
    if (at == 0 || text[at - 1] != kBlank || after >= text.size() || text[after] != kBlank) continue;
    const std::size_t start = text.find_first_not_of(kBlank, after);
    if (start == TextView::npos) return Text();
    return Text(text.substr(start, text.find(kBlank, start) - start));
  }
  return Text();
}

Text extractClassName(const Text& query) {
  // Positions go through toPosition even where a size_t would do: a query that puts
  // them beyond 16 bits must fail with an overflow, as script authors expect.
  const std::int16_t prefixAt = toPosition(findIgnoringCase(query, kClassPrefix));
  const TextView rest = prefixAt == 0 ? TextView(query) : TextView(query).substr(prefixAt - 1);
  const std::int16_t blankAt = toPosition(rest.find(kBlank));
  return Text(blankAt >= 1 ? rest.substr(0, blankAt - 1) : rest);
}

std::vector<Text> extractPropertyNames(const Text& query) {
  const std::int16_t fromAt = toPosition(findIgnoringCase(query, kFromKeyword));
  if (fromAt == 0) throw Failure::invalidArgument();
  const Text head = removeIgnoringCase(TextView(query).substr(0, fromAt - 1), kSelectKeyword);

  std::vector<Text> names;
  Text name;
  bool any = false;  // an empty head yields no names, not one empty name
  for (char16_t unit : head) {
    if (unit == kBlank) continue;
    any = true;
    if (unit == u',') {
      names.push_back(std::move(name));
      name.clear();
    } else {
      name += unit;
    }
  }
  if (any) names.push_back(std::move(name));
  return names;
}

}  // namespace kestor
