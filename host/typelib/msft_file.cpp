#include "host/typelib/msft_file.h"

#include <cstring>

#include "host/com/unique_handle.h"
#include "host/typelib/tool_failure.h"

namespace kestor::typelib {

namespace {

using namespace msft;  // the header, directory and entry offsets

constexpr LONGLONG kLargestLibrary = 1 << 24;

}  // namespace

MsftFile::MsftFile(const std::wstring& path) : path_(path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) Fail("cannot open " + Narrow(path));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart >= kLargestLibrary) Fail("cannot size " + Narrow(path));
  data_.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file.get(), data_.data(), static_cast<DWORD>(data_.size()), &read, nullptr) || read != data_.size()) {
    Fail("cannot read " + Narrow(path));
  }
  if (u32(0) != kMagic) Fail(Narrow(path) + " is not an MSFT type library");
  typeCount_ = u32(kTypeCount);
  directory_ = kHeaderSize + 4 * static_cast<size_t>(typeCount_);
  if (u32(kVarFlags) & kHelpDllFlag) directory_ += 4;
}

void MsftFile::save() const {
  UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.valid()) Fail("cannot create " + Narrow(path_));
  DWORD written = 0;
  if (!WriteFile(file.get(), data_.data(), static_cast<DWORD>(data_.size()), &written, nullptr) ||
      written != data_.size() || !file.close()) {
    Fail("cannot write " + Narrow(path_));
  }
}

size_t MsftFile::segment(Segment which) const {
  const size_t entry = directory_ + kSegmentEntrySize * which;
  const uint32_t offset = u32(entry);
  if (offset == 0xFFFFFFFFu) Fail("type library has no segment " + std::to_string(which));
  need(offset, u32(entry + 4));
  return offset;
}

uint32_t MsftFile::typeOffset(UINT index) const {
  if (index >= typeCount_) Fail("type library has fewer types than expected");
  return u32(kHeaderSize + 4 * static_cast<size_t>(index));
}

size_t MsftFile::typeEntry(UINT index) const {
  const size_t entry = segment(kTypeInfoSegment) + typeOffset(index);
  need(entry, kTypeEntrySize);
  return entry;
}

// The block holds the byte count of the records, the records (functions first), then
// for every member its id, then its name offset, then its record's offset.
std::vector<MsftFile::Member> MsftFile::members(UINT index) const {
  const size_t entry = typeEntry(index);
  const uint32_t elements = u32(entry + kTypeElements);
  const size_t count = (elements & 0xFFFF) + (elements >> 16);
  std::vector<Member> out;
  if (count == 0) return out;
  const size_t block = u32(entry + kTypeMemberBlock);
  const size_t records = block + 4;
  const size_t recordsSize = u32(block);
  const size_t ids = records + recordsSize;
  const size_t names = ids + 4 * count;
  const size_t offsets = names + 4 * count;
  for (size_t i = 0; i < count; ++i) {
    const size_t record = records + u32(offsets + 4 * i);
    need(record, 4);
    if (record + (u32(record) & 0xFFFF) > records + recordsSize) Fail("member record runs past its block");
    out.push_back({record, static_cast<int32_t>(u32(ids + 4 * i)), static_cast<int32_t>(u32(names + 4 * i))});
  }
  return out;
}

size_t MsftFile::nameEntry(int32_t name) const {
  if (name < 0) Fail("member has no name");
  const size_t entry = segment(kNameSegment) + static_cast<size_t>(name);
  need(entry, kNameText);
  return entry;
}

void MsftFile::need(size_t at, size_t size) const {
  if (at > data_.size() || data_.size() - at < size) Fail("type library offset " + std::to_string(at) + " out of range");
}

uint32_t MsftFile::u32(size_t at) const {
  need(at, 4);
  uint32_t value;
  std::memcpy(&value, data_.data() + at, 4);
  return value;
}

uint16_t MsftFile::u16(size_t at) const {
  need(at, 2);
  uint16_t value;
  std::memcpy(&value, data_.data() + at, 2);
  return value;
}

void MsftFile::setU32(size_t at, uint32_t value) {
  need(at, 4);
  std::memcpy(data_.data() + at, &value, 4);
}

void MsftFile::setU16(size_t at, uint16_t value) {
  need(at, 2);
  std::memcpy(data_.data() + at, &value, 2);
}

}  // namespace kestor::typelib
