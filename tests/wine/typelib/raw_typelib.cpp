#include "tests/wine/typelib/raw_typelib.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "host/typelib/msft_layout.h"

namespace kestor::test::raw {

namespace {

[[noreturn]] void Bad(const std::string& what) { throw std::runtime_error(what); }

// Little-endian reads with bounds checks; every offset comes from the file itself.
uint32_t U32(const Bytes& b, size_t at) {
  if (at > b.size() || b.size() - at < 4) Bad("read past the end at " + std::to_string(at));
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const Bytes& b, size_t at) {
  if (at > b.size() || b.size() - at < 2) Bad("read past the end at " + std::to_string(at));
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
int32_t I32(const Bytes& b, size_t at) { return static_cast<int32_t>(U32(b, at)); }

// ---------------------------------------------------------------------------------
// PE: section table, then the resource tree type -> name -> language.

struct Section {
  uint32_t rva, size, file_offset;
};

size_t FileOffsetOf(const std::vector<Section>& sections, uint32_t rva) {
  for (const Section& s : sections) {
    if (rva >= s.rva && rva - s.rva < s.size) return s.file_offset + (rva - s.rva);
  }
  Bad("address " + std::to_string(rva) + " lies in no section");
}

bool ResourceNameIs(const Bytes& pe, size_t root, uint32_t name_field, const std::string& name) {
  if (!(name_field & 0x80000000u)) return false;
  const size_t at = root + (name_field & 0x7FFFFFFFu);
  const uint16_t length = U16(pe, at);
  if (length != name.size()) return false;
  for (size_t i = 0; i < length; ++i) {
    if (U16(pe, at + 2 + 2 * i) != static_cast<unsigned char>(name[i])) return false;
  }
  return true;
}

// The entry of directory `dir` (offset from `root`) matching `name` (named) or `id`;
// the first entry when neither is given. Returns its OffsetToData field.
uint32_t FindEntry(const Bytes& pe, size_t root, uint32_t dir, const char* name, int id) {
  const size_t at = root + dir;
  const unsigned named = U16(pe, at + 12), ids = U16(pe, at + 14);
  for (unsigned i = 0; i < named + ids; ++i) {
    const size_t entry = at + 16 + 8 * i;
    const uint32_t name_field = U32(pe, entry);
    const bool match = name ? ResourceNameIs(pe, root, name_field, name)
                            : id < 0 || (!(name_field & 0x80000000u) && name_field == static_cast<uint32_t>(id));
    if (match) return U32(pe, entry + 4);
  }
  Bad(std::string("no resource entry ") + (name ? name : std::to_string(id).c_str()));
}

uint32_t Subdirectory(uint32_t offset_to_data) {
  if (!(offset_to_data & 0x80000000u)) Bad("resource entry is data where a directory belongs");
  return offset_to_data & 0x7FFFFFFFu;
}

// ---------------------------------------------------------------------------------
// MSFT

using namespace kestor::typelib::msft;

struct Segments {
  size_t type_info = 0;
  size_t names = 0;
};

Name NameAt(const Bytes& tlb, const Segments& seg, int32_t offset) {
  if (offset < 0) Bad("member without a name");
  const size_t at = seg.names + static_cast<size_t>(offset);
  Name name;
  name.hreftype = I32(tlb, at);
  const uint32_t length_field = U32(tlb, at + kNameLengthAndFlags);
  name.flags = static_cast<uint8_t>(length_field >> 8);
  const size_t length = length_field & 0xFF;
  if (at + kNameText + length > tlb.size()) Bad("name runs past the end");
  name.text.assign(reinterpret_cast<const char*>(tlb.data() + at + kNameText), length);
  return name;
}

// The member block at `memoffset`: a byte count, the records (functions, then fields),
// then per member its id, its name offset and its record's offset.
void ReadMembers(const Bytes& tlb, const Segments& seg, size_t memoffset, TypeEntry& type, unsigned funcs,
                 unsigned vars) {
  const uint32_t records_size = U32(tlb, memoffset);
  const size_t records = memoffset + 4;
  const size_t count = funcs + vars;
  const size_t names = records + records_size + 4 * count;
  const size_t offsets = names + 4 * count;
  for (size_t i = 0; i < count; ++i) {
    const size_t record = records + U32(tlb, offsets + 4 * i);
    const uint32_t size = U32(tlb, record) & 0xFFFF;
    if (record + size > records + records_size) Bad("member record runs past its block");
    const Name name = NameAt(tlb, seg, I32(tlb, names + 4 * i));
    if (i < funcs) {
      Function f;
      f.name = name;
      f.vtable_offset = static_cast<int16_t>(U16(tlb, record + kFuncVtableOffset));
      f.desc_size = U16(tlb, record + kFuncDescSize);
      f.fkccic = U32(tlb, record + kFuncFkccic);
      f.params = U16(tlb, record + kFuncParams);
      type.functions.push_back(f);
    } else {
      type.fields.push_back(Field{name, U16(tlb, record + kVarDescSize)});
    }
  }
}

}  // namespace

Bytes TypeLibResource(const Bytes& pe) {
  if (U16(pe, 0) != 0x5A4D) Bad("not an MZ file");
  const size_t nt = U32(pe, 0x3C);
  if (U32(pe, nt) != 0x00004550) Bad("no PE signature");
  const size_t coff = nt + 4;
  const unsigned section_count = U16(pe, coff + 2);
  const size_t optional = coff + 20;
  const size_t optional_size = U16(pe, coff + 16);
  const uint16_t magic = U16(pe, optional);
  if (magic != 0x10B && magic != 0x20B) Bad("unknown optional header");
  const size_t directories = optional + (magic == 0x20B ? 112 : 96);
  const uint32_t resource_rva = U32(pe, directories + 2 * 8);  // directory 2: resources
  if (resource_rva == 0) Bad("no resource directory");

  std::vector<Section> sections;
  for (unsigned i = 0; i < section_count; ++i) {
    const size_t s = optional + optional_size + 40 * i;
    const uint32_t virtual_size = U32(pe, s + 8), raw_size = U32(pe, s + 16);
    sections.push_back({U32(pe, s + 12), virtual_size > raw_size ? raw_size : virtual_size, U32(pe, s + 20)});
  }
  const size_t root = FileOffsetOf(sections, resource_rva);
  const uint32_t by_name = Subdirectory(FindEntry(pe, root, 0, "TYPELIB", -1));
  const uint32_t by_language = Subdirectory(FindEntry(pe, root, by_name, nullptr, 1));
  const uint32_t data_entry = FindEntry(pe, root, by_language, nullptr, -1);
  if (data_entry & 0x80000000u) Bad("TYPELIB resource is a directory where data belongs");
  const size_t entry = root + data_entry;
  const size_t at = FileOffsetOf(sections, U32(pe, entry));
  const size_t size = U32(pe, entry + 4);
  if (at + size > pe.size()) Bad("TYPELIB resource runs past the end");
  return Bytes(pe.begin() + static_cast<long>(at), pe.begin() + static_cast<long>(at + size));
}

Library ParseMsft(const Bytes& tlb) {
  if (U32(tlb, 0) != kMagic) Bad("not an MSFT library");
  Library lib;
  const uint32_t varflags = U32(tlb, kVarFlags);
  lib.syskind = varflags & 0xF;
  const uint32_t type_count = U32(tlb, kTypeCount);
  size_t directory = kHeaderSize + 4 * static_cast<size_t>(type_count);
  if (varflags & kHelpDllFlag) directory += 4;
  Segments seg;
  seg.type_info = U32(tlb, directory + kSegmentEntrySize * kTypeInfoSegment);
  seg.names = U32(tlb, directory + kSegmentEntrySize * kNameSegment);

  for (uint32_t i = 0; i < type_count; ++i) {
    TypeEntry type;
    type.offset = U32(tlb, kHeaderSize + 4 * i);
    const size_t at = seg.type_info + type.offset;
    if (type.offset != kTypeEntrySize * i) Bad("type entries are not in table order");
    type.typekind = U32(tlb, at + kTypeKind);
    type.res2 = I32(tlb, at + kTypeRes2);
    type.res3 = I32(tlb, at + kTypeRes3);
    const uint32_t elements = U32(tlb, at + kTypeElements);
    type.name = NameAt(tlb, seg, I32(tlb, at + kTypeName));
    type.datatype2 = U32(tlb, at + kTypeDatatype2);
    const int32_t memoffset = I32(tlb, at + kTypeMemberBlock);
    if (elements != 0) {
      if (memoffset < 0) Bad("members without a member block");
      ReadMembers(tlb, seg, static_cast<size_t>(memoffset), type, elements & 0xFFFF, elements >> 16);
    }
    lib.types.push_back(type);
  }
  return lib;
}

Bytes ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) Bad("cannot open " + path);
  Bytes data;
  unsigned char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) Bad("cannot read " + path);
  return data;
}

}  // namespace kestor::test::raw
