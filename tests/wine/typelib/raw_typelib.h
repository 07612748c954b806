#pragma once
// A reader of type library bytes that owes nothing to the platform's type library code:
// it walks a PE file's resource directory to the TYPELIB resource and decodes the MSFT
// format (header, type table, member records and name table) by its published layout.
// Only the fields the byte-level tests check are decoded. Any inconsistency in the bytes
// throws std::runtime_error naming what is wrong.
#include <cstdint>
#include <string>
#include <vector>

namespace kestor::test::raw {

using Bytes = std::vector<unsigned char>;

// One entry of the name table, as a type, member or field name refers to it.
struct Name {
  std::string text;
  int32_t hreftype = 0;  // the type the name belongs to (offset of its type entry), or -1
  uint8_t flags = 0;     // the byte after the length: 0x10 marks a field name
};

struct Function {
  Name name;
  int16_t vtable_offset = 0;  // as stored
  uint16_t desc_size = 0;     // memory a reader needs for the FUNCDESC and what hangs off it
  uint32_t fkccic = 0;        // kind, invoke kind, call convention, flags; next index in the high word
  uint16_t params = 0;
};

struct Field {
  Name name;
  uint16_t desc_size = 0;  // memory a reader needs for the VARDESC and what hangs off it
};

struct TypeEntry {
  uint32_t offset = 0;  // within the type table: what hreftypes refer to
  Name name;
  uint32_t typekind = 0;
  int32_t res2 = 0;  // size hints of the member data
  int32_t res3 = 0;
  uint32_t datatype2 = 0;
  std::vector<Function> functions;
  std::vector<Field> fields;

  uint32_t kind() const { return typekind & 0xF; }
  uint32_t alignment() const { return (typekind >> 11) & 0x1F; }
};

struct Library {
  uint32_t syskind = 0;
  std::vector<TypeEntry> types;
};

// The data of resource TYPELIB, id 1, first language, from the bytes of a PE file.
Bytes TypeLibResource(const Bytes& pe);

// The MSFT library in `tlb`.
Library ParseMsft(const Bytes& tlb);

// A whole file; throws when it cannot be read.
Bytes ReadFile(const std::string& path);

}  // namespace kestor::test::raw
