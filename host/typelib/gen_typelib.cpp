// Build tool: writes the component's type library.
//
//   gen_typelib.exe OUT_TLB OBJSAFE_TLB
//
// OUT_TLB is the Kestor.tlb to write; OBJSAFE_TLB is the IObjectSafetyTLB library that
// the class's second interface comes from. Both may be Unix paths when run under Wine.
// Exits 0 when the library is written and reads back as intended, 1 on any failure,
// 2 on bad usage.
//
// The library is built through ICreateTypeLib2 rather than from IDL because the
// interface's members sit at fixed function-table entries (the first at entry 10, after
// three entries the library does not describe), which IDL cannot state. The library is
// for the architecture the tool is built for: its target system and byte offsets follow
// the size of a function pointer.
//
// Wine's writer cannot be told some fields; they are set in the written file afterwards,
// each checked to hold what Wine wrote: the record's size and the fields MIDL-style
// writers store (midl_fields.h).
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/type_attributes.h"
#include "host/shared/kestor_ids.h"
#include "host/shared/kestor_members.h"
#include "host/typelib/midl_fields.h"
#include "host/typelib/msft_file.h"
#include "host/typelib/tool_failure.h"
#include "host/typelib/win_path.h"

namespace {

namespace ids = kestor::ids;
using kestor::ComPtr;
using kestor::typelib::Check;
using kestor::typelib::Fail;
using kestor::typelib::Narrow;
using kestor::typelib::ToolFailure;

// stdole2.tlb, for IDispatch.
const GUID kLibidStdOle2 = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---------------------------------------------------------------------------------
// The default interface _SysKestor.

using kestor::members::Member;

// An entry holds one function pointer.
constexpr SHORT kVftEntrySize = sizeof(void (*)());

constexpr WORD kInterfaceFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                 TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kCoclassFlags = TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID;

void AddMember(ICreateTypeInfo* info, UINT index, const Member& m, TYPEDESC* bstr) {
  ELEMDESC by_ref{};
  by_ref.tdesc.vt = VT_PTR;
  by_ref.tdesc.lptdesc = bstr;
  by_ref.paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOUT;

  ELEMDESC result{};
  result.tdesc.vt = VT_PTR;
  result.tdesc.lptdesc = bstr;
  result.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

  std::vector<ELEMDESC> params(m.textArguments, by_ref);
  if (m.hasResult()) params.push_back(result);

  FUNCDESC fd{};
  fd.memid = m.dispid;
  fd.funckind = FUNC_PUREVIRTUAL;
  fd.invkind = kestor::members::invokeKind(m.kind);
  fd.callconv = CC_STDCALL;
  fd.cParams = static_cast<SHORT>(params.size());
  fd.cParamsOpt = 0;
  fd.oVft = static_cast<SHORT>(m.entry * kVftEntrySize);
  fd.lprgelemdescParam = params.data();
  fd.elemdescFunc.tdesc.vt = VT_HRESULT;
  fd.wFuncFlags = 0;

  const std::string what = m.name;
  Check(info->AddFuncDesc(index, &fd), "AddFuncDesc(" + what + ")");

  // The result is unnamed, and so is the property put's argument: only a named
  // by-reference argument gets a name after the member's own.
  std::wstring name = kestor::winpath::Widen(m.name);
  std::wstring argument = m.argumentName ? kestor::winpath::Widen(m.argumentName) : std::wstring();
  std::vector<LPOLESTR> names{name.data()};
  if (m.argumentName) names.push_back(argument.data());
  Check(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())),
        "SetFuncAndParamNames(" + what + ")");
}

ComPtr<ITypeInfo> AsTypeInfo(ICreateTypeInfo* info, const char* what) {
  ComPtr<ITypeInfo> type_info;
  Check(info->QueryInterface(IID_ITypeInfo, type_info.putVoid()),
        std::string("QueryInterface(ITypeInfo) on ") + what);
  return type_info;
}

