#pragma once
// The typed collection: every query of a list run over the WMI port, its instances kept
// as WMI's values rather than as report text.
#include <cstdint>
#include <optional>
#include <vector>

#include "collect/wmi_client.h"
#include "common/text.h"

namespace kestor {

struct TypedFailure {
  std::int32_t number = 0;
  Text description;
};

// A property that could not be read; its value is null.
struct TypedWarning {
  Text property;
  TypedFailure failure;
};

struct TypedSection {
  Text query;
  // __CLASS of the first instance; the name after FROM when there is none.
  Text className;
  // The query's names (without repeats), or for SELECT * every non-system property of
  // the instances in first-seen order, spelt as WMI spells it.
  std::vector<Text> properties;
  // Each instance's properties in the order of properties; WmiMember for the pair.
  std::vector<std::vector<WmiMember>> instances;
  // One per property and failure number, however many instances it failed on.
  std::vector<TypedWarning> warnings;
  // Set when the query failed; instances then holds those fetched before the failure.
  std::optional<TypedFailure> error;
};

// Runs every query of queryList (each followed by "|"; the text after the last "|" is
// not run), binding once to root\CIMV2 of this computer. A failure to bind becomes the
// error of every section. Throws only std::bad_alloc.
std::vector<TypedSection> collectTyped(WmiConnector& wmi, const Text& queryList);

}  // namespace kestor
