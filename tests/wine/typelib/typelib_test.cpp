// Reads the built Kestor.tlb (and the objsafe.tlb it imports) back through ITypeLib and
// ITypeInfo and checks every attribute that scripts and the server rely on.
//
//   typelib_test.exe KESTOR_TLB OBJSAFE_TLB [--gtest_...]
//
// The two paths may be Unix paths (Wine maps them). objsafe.tlb stays loaded for the
// whole run: that is how the class's reference to IObjectSafety resolves without
// registering anything in the prefix.
#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/shared/kestor_ids.h"
#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/typelib/win_path.h"
#include "tests/support/windows_support.h"
#include "tests/wine/target_arch.h"

namespace {

namespace ids = kestor::ids;
using kestor::Bstr;
using kestor::ComPtr;
using kestor::test::perArch;

const GUID kLibidStdOle2 = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr WORD kInterfaceFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                 TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kCoclassFlags = TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID;

// The shared helpers under this file's names.
std::string GuidText(const GUID& guid) { return kestor::test::narrow(kestor::test::guidText(guid)); }
std::string Narrow(const wchar_t* text) { return kestor::test::narrow(text ? text : L""); }

// The two libraries, loaded once for all tests from the paths on the command line.
// gtest_main consumes only its own flags; the positional arguments are read here.
struct Libraries {
  ComPtr<ITypeLib> kestor;
  ComPtr<ITypeLib> objsafe;
  std::string error;
};

Libraries& Libs() {
  static Libraries libs;
  return libs;
}

class LibraryEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> paths;
    for (int i = 1; argv && i < argc; ++i) {
      if (wcsncmp(argv[i], L"--gtest", 7) != 0) paths.push_back(Narrow(argv[i]));
    }
    LocalFree(argv);
    if (paths.size() != 2) {
      Libs().error = "usage: typelib_test KESTOR_TLB OBJSAFE_TLB";
      return;
    }
    Load(paths[0], &Libs().kestor);
    Load(paths[1], &Libs().objsafe);
  }
  void TearDown() override {
    Libs().kestor.reset();
    Libs().objsafe.reset();
  }

 private:
  static void Load(const std::string& path, ComPtr<ITypeLib>* lib) {
    const std::wstring windows_path = kestor::winpath::ToWindowsPath(path.c_str());
    const HRESULT hr = LoadTypeLibEx(windows_path.c_str(), REGKIND_NONE, lib->put());
    if (FAILED(hr)) Libs().error += "cannot load " + path + "; ";
  }
};

[[maybe_unused]] testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new LibraryEnvironment);

class TypeLibTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Libs().error.empty()) << Libs().error;
    ASSERT_TRUE(Libs().kestor && Libs().objsafe);
  }

  static ITypeLib* Kestor() { return Libs().kestor.get(); }

  static ComPtr<ITypeInfo> TypeAt(UINT index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, Kestor()->GetTypeInfo(index, info.put())) << "type " << index;
    return info;
  }

  // The vtable side of the dual interface; the library's entry is its dispatch side.
  static ComPtr<ITypeInfo> InterfaceSide() {
    ComPtr<ITypeInfo> dispatch_side = TypeAt(0);
    ComPtr<ITypeInfo> vtable_side;
    HREFTYPE ref = 0;
    if (!dispatch_side) return vtable_side;
    EXPECT_EQ(S_OK, dispatch_side->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
    EXPECT_EQ(S_OK, dispatch_side->GetRefTypeInfo(ref, vtable_side.put()));
    return vtable_side;
  }
};

// Attributes of one type, read into plain values so that checks can compare them.
struct TypeAttr {
  GUID guid{};
  TYPEKIND kind{};
  WORD flags = 0;
  WORD major = 0;
  WORD minor = 0;
  WORD funcs = 0;
  WORD vars = 0;
  WORD impl_types = 0;
  WORD vft_size = 0;
  ULONG size = 0;
  WORD alignment = 0;
};

TypeAttr AttrOf(ITypeInfo* info) {
  TypeAttr out;
  TYPEATTR* attr = nullptr;
  EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
  if (!attr) return out;
  out = {attr->guid,          attr->typekind,      attr->wTypeFlags, attr->wMajorVerNum,
         attr->wMinorVerNum,  attr->cFuncs,        attr->cVars,      attr->cImplTypes,
         attr->cbSizeVft,     attr->cbSizeInstance, attr->cbAlignment};
  info->ReleaseTypeAttr(attr);
  return out;
}

