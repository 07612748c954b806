#include "host/typelib/record_size_patch.h"

#include <oleauto.h>

#include <string>

#include "host/typelib/tool_failure.h"

namespace kestor::typelib {

namespace {

constexpr size_t kTypeEntryKindOffset = 0;
constexpr size_t kTypeEntrySizeOffset = 80;

}  // namespace

void SetRecordSize(MsftFile& file, UINT typeIndex, ULONG size) {
  const size_t entry = file.typeEntry(typeIndex);
  if ((file.u32(entry + kTypeEntryKindOffset) & 0xF) != TKIND_RECORD) Fail("type table entry is not the record");
  const uint32_t stored = file.u32(entry + kTypeEntrySizeOffset);
  if (stored == size) return;
  if (stored != 0) Fail("record laid out with an unexpected size " + std::to_string(stored));
  file.setU32(entry + kTypeEntrySizeOffset, size);
}

}  // namespace kestor::typelib
