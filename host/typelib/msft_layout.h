#pragma once
// Where the MSFT type library format keeps what the build patches and the tests read:
// byte offsets into the header, the segment directory, a type's entry, the function and
// field records and the name table; little-endian words. No platform types: the tests'
// own reader takes the offsets from here too.
#include <cstddef>
#include <cstdint>

namespace kestor::typelib::msft {

// Header, followed by one type-table offset per type, then (with kHelpDllFlag) one
// more word, then the segment directory.
constexpr std::uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr std::size_t kHeaderSize = 0x54;
constexpr std::size_t kVarFlags = 0x14;   // SYSKIND in the low nibble
constexpr std::size_t kTypeCount = 0x20;
constexpr std::uint32_t kHelpDllFlag = 0x100;

// Segment directory: offset, length and two reserved words per segment.
constexpr std::size_t kSegmentEntrySize = 16;
enum Segment { kTypeInfoSegment = 0, kNameSegment = 7, kTypeDescSegment = 9, kArrayDescSegment = 10 };

// Type entry in the type-info segment.
constexpr std::size_t kTypeEntrySize = 100;
constexpr std::size_t kTypeKind = 0x00;         // TYPEKIND in the low nibble
constexpr std::size_t kTypeMemberBlock = 0x04;  // file offset of the member block
constexpr std::size_t kTypeRes2 = 0x08;
constexpr std::size_t kTypeRes3 = 0x0C;
constexpr std::size_t kTypeElements = 0x18;     // fields << 16 | functions
constexpr std::size_t kTypeName = 0x34;
constexpr std::size_t kTypeSize = 0x50;         // a record's instance size
constexpr std::size_t kTypeDatatype2 = 0x58;    // inheritance word

// Function record; its parameters close it: type, name, flags.
constexpr std::size_t kFuncDataType = 0x04;  // the result's type
constexpr std::size_t kFuncVtableOffset = 0x0C;
constexpr std::size_t kFuncDescSize = 0x0E;
constexpr std::size_t kFuncFkccic = 0x10;
constexpr std::size_t kFuncParams = 0x14;
constexpr std::size_t kFuncFixedSize = 0x18;
constexpr std::size_t kParamSize = 12;
constexpr std::size_t kParamFlags = 8;

// Field record.
constexpr std::size_t kVarDataType = 0x04;
constexpr std::size_t kVarKind = 0x0C;
constexpr std::size_t kVarDescSize = 0x0E;

// Name table entry: the owning type, the hash chain, then length and flags bytes, then
// the name's characters.
constexpr std::size_t kNameLengthAndFlags = 8;
constexpr std::size_t kNameText = 12;

}  // namespace kestor::typelib::msft