std::string NameOf(ITypeInfo* info) {
  Bstr name;
  EXPECT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr));
  return Narrow(name.c_str());
}

// The type that implementation slot `index` of `info` refers to, with its flags.
struct ImplRef {
  ComPtr<ITypeInfo> info;
  INT flags = -1;
};

ImplRef ImplAt(ITypeInfo* info, UINT index) {
  ImplRef out;
  HREFTYPE ref = 0;
  EXPECT_EQ(S_OK, info->GetRefTypeOfImplType(index, &ref)) << "impl type " << index;
  EXPECT_EQ(S_OK, info->GetRefTypeInfo(ref, out.info.put())) << "impl type " << index;
  EXPECT_EQ(S_OK, info->GetImplTypeFlags(index, &out.flags)) << "impl type " << index;
  return out;
}

struct LibOf {
  GUID guid{};
  WORD major = 0;
  WORD minor = 0;
};

LibOf ContainingLib(ITypeInfo* info) {
  LibOf out;
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  EXPECT_EQ(S_OK, info->GetContainingTypeLib(lib.put(), &index));
  if (!lib) return out;
  TLIBATTR* attr = nullptr;
  EXPECT_EQ(S_OK, lib->GetLibAttr(&attr));
  if (!attr) return out;
  out = {attr->guid, attr->wMajorVerNum, attr->wMinorVerNum};
  lib->ReleaseTLibAttr(attr);
  return out;
}

// ---------------------------------------------------------------------------------
// Library

TEST_F(TypeLibTest, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, Kestor()->GetLibAttr(&attr));
  EXPECT_EQ(GuidText(ids::LIBID_Kestor), GuidText(attr->guid));
  EXPECT_EQ(0u, attr->lcid);
  EXPECT_EQ(perArch(SYS_WIN32, SYS_WIN64), attr->syskind);
  EXPECT_EQ(ids::kTypeLibMajor, attr->wMajorVerNum);
  EXPECT_EQ(ids::kTypeLibMinor, attr->wMinorVerNum);
  // Loading from a file adds LIBFLAG_FHASDISKIMAGE; the library itself stores only FCONTROL.
  EXPECT_EQ(LIBFLAG_FCONTROL, attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE);
  Kestor()->ReleaseTLibAttr(attr);

  Bstr name, doc, help_file;
  DWORD help_context = 1;
  ASSERT_EQ(S_OK, Kestor()->GetDocumentation(-1, name.put(), doc.put(), &help_context, help_file.put()));
  EXPECT_STREQ(L"Kestor", name.c_str());
  EXPECT_STREQ(ids::kTypeLibHelpString, doc.c_str());
  EXPECT_EQ(0u, help_context);
  EXPECT_STREQ(L"", help_file.c_str());
}

struct TypeRow {
  const wchar_t* name;
  TYPEKIND kind;  // as the library lists it
  const GUID* guid;
};

// A dual interface is listed by its dispatch side (TKIND_DISPATCH) with the vtable side
// behind it; the class and the record follow.
const TypeRow kTypes[] = {
    {L"_SysKestor", TKIND_DISPATCH, &ids::IID__SysKestor},
    {L"SysKestor", TKIND_COCLASS, &ids::CLSID_SysKestor},
    {L"GUIDDataType", TKIND_RECORD, &ids::GUID_GUIDDataType},
};

TEST_F(TypeLibTest, TypesInOrderWithoutHelp) {
  ASSERT_EQ(3u, Kestor()->GetTypeInfoCount());
  for (UINT i = 0; i < 3; ++i) {
    const TypeRow& row = kTypes[i];
    SCOPED_TRACE(Narrow(row.name));
    TYPEKIND kind{};
    ASSERT_EQ(S_OK, Kestor()->GetTypeInfoType(i, &kind));
    EXPECT_EQ(row.kind, kind);

    Bstr name, doc, help_file;
    DWORD help_context = 1;
    ASSERT_EQ(S_OK, Kestor()->GetDocumentation(static_cast<INT>(i), name.put(), doc.put(), &help_context,
                                               help_file.put()));
    EXPECT_STREQ(row.name, name.c_str());
    EXPECT_STREQ(L"", doc.c_str());
    EXPECT_EQ(0u, help_context);

    ComPtr<ITypeInfo> by_guid;
    ASSERT_EQ(S_OK, Kestor()->GetTypeInfoOfGuid(*row.guid, by_guid.put()));
    EXPECT_EQ(Narrow(row.name), NameOf(by_guid.get()));
    EXPECT_EQ(GuidText(*row.guid), GuidText(AttrOf(by_guid.get()).guid));
    EXPECT_EQ(1, AttrOf(by_guid.get()).major);
    EXPECT_EQ(0, AttrOf(by_guid.get()).minor);
  }
}

