// IDispatch as script hosts use it: names and type information from the type
// library, and which invoke kinds each member answers.
#include <gtest/gtest.h>

#include "host/com/type_attributes.h"
#include "host/shared/kestor_ids.h"
#include "tests/wine/server/dispatch_call.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

using DispatchTest = ObjectTest;

struct NameRow {
  const wchar_t* name;
  DISPID id;
};

const NameRow kNames[] = {
    {L"GenerateIdentifier", 0x60030007},
    {L"DateTime", 0x68030001},
    {L"WMIAttributesOfInterest", 0x68030000},
    {L"GetTestData", 0x6003000A},
    {L"SetData", 0x6003000C},
    {L"GetData", 0x6003000D},
    {L"getdata", 0x6003000D},  // names resolve without regard to case
};

TEST_F(DispatchTest, NamesResolveToTheirDispatchIdentifiers) {
  for (const NameRow& row : kNames) {
    LPOLESTR name = const_cast<LPOLESTR>(row.name);
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK)
        << narrow(row.name);
    EXPECT_EQ(id, row.id) << narrow(row.name);
  }
}

TEST_F(DispatchTest, ParameterNamesAndUnknownNames) {
  // GetData's parameter is named fileID; the put's parameter has no name.
  LPOLESTR getData[] = {const_cast<LPOLESTR>(L"GetData"), const_cast<LPOLESTR>(L"fileID")};
  DISPID ids[2] = {DISPID_UNKNOWN, DISPID_UNKNOWN};
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, getData, 2, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[0], 0x6003000D);
  EXPECT_EQ(ids[1], 0);
  LPOLESTR put[] = {const_cast<LPOLESTR>(L"WMIAttributesOfInterest"), const_cast<LPOLESTR>(L"value")};
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, put, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
  LPOLESTR unknown = const_cast<LPOLESTR>(L"QueryList");
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(object_->GetIDsOfNames(IID_IDispatch, &unknown, 1, LOCALE_USER_DEFAULT, ids),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, TypeInformationIsThatOfTheDefaultInterface) {
  UINT count = 0;
  EXPECT_EQ(object_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> typeInfo;
  ASSERT_EQ(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, typeInfo.put()), S_OK);
  TypeAttributes attributes(typeInfo.get());
  ASSERT_EQ(typeInfo->GetTypeAttr(attributes.put()), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, ids::IID__SysKestor));
  ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(object_->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none), DISP_E_BADINDEX);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
}

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // what VBScript sends
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kPutRef = DISPATCH_PROPERTYPUTREF;

struct KindRow {
  const char* what;
  DISPID id;
  WORD flags;
  int arguments;  // text arguments passed
  HRESULT hr;
  size_t resultLength;  // of the VT_BSTR result; SIZE_MAX: any non-empty text
};

constexpr size_t kAny = SIZE_MAX;

const KindRow kKindRows[] = {
    {"GetTestData as a method", ids::kDispGetTestData, kMethod, 0, S_OK, 14},
    {"GetTestData is no property", ids::kDispGetTestData, kGet, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"GenerateIdentifier is no property", ids::kDispGenerateIdentifier, kGet, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"SetData is no property", ids::kDispSetData, kGet, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"GetData is no property", ids::kDispGetData, kGet, 1, DISP_E_MEMBERNOTFOUND, 0},
    {"SetData as a method", ids::kDispSetData, kMethod, 0, S_OK, 38},
    {"GetTestData as script hosts call it", ids::kDispGetTestData, kRead, 0, S_OK, 14},
    {"GenerateIdentifier as a method", ids::kDispGenerateIdentifier, kRead, 0, S_OK, 38},
    {"SetData stores a report and names it", ids::kDispSetData, kRead, 0, S_OK, 38},
    {"DateTime read as a property", ids::kDispDateTime, kGet, 0, S_OK, kAny},
    {"DateTime read the VBScript way", ids::kDispDateTime, kRead, 0, S_OK, kAny},
    {"DateTime is no method", ids::kDispDateTime, kMethod, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"DateTime cannot be assigned", ids::kDispDateTime, kPut, 1, DISP_E_MEMBERNOTFOUND, 0},
    {"WMIAttributesOfInterest cannot be read", ids::kDispWMIAttributesOfInterest, kGet, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"WMIAttributesOfInterest cannot be read the VBScript way", ids::kDispWMIAttributesOfInterest, kRead, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"WMIAttributesOfInterest is no object reference", ids::kDispWMIAttributesOfInterest, kPutRef, 1, DISP_E_MEMBERNOTFOUND, 0},
    {"WMIAttributesOfInterest assigned", ids::kDispWMIAttributesOfInterest, kPut, 1, S_OK, 0},
    {"GetTestData cannot be assigned", ids::kDispGetTestData, kPut, 1, DISP_E_MEMBERNOTFOUND, 0},
    {"no default member", DISPID_VALUE, kRead, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"an identifier between the members", 0x60030008, kRead, 0, DISP_E_MEMBERNOTFOUND, 0},
    {"GetData without its argument", ids::kDispGetData, kRead, 0, DISP_E_BADPARAMCOUNT, 0},
    {"GetData with two arguments", ids::kDispGetData, kRead, 2, DISP_E_BADPARAMCOUNT, 0},
    {"GetTestData with an argument", ids::kDispGetTestData, kRead, 1, DISP_E_BADPARAMCOUNT, 0},
    {"a put without its value", ids::kDispWMIAttributesOfInterest, kPut, 0, DISP_E_BADPARAMCOUNT, 0},
};

