#include "host/typelib/midl_fields.h"

#include <oleauto.h>

#include <cstdio>
#include <set>
#include <string>

#include "host/typelib/msft_layout.h"
#include "host/typelib/tool_failure.h"

namespace kestor::typelib {

namespace {

using namespace msft;  // the record and entry offsets

// FKCCIC: bits 0-13 kind, invoke kind, call convention and flags; 0x4000 and 0x8000 say
// one or two parameters are hidden from late-bound callers (an LCID, the return value);
// the high word is the index of the next function with the same id, itself when none.
constexpr uint32_t kFkccicKindAndFlags = 0x3FFF;
constexpr uint32_t kFkccicHasDefaults = 0x1000;
constexpr uint32_t kFkccicOneHidden = 0x4000;
constexpr uint32_t kFkccicTwoHidden = 0x8000;
constexpr uint16_t kFieldNameFlag = 0x10 << 8;
constexpr int32_t kNoType = -1;

std::string Hex(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

[[noreturn]] void Unexpected(const std::string& what, uint32_t stored) {
  Fail(what + ": found " + Hex(stored) + ", not what Wine's writer stores there");
}

// The memory a reader allocates for what a type description points to, beyond the
// TYPEDESC held in the ELEMDESC or VARDESC itself, at this architecture's sizes.
size_t NestedSize(const MsftFile& file, uint32_t type, int depth = 0) {
  if (type & 0x80000000u) return 0;  // a base type, encoded in place
  if (depth > 8) Fail("type descriptions nest too deep");
  const size_t at = file.segment(kTypeDescSegment) + type;
  const uint16_t vt = file.u16(at);
  const uint32_t target = file.u32(at + 4);
  switch (vt) {
    case VT_PTR:
    case VT_SAFEARRAY:
      return sizeof(TYPEDESC) + NestedSize(file, target, depth + 1);
    case VT_CARRAY: {
      const size_t array = file.segment(kArrayDescSegment) + target;
      const uint16_t dims = file.u16(array + 4);
      if (dims == 0) Fail("array description without dimensions");
      return sizeof(ARRAYDESC) + (dims - 1u) * sizeof(SAFEARRAYBOUND) + NestedSize(file, file.u32(array), depth + 1);
    }
    case VT_USERDEFINED:
      return 0;
    default:
      Fail("unknown type description " + std::to_string(vt));
  }
}

// A descriptor size lies between what a writer that counts nothing nested stores (Wine
// counts only some) and the full count, which is what it becomes.
void SetDescSize(MsftFile& file, size_t at, size_t base, size_t full, const std::string& what) {
  const uint16_t stored = file.u16(at);
  if (stored < base || stored > full || full > 0xFFFF) Unexpected(what + " descriptor size", stored);
  file.setU16(at, static_cast<uint16_t>(full));
}

// Returns the number of parameters.
unsigned SetFunctionFields(MsftFile& file, size_t record, unsigned index, const std::string& what) {
  // Wine stores an offset the caller gave with bit 0 set; offsets are whole pointers.
  const uint16_t vtable = file.u16(record + kFuncVtableOffset);
  if ((vtable & ~1u) % 4 != 0) Unexpected(what + " function-table offset", vtable);
  file.setU16(record + kFuncVtableOffset, static_cast<uint16_t>(vtable & ~1u));

  const unsigned params = file.u16(record + kFuncParams);
  const size_t size = file.u32(record) & 0xFFFF;
  if (size < kFuncFixedSize + params * kParamSize) Fail(what + ": record too small for its parameters");
  const size_t first = record + size - params * kParamSize;
  unsigned hidden = 0;
  size_t nested = NestedSize(file, file.u32(record + kFuncDataType));
  for (unsigned p = 0; p < params; ++p) {
    const size_t param = first + p * kParamSize;
    if (file.u32(param + kParamFlags) & (PARAMFLAG_FLCID | PARAMFLAG_FRETVAL)) ++hidden;
    nested += NestedSize(file, file.u32(param));
  }
  if (hidden > 2) Fail(what + ": more than two hidden parameters");

  const uint32_t fkccic = file.u32(record + kFuncFkccic);
  if (fkccic & kFkccicHasDefaults) Fail(what + ": default values are not handled");
  const uint32_t target = index << 16 | (fkccic & kFkccicKindAndFlags) |
                          (hidden == 1 ? kFkccicOneHidden : hidden == 2 ? kFkccicTwoHidden : 0);
  if (fkccic != target && (fkccic & ~kFkccicKindAndFlags) != 0) Unexpected(what + " FKCCIC", fkccic);
  file.setU32(record + kFuncFkccic, target);

  const size_t base = sizeof(FUNCDESC) + params * sizeof(ELEMDESC);
  SetDescSize(file, record + kFuncDescSize, base, base + nested, what);
  return params;
}

void SetFieldFields(MsftFile& file, size_t record, const std::string& what) {
  size_t base = sizeof(VARDESC);
  if (file.u16(record + kVarKind) == VAR_CONST) base += sizeof(VARIANT);
  SetDescSize(file, record + kVarDescSize, base, base + NestedSize(file, file.u32(record + kVarDataType)), what);
}

// A member or field name records the type it belongs to; a field name carries a flag.
// Wine leaves the type at -1, or at 0 for some names.
void ClaimName(MsftFile& file, int32_t name, uint32_t owner, bool field, const std::string& what) {
  const size_t entry = file.nameEntry(name);
  const int32_t stored = static_cast<int32_t>(file.u32(entry));
  if (stored != kNoType && stored != 0 && stored != static_cast<int32_t>(owner)) {
    Unexpected(what + " name's type (a name shared between types?)", static_cast<uint32_t>(stored));
  }
  file.setU32(entry, owner);
  if (!field) return;
  const uint16_t lengthAndFlags = file.u16(entry + kNameLengthAndFlags);
  if ((lengthAndFlags & 0xFF00 & ~kFieldNameFlag) != 0) Unexpected(what + " name flags", lengthAndFlags);
  file.setU16(entry + kNameLengthAndFlags, lengthAndFlags | kFieldNameFlag);
}

// The size hints of a type's member data. Their meaning is not published; these are
// widl's rules, which reproduce the words MIDL writes.
struct Hints {
  uint32_t res2 = 0;
  int32_t res3 = -1;  // no members

  void addFunction(unsigned index, unsigned params) {
    if (res2 == 0) res2 = 0x20;
    res2 <<= 1;
    if (index < 2) res2 += params << 4;
    res3 = (res3 < 0 ? 0 : res3) + 0x38 + 0x10 * static_cast<int32_t>(params);
  }
  void addField(unsigned index) {
    if (res2 == 0) res2 = 0x1A;
    if (index == 0 || index == 1 || index == 2 || index == 4 || index == 9) res2 <<= 1;
    res3 = (res3 < 0 ? 0 : res3) + 0x2C;
  }
};

// Wine stores 0 in both hints and the type's index in its inheritance word.
void SetTypeWord(MsftFile& file, size_t at, uint32_t wine, uint32_t target, const std::string& what) {
  const uint32_t stored = file.u32(at);
  if (stored != wine && stored != target) Unexpected(what, stored);
  file.setU32(at, target);
}

}  // namespace

// ICreateTypeInfo has no call that sets a record's instance size, and Wine's LayOut does
// not compute it, so Wine writes 0.
void SetRecordSize(MsftFile& file, UINT typeIndex, ULONG size) {
  const size_t entry = file.typeEntry(typeIndex);
  if ((file.u32(entry + kTypeKind) & 0xF) != TKIND_RECORD) Fail("type table entry is not the record");
  const uint32_t stored = file.u32(entry + kTypeSize);
  if (stored == size) return;
  if (stored != 0) Fail("record laid out with an unexpected size " + std::to_string(stored));
  file.setU32(entry + kTypeSize, size);
}

void SetMidlFields(MsftFile& file, Inheritance interfaceBase) {
  for (UINT t = 0; t < file.typeCount(); ++t) {
    const std::string type = "type " + std::to_string(t);
    const size_t entry = file.typeEntry(t);
    const uint32_t owner = file.typeOffset(t);
    const uint32_t kind = file.u32(entry + kTypeKind) & 0xF;
    const uint32_t elements = file.u32(entry + kTypeElements);
    const unsigned functions = elements & 0xFFFF;
    const std::vector<MsftFile::Member> members = file.members(t);
    if (functions != 0 && functions != members.size()) Fail(type + " has both functions and fields");

    Hints hints;
    std::set<int32_t> ids;
    for (unsigned i = 0; i < members.size(); ++i) {
      const MsftFile::Member& member = members[i];
      const std::string what = type + " member " + std::to_string(i);
      if (i < functions) {
        if (!ids.insert(member.id).second) Fail(what + ": functions sharing an id are not handled");
        hints.addFunction(i, SetFunctionFields(file, member.record, i, what));
        ClaimName(file, member.name, owner, false, what);
      } else {
        SetFieldFields(file, member.record, what);
        hints.addField(i);
        ClaimName(file, member.name, owner, true, what);
      }
    }
    SetTypeWord(file, entry + kTypeRes2, 0, hints.res2, type + " res2");
    SetTypeWord(file, entry + kTypeRes3, 0, static_cast<uint32_t>(hints.res3), type + " res3");
    const bool isInterface = kind == TKIND_INTERFACE || kind == TKIND_DISPATCH;
    SetTypeWord(file, entry + kTypeDatatype2, t,
                isInterface ? static_cast<uint32_t>(interfaceBase.functions) << 16 | interfaceBase.depth : 0,
                type + " inheritance word");
  }
}

}  // namespace kestor::typelib