// ---------------------------------------------------------------------------------
// Interface _SysKestor

TEST_F(TypeLibTest, InterfaceIsDualOverIDispatch) {
  ComPtr<ITypeInfo> dispatch_side = TypeAt(0);
  ComPtr<ITypeInfo> vtable_side = InterfaceSide();
  ASSERT_TRUE(dispatch_side && vtable_side);

  // The library stores one set of flags; reading the dispatch side of a dual interface
  // leaves out FOLEAUTOMATION, which only describes the vtable side.
  struct Side {
    const char* what;
    ITypeInfo* info;
    TYPEKIND kind;
    WORD flags;
  };
  for (const Side& side :
       {Side{"dispatch side", dispatch_side.get(), TKIND_DISPATCH,
             static_cast<WORD>(kInterfaceFlags & ~TYPEFLAG_FOLEAUTOMATION)},
        Side{"vtable side", vtable_side.get(), TKIND_INTERFACE, kInterfaceFlags}}) {
    SCOPED_TRACE(side.what);
    const TypeAttr attr = AttrOf(side.info);
    EXPECT_EQ(side.kind, attr.kind);
    EXPECT_EQ(GuidText(ids::IID__SysKestor), GuidText(attr.guid));
    EXPECT_EQ(side.flags, attr.flags);
    EXPECT_EQ(1, attr.major);
    EXPECT_EQ(0, attr.minor);
    EXPECT_EQ("_SysKestor", NameOf(side.info));
    ASSERT_EQ(1, attr.impl_types);

    ImplRef base = ImplAt(side.info, 0);
    ASSERT_TRUE(base.info);
    EXPECT_EQ("IDispatch", NameOf(base.info.get()));
    EXPECT_EQ(GuidText(IID_IDispatch), GuidText(AttrOf(base.info.get()).guid));
    const LibOf stdole = ContainingLib(base.info.get());
    EXPECT_EQ(GuidText(kLibidStdOle2), GuidText(stdole.guid));
    EXPECT_EQ(2, stdole.major);
    EXPECT_EQ(0, stdole.minor);
  }

  // Sixteen entries of one pointer each: IDispatch's 7, three undescribed, the six members.
  const TypeAttr vtable = AttrOf(vtable_side.get());
  EXPECT_EQ(6, vtable.funcs);
  EXPECT_EQ(perArch(64, 128), vtable.vft_size);
  EXPECT_EQ(0, vtable.vars);
}

enum Param : USHORT {
  kByRef = PARAMFLAG_FIN | PARAMFLAG_FOUT,
  kResult = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL,
};

struct MemberRow {
  const wchar_t* name;
  DISPID dispid;
  INVOKEKIND invkind;
  SHORT ovft;                         // byte offset: entries 10 to 15
  std::vector<USHORT> params;         // flags of each parameter, all BSTR*
  std::vector<std::wstring> names;    // what GetNames reports: the member, then parameters
};

const std::vector<MemberRow>& Members() {
  static const std::vector<MemberRow> rows = {
      {L"GenerateIdentifier", ids::kDispGenerateIdentifier, INVOKE_FUNC, perArch<SHORT>(40, 80), {kResult},
       {L"GenerateIdentifier"}},
      {L"DateTime", ids::kDispDateTime, INVOKE_PROPERTYGET, perArch<SHORT>(44, 88), {kResult}, {L"DateTime"}},
      {L"WMIAttributesOfInterest", ids::kDispWMIAttributesOfInterest, INVOKE_PROPERTYPUT, perArch<SHORT>(48, 96),
       {kByRef}, {L"WMIAttributesOfInterest"}},
      {L"GetTestData", ids::kDispGetTestData, INVOKE_FUNC, perArch<SHORT>(52, 104), {kResult}, {L"GetTestData"}},
      {L"SetData", ids::kDispSetData, INVOKE_FUNC, perArch<SHORT>(56, 112), {kResult}, {L"SetData"}},
      {L"GetData", ids::kDispGetData, INVOKE_FUNC, perArch<SHORT>(60, 120), {kByRef, kResult},
       {L"GetData", L"fileID"}},
  };
  return rows;
}

