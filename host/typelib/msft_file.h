#pragma once
// A written type library file, held as bytes, with the places of the MSFT format that the
// build's patches change: the type table, each type's member records and the name table.
//
// Every offset read from the file is checked against its size; anything that does not
// fit the format throws ToolFailure.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/typelib/msft_layout.h"

namespace kestor::typelib {

class MsftFile {
 public:
  using Segment = msft::Segment;

  // One function or field of a type: its record and its entry in the name table.
  struct Member {
    size_t record;  // file offset of the record
    int32_t id;     // MEMBERID
    int32_t name;   // offset in the name table, -1 for none
  };

  explicit MsftFile(const std::wstring& path);

  // Writes the bytes back to the file they came from.
  void save() const;

  uint32_t typeCount() const { return typeCount_; }
  // The file offset of type `index`'s entry in the type table, and the entry's offset
  // inside the table, which is how names and references identify the type.
  size_t typeEntry(UINT index) const;
  uint32_t typeOffset(UINT index) const;
  // The type's functions, then its fields, in the order of the type.
  std::vector<Member> members(UINT index) const;
  // The file offset of a name table entry; of a segment.
  size_t nameEntry(int32_t name) const;
  size_t segment(Segment which) const;

  uint32_t u32(size_t at) const;
  uint16_t u16(size_t at) const;
  void setU32(size_t at, uint32_t value);
  void setU16(size_t at, uint16_t value);

 private:
  void need(size_t at, size_t size) const;

  std::wstring path_;
  std::vector<unsigned char> data_;
  uint32_t typeCount_ = 0;
  size_t directory_ = 0;
};

}  // namespace kestor::typelib