TEST_F(DispatchTest, EachMemberAnswersOnlyItsInvokeKinds) {
  for (const KindRow& row : kKindRows) {
    std::vector<VARIANT*> args;
    Argument first(Form::Bstr, L"x|"), second(Form::Bstr, L"y|");
    Argument* available[] = {&first, &second};
    for (int i = 0; i < row.arguments; ++i) args.push_back(available[i]->get());
    const CallResult call = invoke(object_.get(), row.id, row.flags, args);
    EXPECT_EQ(call.hr, row.hr) << row.what;
    if (row.hr == S_OK && row.resultLength != 0) {
      EXPECT_EQ(call.type, VT_BSTR) << row.what;
      if (row.resultLength == kAny) {
        EXPECT_FALSE(call.text.empty()) << row.what;
      } else {
        EXPECT_EQ(call.text.size(), row.resultLength) << row.what << ": " << narrow(call.text);
      }
    } else {
      EXPECT_EQ(call.type, VT_EMPTY) << row.what;
    }
  }
}

// A refused put or read leaves the query list as it was and runs nothing.
TEST_F(DispatchTest, RefusedCallsLeaveTheStateUnchanged) {
  Argument marker(Form::Bstr, L"Marker|");
  ASSERT_EQ(invoke(object_.get(), ids::kDispWMIAttributesOfInterest, kPut, {marker.get()}).hr, S_OK);
  Argument other(Form::Bstr, L"Other|");
  EXPECT_EQ(invoke(object_.get(), ids::kDispDateTime, kPut, {other.get()}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(object_.get(), ids::kDispWMIAttributesOfInterest, kPutRef, {other.get()}).hr,
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(object_.get(), ids::kDispWMIAttributesOfInterest, kRead, {}).hr, DISP_E_MEMBERNOTFOUND);
  // A property read of a method (JScript's "var s = o.SetData;") runs nothing.
  EXPECT_EQ(invoke(object_.get(), ids::kDispSetData, kGet, {}).hr, DISP_E_MEMBERNOTFOUND);
  const std::wstring report = reportOf(object_.get());
  const size_t at = report.find(L"[class=Marker]");
  EXPECT_NE(at, std::wstring::npos) << narrow(report);
  EXPECT_EQ(report.find(L"[class=Marker]", at + 1), std::wstring::npos) << narrow(report);
  EXPECT_EQ(report.find(L"[class=Other]"), std::wstring::npos) << narrow(report);
}

TEST_F(DispatchTest, InvokeRefusesAnInterfaceOtherThanNull) {
  DISPPARAMS none{};
  EXPECT_EQ(object_->Invoke(ids::kDispGetTestData, IID_IDispatch, LOCALE_USER_DEFAULT, kRead, &none,
                            nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, ResultIsOptional) {
  DISPPARAMS none{};
  EXPECT_EQ(object_->Invoke(ids::kDispGetTestData, IID_NULL, LOCALE_USER_DEFAULT, kRead, &none,
                            nullptr, nullptr, nullptr),
            S_OK);
}

}  // namespace
}  // namespace kestor::server::test