TEST_F(TypeLibTest, MembersInTableOrder) {
  ComPtr<ITypeInfo> info = InterfaceSide();
  ASSERT_TRUE(info);
  ASSERT_EQ(Members().size(), AttrOf(info.get()).funcs);

  for (UINT i = 0; i < Members().size(); ++i) {
    const MemberRow& row = Members()[i];
    SCOPED_TRACE(Narrow(row.name));
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, info->GetFuncDesc(i, &fd));
    EXPECT_EQ(row.dispid, fd->memid);
    EXPECT_EQ(FUNC_PUREVIRTUAL, fd->funckind);
    EXPECT_EQ(row.invkind, fd->invkind);
    EXPECT_EQ(CC_STDCALL, fd->callconv);
    EXPECT_EQ(row.ovft, fd->oVft);
    EXPECT_EQ(0, fd->cParamsOpt);
    EXPECT_EQ(0, fd->wFuncFlags);
    EXPECT_EQ(VT_HRESULT, fd->elemdescFunc.tdesc.vt);
    EXPECT_EQ(static_cast<SHORT>(row.params.size()), fd->cParams);
    for (SHORT p = 0; p < fd->cParams && p < static_cast<SHORT>(row.params.size()); ++p) {
      SCOPED_TRACE("parameter " + std::to_string(p));
      const ELEMDESC& param = fd->lprgelemdescParam[p];
      EXPECT_EQ(row.params[p], param.paramdesc.wParamFlags);
      ASSERT_EQ(VT_PTR, param.tdesc.vt);
      ASSERT_NE(nullptr, param.tdesc.lptdesc);
      EXPECT_EQ(VT_BSTR, param.tdesc.lptdesc->vt);
    }
    info->ReleaseFuncDesc(fd);

    BSTR names[4] = {};
    UINT count = 0;
    ASSERT_EQ(S_OK, info->GetNames(row.dispid, names, 4, &count));
    std::vector<std::wstring> got;
    for (UINT n = 0; n < count; ++n) {
      got.emplace_back(names[n] ? names[n] : L"");
      SysFreeString(names[n]);
    }
    EXPECT_EQ(row.names, got);

    Bstr doc;
    DWORD help_context = 1;
    ASSERT_EQ(S_OK, info->GetDocumentation(row.dispid, nullptr, doc.put(), &help_context, nullptr));
    EXPECT_STREQ(L"", doc.c_str());
    EXPECT_EQ(0u, help_context);
  }
}

// Each property has one direction only: no put for DateTime, no get for the query list.
TEST_F(TypeLibTest, PropertiesHaveOneDirection) {
  ComPtr<ITypeInfo> info = InterfaceSide();
  ASSERT_TRUE(info);
  ComPtr<ITypeInfo2> info2;
  ASSERT_EQ(S_OK, info->QueryInterface(IID_ITypeInfo2, info2.putVoid()));
  struct Row {
    DISPID dispid;
    INVOKEKIND kind;
    bool present;
  };
  const Row rows[] = {
      {ids::kDispDateTime, INVOKE_PROPERTYGET, true},
      {ids::kDispDateTime, INVOKE_PROPERTYPUT, false},
      {ids::kDispDateTime, INVOKE_PROPERTYPUTREF, false},
      {ids::kDispWMIAttributesOfInterest, INVOKE_PROPERTYPUT, true},
      {ids::kDispWMIAttributesOfInterest, INVOKE_PROPERTYGET, false},
      {ids::kDispWMIAttributesOfInterest, INVOKE_PROPERTYPUTREF, false},
  };
  for (const Row& row : rows) {
    UINT index = 0;
    const HRESULT hr = info2->GetFuncIndexOfMemId(row.dispid, row.kind, &index);
    EXPECT_EQ(row.present, SUCCEEDED(hr)) << std::hex << row.dispid << " kind " << row.kind;
  }
}

