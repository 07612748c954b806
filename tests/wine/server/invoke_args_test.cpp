// Text arguments in every form script engines pass them: by value, by reference, and
// as a reference to the script's own variable. The member gets the text; the
// caller's variable is never written.
#include <gtest/gtest.h>

#include "host/shared/kestor_ids.h"
#include "tests/wine/server/dispatch_call.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

struct FormRow {
  const char* what;
  Form form;
  HRESULT hr;
  bool textArrives;  // the member saw the row's text (not a converted value)
};

const FormRow kFormRows[] = {
    {"a BSTR by value", Form::Bstr, S_OK, true},
    {"a BSTR by reference", Form::BstrByRef, S_OK, true},
    {"a script variable by reference", Form::VariantByRef, S_OK, true},
    {"a number converts to its text", Form::Integer, S_OK, false},
    {"null has no text", Form::Null, DISP_E_TYPEMISMATCH, false},
    {"a variable holding null", Form::NullByRef, DISP_E_TYPEMISMATCH, false},
    {"an array has no text", Form::Array, DISP_E_TYPEMISMATCH, false},
};

class InvokeArgumentsTest : public ::testing::Test {
 protected:
  Apartment apartment_;
};

TEST_F(InvokeArgumentsTest, PutTakesEveryTextFormAndLeavesTheVariable) {
  for (const FormRow& row : kFormRows) {
    ComPtr<ISysKestor> object = newObject();
    ASSERT_TRUE(object);
    Argument value(row.form, L"Marker|");
    // A put as Wine's VBScript makes it, and as other hosts do without the name.
    for (bool namePut : {true, false}) {
      const CallResult call =
          invoke(object.get(), ids::kDispWMIAttributesOfInterest, DISPATCH_PROPERTYPUT, {value.get()}, namePut);
      EXPECT_EQ(call.hr, row.hr) << row.what << (namePut ? "" : " (unnamed)");
      if (FAILED(row.hr)) {
        EXPECT_EQ(call.argError, 0u) << row.what;
      }
      EXPECT_TRUE(value.unchanged()) << row.what << ": the caller's variable was written";
    }
    const std::wstring report = reportOf(object.get());
    EXPECT_EQ(report.find(L"[class=Marker]") != std::wstring::npos, row.textArrives)
        << row.what << "\nreport: " << narrow(report);
  }
}

TEST_F(InvokeArgumentsTest, GetDataTakesEveryTextFormAndLeavesTheVariable) {
  ComPtr<ISysKestor> writer = newObject();
  ASSERT_TRUE(writer);
  Bstr list(u"Marker|");
  BSTR listArgument = list.get();
  ASSERT_EQ(writer->put_WMIAttributesOfInterest(&listArgument), S_OK);
  Bstr fileId;
  ASSERT_EQ(writer->SetData(fileId.put()), S_OK);
  ASSERT_EQ(SysStringLen(fileId.get()), 38u);

  for (const FormRow& row : kFormRows) {
    // Any object reads a report by its file id.
    ComPtr<ISysKestor> reader = newObject();
    ASSERT_TRUE(reader);
    Argument id(row.form, wide(fileId.get()));
    const CallResult call = invoke(reader.get(), ids::kDispGetData, kRead, {id.get()});
    EXPECT_EQ(call.hr, row.hr) << row.what;
    EXPECT_TRUE(id.unchanged()) << row.what << ": the caller's variable was written";
    if (FAILED(row.hr)) {
      EXPECT_EQ(call.argError, 0u) << row.what;
      EXPECT_EQ(call.type, VT_EMPTY) << row.what;
      continue;
    }
    EXPECT_EQ(call.type, VT_BSTR) << row.what;
    // "42" names no report: the empty text.
    EXPECT_EQ(call.text.find(L"[class=Marker]") != std::wstring::npos, row.textArrives)
        << row.what << ": " << narrow(call.text);
    if (!row.textArrives) {
      EXPECT_TRUE(call.text.empty()) << row.what;
    }
  }
}

struct NamedRow {
  const char* what;
  DISPID named;
  HRESULT hr;
};

const NamedRow kNamedRows[] = {
    {"fileID named by its identifier", 0, S_OK},
    {"a name GetData has not", 1, DISP_E_PARAMNOTFOUND},
    {"the property-put name on a method", DISPID_PROPERTYPUT, DISP_E_PARAMNOTFOUND},
};

TEST_F(InvokeArgumentsTest, GetDataAcceptsItsArgumentByName) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  for (const NamedRow& row : kNamedRows) {
    Argument id(Form::Bstr, L"{00000000-0000-0000-0000-00000000CAFE}");
    DISPID named = row.named;
    DISPPARAMS params{id.get(), &named, 1, 1};
    Variant result;
    EXPECT_EQ(object->Invoke(ids::kDispGetData, IID_NULL, LOCALE_USER_DEFAULT, kRead, &params,
                             result.get(), nullptr, nullptr),
              row.hr)
        << row.what;
  }
}

}  // namespace
}  // namespace kestor::server::test
