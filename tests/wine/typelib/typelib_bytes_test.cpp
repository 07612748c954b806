// Reads the type library inside the built Kestor.ocx as bytes, with a reader of its own
// (raw_typelib.h), and checks the fields that Wine's reader ignores but MIDL-style
// writers store and other readers may use. What ITypeLib reports is typelib_test's
// business.
//
//   typelib_bytes_test.exe KESTOR_OCX [--gtest_...]
//
// Each read row is printed, so that a run shows the bytes as well as the verdict.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "tests/wine/target_arch.h"
#include "tests/wine/typelib/raw_typelib.h"

namespace {

namespace raw = kestor::test::raw;
using kestor::test::perArch;

std::string ocxPath;

struct Loaded {
  raw::Library lib;
  std::string error;
};

const Loaded& Library() {
  static const Loaded loaded = [] {
    Loaded out;
    try {
      out.lib = raw::ParseMsft(raw::TypeLibResource(raw::ReadFile(ocxPath)));
    } catch (const std::runtime_error& e) {
      out.error = ocxPath + ": " + e.what();
    }
    return out;
  }();
  return loaded;
}

class TypeLibBytes : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ("", Library().error);
    ASSERT_EQ(perArch(1u, 3u), Library().lib.syskind);  // SYS_WIN32, SYS_WIN64
    ASSERT_EQ(3u, Library().lib.types.size());
  }
  static const raw::TypeEntry& Type(size_t index) { return Library().lib.types[index]; }
};

TEST_F(TypeLibBytes, TypeEntries) {
  struct Row {
    int line;
    const char* name;
    uint32_t alignment;
    int32_t res2, res3;  // size hints of the member data
    uint32_t datatype2;
  };
  const Row rows[] = {
      // The dual interface, listed by its dispatch side, aligned as a pointer; it inherits
      // IDispatch's 7 functions through 2 bases.
      {__LINE__, "_SysKestor", perArch(4u, 8u), 0xB00, 0x1C0, 0x70002},
      {__LINE__, "SysKestor", 4, 0, -1, 0},  // no members: no hints
      {__LINE__, "GUIDDataType", 4, 0xD0, 0xB0, 0},
  };
  for (size_t i = 0; i < 3; ++i) {
    const Row& row = rows[i];
    const raw::TypeEntry& type = Type(i);
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    std::printf("  %-13s alignment %u res2 0x%X res3 0x%X datatype2 0x%X\n", type.name.text.c_str(),
                type.alignment(), static_cast<unsigned>(type.res2), static_cast<unsigned>(type.res3),
                static_cast<unsigned>(type.datatype2));
    EXPECT_EQ(row.name, type.name.text);
    EXPECT_EQ(row.alignment, type.alignment());
    EXPECT_EQ(row.res2, type.res2);
    EXPECT_EQ(row.res3, type.res3);
    EXPECT_EQ(row.datatype2, type.datatype2);
  }
}

// FKCCIC as MIDL stores it: the record's index in the high word, 0x4000 when one
// parameter is the return value, then stdcall, the invoke kind and FUNC_PUREVIRTUAL.
constexpr uint32_t Fkccic(uint32_t index, uint32_t invkind, bool retval) {
  return index << 16 | (retval ? 0x4000u : 0u) | 4u << 8 | invkind << 3 | 1u;
}

TEST_F(TypeLibBytes, InterfaceFunctions) {
  constexpr uint32_t kFunc = 1, kGet = 2, kPut = 4;
  struct Row {
    int line;
    const char* name;
    int16_t vtable_offset;  // plain byte offsets of entries 10 to 15
    uint16_t desc_size;     // FUNCDESC, an ELEMDESC per parameter, the TYPEDESC of each BSTR*
    uint32_t fkccic;
  };
  const Row rows[] = {
      {__LINE__, "GenerateIdentifier", perArch<int16_t>(40, 80), perArch<uint16_t>(76, 136), Fkccic(0, kFunc, true)},
      {__LINE__, "DateTime", perArch<int16_t>(44, 88), perArch<uint16_t>(76, 136), Fkccic(1, kGet, true)},
      // The property put has no return value.
      {__LINE__, "WMIAttributesOfInterest", perArch<int16_t>(48, 96), perArch<uint16_t>(76, 136),
       Fkccic(2, kPut, false)},
      {__LINE__, "GetTestData", perArch<int16_t>(52, 104), perArch<uint16_t>(76, 136), Fkccic(3, kFunc, true)},
      {__LINE__, "SetData", perArch<int16_t>(56, 112), perArch<uint16_t>(76, 136), Fkccic(4, kFunc, true)},
      // Two parameters: fileID and the result.
      {__LINE__, "GetData", perArch<int16_t>(60, 120), perArch<uint16_t>(100, 184), Fkccic(5, kFunc, true)},
  };
  const raw::TypeEntry& iface = Type(0);
  ASSERT_EQ(6u, iface.functions.size());
  for (size_t i = 0; i < 6; ++i) {
    const Row& row = rows[i];
    const raw::Function& f = iface.functions[i];
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    std::printf("  %-23s vtable 0x%02X desc %3u FKCCIC 0x%08X name type %d flags 0x%02X\n", f.name.text.c_str(),
                static_cast<unsigned>(f.vtable_offset), f.desc_size, static_cast<unsigned>(f.fkccic),
                f.name.hreftype, f.name.flags);
    EXPECT_EQ(row.name, f.name.text);
    EXPECT_EQ(row.vtable_offset, f.vtable_offset);
    EXPECT_EQ(row.desc_size, f.desc_size);
    EXPECT_EQ(row.fkccic, f.fkccic);
    // A member's name belongs to its interface.
    EXPECT_EQ(static_cast<int32_t>(iface.offset), f.name.hreftype);
    EXPECT_EQ(0, f.name.flags);
  }
}

TEST_F(TypeLibBytes, RecordFields) {
  struct Row {
    int line;
    const char* name;
    uint16_t desc_size;  // VARDESC, with what its type points to
  };
  const Row rows[] = {
      {__LINE__, "Data1", perArch<uint16_t>(36, 64)},
      {__LINE__, "Data2", perArch<uint16_t>(36, 64)},
      {__LINE__, "Data3", perArch<uint16_t>(36, 64)},
      {__LINE__, "Data4", perArch<uint16_t>(56, 96)},  // with its ARRAYDESC of one dimension
  };
  const raw::TypeEntry& record = Type(2);
  ASSERT_EQ(4u, record.fields.size());
  for (size_t i = 0; i < 4; ++i) {
    const Row& row = rows[i];
    const raw::Field& f = record.fields[i];
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    std::printf("  %-5s desc %3u name type %d flags 0x%02X\n", f.name.text.c_str(), f.desc_size, f.name.hreftype,
                f.name.flags);
    EXPECT_EQ(row.name, f.name.text);
    EXPECT_EQ(row.desc_size, f.desc_size);
    // A field's name belongs to its record and is marked as a field name.
    EXPECT_EQ(static_cast<int32_t>(record.offset), f.name.hreftype);
    EXPECT_EQ(0x10, f.name.flags);
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: typelib_bytes_test KESTOR_OCX [--gtest_...]\n");
    return 2;
  }
  ocxPath = argv[1];
  return RUN_ALL_TESTS();
}