// What a script host does: names to dispatch ids on the library's entry for the interface.
TEST_F(TypeLibTest, NamesResolveToDispatchIds) {
  ComPtr<ITypeInfo> info = TypeAt(0);
  ASSERT_TRUE(info);
  for (const MemberRow& row : Members()) {
    SCOPED_TRACE(Narrow(row.name));
    LPOLESTR name = const_cast<LPOLESTR>(row.name);
    MEMBERID id = 0;
    ASSERT_EQ(S_OK, info->GetIDsOfNames(&name, 1, &id));
    EXPECT_EQ(row.dispid, id);
  }

  LPOLESTR get_data[] = {const_cast<LPOLESTR>(L"GetData"), const_cast<LPOLESTR>(L"fileID")};
  MEMBERID ids_out[2] = {0, -1};
  EXPECT_EQ(S_OK, info->GetIDsOfNames(get_data, 2, ids_out));
  EXPECT_EQ(ids::kDispGetData, ids_out[0]);
  EXPECT_EQ(0, ids_out[1]);

  LPOLESTR unknown = const_cast<LPOLESTR>(L"QueryList");
  MEMBERID id = 0;
  EXPECT_TRUE(FAILED(info->GetIDsOfNames(&unknown, 1, &id)));
}

// ---------------------------------------------------------------------------------
// Class SysKestor

TEST_F(TypeLibTest, ClassImplementsDefaultInterfaceThenObjectSafety) {
  ComPtr<ITypeInfo> info = TypeAt(1);
  ASSERT_TRUE(info);
  const TypeAttr attr = AttrOf(info.get());
  EXPECT_EQ(TKIND_COCLASS, attr.kind);
  EXPECT_EQ(kCoclassFlags, attr.flags);  // exactly: in particular not dispatchable
  EXPECT_EQ(1, attr.major);
  EXPECT_EQ(0, attr.minor);
  ASSERT_EQ(2, attr.impl_types);

  struct Row {
    const char* name;
    const GUID* iid;
    INT flags;
    const GUID* libid;
    WORD lib_major;
  };
  const Row rows[] = {
      {"_SysKestor", &ids::IID__SysKestor, IMPLTYPEFLAG_FDEFAULT, &ids::LIBID_Kestor, ids::kTypeLibMajor},
      {"IObjectSafety", &ids::IID_IObjectSafety_, 0, &ids::LIBID_IObjectSafetyTLB, 1},
  };
  for (UINT i = 0; i < 2; ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    ImplRef impl = ImplAt(info.get(), i);
    EXPECT_EQ(row.flags, impl.flags);
    ASSERT_TRUE(impl.info);
    EXPECT_EQ(row.name, NameOf(impl.info.get()));
    EXPECT_EQ(GuidText(*row.iid), GuidText(AttrOf(impl.info.get()).guid));
    const LibOf lib = ContainingLib(impl.info.get());
    EXPECT_EQ(GuidText(*row.libid), GuidText(lib.guid));
    EXPECT_EQ(row.lib_major, lib.major);
    EXPECT_EQ(0, lib.minor);
  }
}

// ---------------------------------------------------------------------------------
// Record GUIDDataType

TEST_F(TypeLibTest, RecordHasTheLayoutOfAGuid) {
  ComPtr<ITypeInfo> info = TypeAt(2);
  ASSERT_TRUE(info);
  const TypeAttr attr = AttrOf(info.get());
  EXPECT_EQ(TKIND_RECORD, attr.kind);
  EXPECT_EQ(16u, attr.size);
  EXPECT_EQ(4, attr.alignment);
  EXPECT_EQ(0, attr.funcs);
  ASSERT_EQ(4, attr.vars);

  struct Field {
    const wchar_t* name;
    VARTYPE vt;
    ULONG offset;
  };
  const Field fields[] = {
      {L"Data1", VT_I4, 0},
      {L"Data2", VT_I2, 4},
      {L"Data3", VT_I2, 6},
      {L"Data4", VT_CARRAY, 8},
  };
  for (UINT i = 0; i < 4; ++i) {
    const Field& field = fields[i];
    SCOPED_TRACE(Narrow(field.name));
    VARDESC* vd = nullptr;
    ASSERT_EQ(S_OK, info->GetVarDesc(i, &vd));
    EXPECT_EQ(VAR_PERINSTANCE, vd->varkind);
    EXPECT_EQ(field.offset, vd->oInst);
    EXPECT_EQ(field.vt, vd->elemdescVar.tdesc.vt);
    if (field.vt == VT_CARRAY && vd->elemdescVar.tdesc.vt == VT_CARRAY) {
      const ARRAYDESC* array = vd->elemdescVar.tdesc.lpadesc;
      ASSERT_NE(nullptr, array);
      EXPECT_EQ(VT_UI1, array->tdescElem.vt);
      ASSERT_EQ(1, array->cDims);
      EXPECT_EQ(8u, array->rgbounds[0].cElements);
      EXPECT_EQ(0, array->rgbounds[0].lLbound);
    }
    Bstr name;
    UINT count = 0;
    EXPECT_EQ(S_OK, info->GetNames(vd->memid, name.put(), 1, &count));
    EXPECT_EQ(1u, count);
    EXPECT_STREQ(field.name, name.c_str());
    info->ReleaseVarDesc(vd);
  }
}

