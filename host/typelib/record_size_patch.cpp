#include "host/typelib/record_size_patch.h"

#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/com/unique_handle.h"
#include "host/typelib/tool_failure.h"

namespace kestor::typelib {

namespace {

constexpr uint32_t kMsftMagic = 0x5446534D;  // "MSFT"
constexpr size_t kMsftHeaderSize = 0x54;
constexpr size_t kMsftVarFlagsOffset = 0x14;
constexpr size_t kMsftTypeCountOffset = 0x20;
constexpr uint32_t kMsftHelpDllFlag = 0x100;  // one more slot before the segment directory
constexpr size_t kMsftTypeEntrySize = 100;
constexpr size_t kMsftTypeEntryKindOffset = 0;
constexpr size_t kMsftTypeEntrySizeOffset = 80;
constexpr LONGLONG kLargestLibrary = 1 << 24;

uint32_t ReadU32(const std::vector<unsigned char>& data, size_t at) {
  if (at + 4 > data.size()) Fail("type library file is truncated");
  uint32_t value;
  std::memcpy(&value, data.data() + at, 4);
  return value;
}

void WriteU32(std::vector<unsigned char>& data, size_t at, uint32_t value) {
  std::memcpy(data.data() + at, &value, 4);
}

std::vector<unsigned char> ReadWholeFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) Fail("cannot open " + Narrow(path));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart >= kLargestLibrary) Fail("cannot size " + Narrow(path));
  std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size()) {
    Fail("cannot read " + Narrow(path));
  }
  return data;
}

void WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& data) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) Fail("cannot create " + Narrow(path));
  DWORD written = 0;
  if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size() || !file.close()) {
    Fail("cannot write " + Narrow(path));
  }
}

}  // namespace

void SetRecordSizeInFile(const std::wstring& path, UINT typeIndex, ULONG size) {
  std::vector<unsigned char> data = ReadWholeFile(path);
  if (ReadU32(data, 0) != kMsftMagic) Fail(Narrow(path) + " is not an MSFT type library");
  const uint32_t typeCount = ReadU32(data, kMsftTypeCountOffset);
  if (typeIndex >= typeCount) Fail("type library has fewer types than expected");
  size_t segmentDirectory = kMsftHeaderSize + 4 * static_cast<size_t>(typeCount);
  if (ReadU32(data, kMsftVarFlagsOffset) & kMsftHelpDllFlag) segmentDirectory += 4;
  // The type table is the first segment; its directory entry starts with the offset.
  const size_t entry = ReadU32(data, segmentDirectory) + kMsftTypeEntrySize * typeIndex;
  if ((ReadU32(data, entry + kMsftTypeEntryKindOffset) & 0xF) != TKIND_RECORD) {
    Fail("type table entry is not the record");
  }
  const uint32_t stored = ReadU32(data, entry + kMsftTypeEntrySizeOffset);
  if (stored == size) return;
  if (stored != 0) Fail("record laid out with an unexpected size " + std::to_string(stored));
  WriteU32(data, entry + kMsftTypeEntrySizeOffset, size);
  WriteWholeFile(path, data);
}

}  // namespace kestor::typelib