ComPtr<ICreateTypeInfo> NewType(ICreateTypeLib2* lib, const wchar_t* name, TYPEKIND kind,
                                const GUID& guid) {
  const std::string what = Narrow(name);
  ComPtr<ICreateTypeInfo> info;
  Check(lib->CreateTypeInfo(const_cast<LPOLESTR>(name), kind, info.put()), "CreateTypeInfo(" + what + ")");
  Check(info->SetGuid(guid), "SetGuid(" + what + ")");
  Check(info->SetVersion(1, 0), "SetVersion(" + what + ")");
  return info;
}

void BuildInterface(ICreateTypeInfo* info, ITypeInfo* dispatch) {
  HREFTYPE dispatch_ref = 0;
  Check(info->AddRefTypeInfo(dispatch, &dispatch_ref), "AddRefTypeInfo(IDispatch)");
  Check(info->AddImplType(0, dispatch_ref), "AddImplType(_SysKestor, IDispatch)");
  Check(info->SetTypeFlags(kInterfaceFlags), "SetTypeFlags(_SysKestor)");
  // An interface is laid out as its pointer to the function table.
  Check(info->SetAlignment(sizeof(void*)), "SetAlignment(_SysKestor)");

  TYPEDESC bstr{};
  bstr.vt = VT_BSTR;
  UINT index = 0;
  for (const Member& m : kestor::members::kMembers) AddMember(info, index++, m, &bstr);
  Check(info->LayOut(), "LayOut(_SysKestor)");
}

void BuildCoclass(ICreateTypeInfo* info, ITypeInfo* default_iface, ITypeInfo* object_safety) {
  HREFTYPE default_ref = 0;
  HREFTYPE safety_ref = 0;
  Check(info->AddRefTypeInfo(default_iface, &default_ref), "AddRefTypeInfo(_SysKestor)");
  Check(info->AddImplType(0, default_ref), "AddImplType(SysKestor, _SysKestor)");
  Check(info->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags(_SysKestor)");
  Check(info->AddRefTypeInfo(object_safety, &safety_ref), "AddRefTypeInfo(IObjectSafety)");
  Check(info->AddImplType(1, safety_ref), "AddImplType(SysKestor, IObjectSafety)");
  Check(info->SetImplTypeFlags(1, 0), "SetImplTypeFlags(IObjectSafety)");
  // Wine's AddImplType marks the class dispatchable when a reference happens to share
  // IDispatch's slot number; setting the flags last keeps exactly the intended ones.
  Check(info->SetTypeFlags(kCoclassFlags), "SetTypeFlags(SysKestor)");
  Check(info->LayOut(), "LayOut(SysKestor)");
}

// ---------------------------------------------------------------------------------
// The record GUIDDataType: the platform GUID's layout.

constexpr ULONG kRecordSize = 16;
constexpr WORD kRecordAlignment = 4;

void BuildRecord(ICreateTypeInfo* info) {
  // Data4: eight bytes indexed 0 to 7. One dimension fits ARRAYDESC's own bounds slot.
  ARRAYDESC bytes{};
  bytes.tdescElem.vt = VT_UI1;
  bytes.cDims = 1;
  bytes.rgbounds[0].cElements = 8;
  bytes.rgbounds[0].lLbound = 0;

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

  UINT index = 0;
  for (const Field& f : fields) {
    VARDESC vd{};
    vd.memid = MEMBERID_NIL;
    vd.oInst = f.offset;  // given explicitly: Wine does not lay records out
    vd.elemdescVar.tdesc.vt = f.vt;
    if (f.vt == VT_CARRAY) vd.elemdescVar.tdesc.lpadesc = &bytes;
    vd.varkind = VAR_PERINSTANCE;
    vd.wVarFlags = 0;
    const std::string what = Narrow(f.name);
    Check(info->AddVarDesc(index, &vd), "AddVarDesc(" + what + ")");
    Check(info->SetVarName(index, const_cast<LPOLESTR>(f.name)), "SetVarName(" + what + ")");
    ++index;
  }

  Check(info->SetAlignment(kRecordAlignment), "SetAlignment(GUIDDataType)");
  Check(info->LayOut(), "LayOut(GUIDDataType)");
}

// ---------------------------------------------------------------------------------
// Read-back of what the writer is known to get wrong.

void Verify(const std::wstring& path, UINT record_index, UINT coclass_index) {
  ComPtr<ITypeLib> lib;
  Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), "LoadTypeLibEx(written library)");
  if (lib->GetTypeInfoCount() != 3) Fail("written library does not hold three types");

  // A library read from a file also reports LIBFLAG_FHASDISKIMAGE; it is not stored.
  kestor::LibAttributes lib_attr(lib.get());
  Check(lib->GetLibAttr(lib_attr.put()), "GetLibAttr");
  const TLIBATTR got = *lib_attr.get();
  if (!(got.guid == ids::LIBID_Kestor) || got.lcid != 0 || got.wMajorVerNum != ids::kTypeLibMajor ||
      got.wMinorVerNum != ids::kTypeLibMinor ||
      (got.wLibFlags & ~LIBFLAG_FHASDISKIMAGE) != LIBFLAG_FCONTROL ||
      got.syskind != ids::kTypeLibSysKind) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "library attributes read back as lcid 0x%lX, version %u.%u, flags 0x%X, syskind %d",
                  static_cast<unsigned long>(got.lcid), got.wMajorVerNum, got.wMinorVerNum,
                  got.wLibFlags, static_cast<int>(got.syskind));
    Fail(text);
  }

  ComPtr<ITypeInfo> record;
  Check(lib->GetTypeInfo(record_index, record.put()), "GetTypeInfo(GUIDDataType)");
  kestor::TypeAttributes attr(record.get());
  Check(record->GetTypeAttr(attr.put()), "GetTypeAttr(GUIDDataType)");
  const bool record_ok = attr->typekind == TKIND_RECORD && attr->cbSizeInstance == kRecordSize &&
                         attr->cbAlignment == kRecordAlignment && attr->cVars == 4;
  if (!record_ok) Fail("GUIDDataType reads back with a wrong kind, size, alignment or field count");

  ComPtr<ITypeInfo> coclass;
  Check(lib->GetTypeInfo(coclass_index, coclass.put()), "GetTypeInfo(SysKestor)");
  kestor::TypeAttributes coclass_attr(coclass.get());
  Check(coclass->GetTypeAttr(coclass_attr.put()), "GetTypeAttr(SysKestor)");
  const bool coclass_ok = coclass_attr->typekind == TKIND_COCLASS &&
                          coclass_attr->wTypeFlags == kCoclassFlags && coclass_attr->cImplTypes == 2;
  if (!coclass_ok) Fail("SysKestor reads back with wrong kind, flags or interface count");
}