// ---------------------------------------------------------------------------------
// objsafe.tlb: IObjectSafetyTLB 1.0

TEST_F(TypeLibTest, ObjectSafetyLibraryDescribesTheInterface) {
  ITypeLib* lib = Libs().objsafe.get();
  TLIBATTR* lib_attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&lib_attr));
  EXPECT_EQ(GuidText(ids::LIBID_IObjectSafetyTLB), GuidText(lib_attr->guid));
  EXPECT_EQ(1, lib_attr->wMajorVerNum);
  EXPECT_EQ(0, lib_attr->wMinorVerNum);
  EXPECT_EQ(perArch(SYS_WIN32, SYS_WIN64), lib_attr->syskind);
  lib->ReleaseTLibAttr(lib_attr);
  Bstr lib_name;
  ASSERT_EQ(S_OK, lib->GetDocumentation(-1, lib_name.put(), nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"IObjectSafetyTLB", lib_name.c_str());

  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(ids::IID_IObjectSafety_, info.put()));
  const TypeAttr attr = AttrOf(info.get());
  EXPECT_EQ(TKIND_INTERFACE, attr.kind);
  EXPECT_EQ(2, attr.funcs);
  ASSERT_EQ(1, attr.impl_types);
  ImplRef base = ImplAt(info.get(), 0);
  ASSERT_TRUE(base.info);
  EXPECT_EQ(GuidText(IID_IUnknown), GuidText(AttrOf(base.info.get()).guid));

  struct Row {
    const wchar_t* name;
    SHORT ovft;
    std::vector<VARTYPE> types;  // VT_PTR stands for a pointer to VT_UI4; riid is an address
    std::vector<USHORT> flags;
  };
  const VARTYPE address = perArch<VARTYPE>(VT_I4, VT_I8);
  // Entries 3 and 4, after IUnknown's three.
  const Row rows[] = {
      {L"GetInterfaceSafetyOptions", perArch<SHORT>(12, 24), {address, VT_PTR, VT_PTR},
       {PARAMFLAG_FIN, PARAMFLAG_FOUT, PARAMFLAG_FOUT}},
      {L"SetInterfaceSafetyOptions", perArch<SHORT>(16, 32), {address, VT_UI4, VT_UI4},
       {PARAMFLAG_FIN, PARAMFLAG_FIN, PARAMFLAG_FIN}},
  };
  for (UINT i = 0; i < 2; ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(Narrow(row.name));
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, info->GetFuncDesc(i, &fd));
    Bstr name;
    UINT count = 0;
    EXPECT_EQ(S_OK, info->GetNames(fd->memid, name.put(), 1, &count));
    EXPECT_STREQ(row.name, name.c_str());
    EXPECT_EQ(row.ovft, fd->oVft);
    EXPECT_EQ(CC_STDCALL, fd->callconv);
    EXPECT_EQ(VT_HRESULT, fd->elemdescFunc.tdesc.vt);
    ASSERT_EQ(static_cast<SHORT>(row.types.size()), fd->cParams);
    for (SHORT p = 0; p < fd->cParams; ++p) {
      SCOPED_TRACE("parameter " + std::to_string(p));
      const ELEMDESC& param = fd->lprgelemdescParam[p];
      EXPECT_EQ(row.types[p], param.tdesc.vt);
      if (param.tdesc.vt == VT_PTR) {
        ASSERT_NE(nullptr, param.tdesc.lptdesc);
        EXPECT_EQ(VT_UI4, param.tdesc.lptdesc->vt);
      }
      EXPECT_EQ(row.flags[p], param.paramdesc.wParamFlags);
    }
    info->ReleaseFuncDesc(fd);
  }
}

}  // namespace