// ---------------------------------------------------------------------------------

// The functions of `base` and of every interface it derives from, and how many they are.
kestor::typelib::Inheritance InheritanceOf(ITypeInfo* base) {
  kestor::typelib::Inheritance out{0, 0};
  ComPtr<ITypeInfo> current(base);
  while (current) {
    bool derived = false;
    {
      kestor::TypeAttributes attr(current.get());
      Check(current->GetTypeAttr(attr.put()), "GetTypeAttr(base interface)");
      out.functions = static_cast<uint16_t>(out.functions + attr->cFuncs);
      derived = attr->cImplTypes > 0;
    }
    if (++out.depth > 16) Fail("base interfaces nest too deep");
    if (!derived) break;
    HREFTYPE ref = 0;
    Check(current->GetRefTypeOfImplType(0, &ref), "GetRefTypeOfImplType(base interface)");
    ComPtr<ITypeInfo> next;
    Check(current->GetRefTypeInfo(ref, next.put()), "GetRefTypeInfo(base interface)");
    current = std::move(next);
  }
  return out;
}

void Generate(const std::wstring& out_path, const std::wstring& objsafe_path) {
  ComPtr<ITypeLib> stdole;
  Check(LoadRegTypeLib(kLibidStdOle2, 2, 0, 0, stdole.put()), "LoadRegTypeLib(stdole2.tlb)");
  ComPtr<ITypeInfo> dispatch;
  Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.put()), "stdole2.tlb: IDispatch");

  // Loaded by path and without registration: the reference to IObjectSafety records the
  // library's identity and file name, which is all a reader needs.
  ComPtr<ITypeLib> objsafe;
  Check(LoadTypeLibEx(objsafe_path.c_str(), REGKIND_NONE, objsafe.put()),
        "LoadTypeLibEx(" + Narrow(objsafe_path) + ")");
  kestor::LibAttributes objsafe_attr(objsafe.get());
  Check(objsafe->GetLibAttr(objsafe_attr.put()), "objsafe.tlb: GetLibAttr");
  const bool objsafe_ok = objsafe_attr->guid == ids::LIBID_IObjectSafetyTLB &&
                          objsafe_attr->wMajorVerNum == 1 && objsafe_attr->wMinorVerNum == 0;
  if (!objsafe_ok) Fail(Narrow(objsafe_path) + " is not IObjectSafetyTLB 1.0");
  ComPtr<ITypeInfo> object_safety;
  Check(objsafe->GetTypeInfoOfGuid(ids::IID_IObjectSafety_, object_safety.put()),
        "objsafe.tlb: IObjectSafety");

  {
    ComPtr<ICreateTypeLib2> lib;
    Check(CreateTypeLib2(ids::kTypeLibSysKind, out_path.c_str(), lib.put()),
          "CreateTypeLib2(" + Narrow(out_path) + ")");
    Check(lib->SetName(const_cast<LPOLESTR>(L"Kestor")), "SetName");
    Check(lib->SetGuid(ids::LIBID_Kestor), "SetGuid");
    Check(lib->SetVersion(ids::kTypeLibMajor, ids::kTypeLibMinor), "SetVersion");
    Check(lib->SetLcid(LOCALE_NEUTRAL), "SetLcid");
    Check(lib->SetDocString(const_cast<LPOLESTR>(ids::kTypeLibHelpString)), "SetDocString");
    Check(lib->SetLibFlags(LIBFLAG_FCONTROL), "SetLibFlags");

    // Types in library order: the interface, the class, the record.
    ComPtr<ICreateTypeInfo> iface = NewType(lib.get(), L"_SysKestor", TKIND_INTERFACE, ids::IID__SysKestor);
    ComPtr<ICreateTypeInfo> coclass = NewType(lib.get(), L"SysKestor", TKIND_COCLASS, ids::CLSID_SysKestor);
    ComPtr<ICreateTypeInfo> record = NewType(lib.get(), L"GUIDDataType", TKIND_RECORD, ids::GUID_GUIDDataType);

    BuildInterface(iface.get(), dispatch.get());
    ComPtr<ITypeInfo> iface_info = AsTypeInfo(iface.get(), "_SysKestor");
    BuildCoclass(coclass.get(), iface_info.get(), object_safety.get());
    BuildRecord(record.get());

    Check(lib->SaveAllChanges(), "SaveAllChanges");
  }

  constexpr UINT kCoclassIndex = 1;
  constexpr UINT kRecordIndex = 2;
  {
    kestor::typelib::MsftFile file(out_path);
    kestor::typelib::SetRecordSize(file, kRecordIndex, kRecordSize);
    kestor::typelib::SetMidlFields(file, InheritanceOf(dispatch.get()));
    file.save();
  }
  Verify(out_path, kRecordIndex, kCoclassIndex);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_typelib OUT_TLB OBJSAFE_TLB\n");
    return 2;
  }
  const std::wstring out_path = kestor::winpath::ToWindowsPath(argv[1]);
  const std::wstring objsafe_path = kestor::winpath::ToWindowsPath(argv[2]);
  try {
    Generate(out_path, objsafe_path);
  } catch (const ToolFailure& failure) {
    std::fprintf(stderr, "gen_typelib: %s\n", failure.message.c_str());
    DeleteFileW(out_path.c_str());  // a half-written library must not look like a result
    return 1;
  }
  std::printf("gen_typelib: wrote %s\n", Narrow(out_path).c_str());
  return 0;
}
