// Loading the query list from a page's parameters: the property-bag adapter on its
// own, and IPersistPropertyBag::Load on an object, observed through the report.
#include <gtest/gtest.h>

#include "common/failure.h"
#include "host/shared/kestor_ids.h"
#include "host/object/property_bag_source.h"
#include "tests/wine/server/fake_property_bag.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

constexpr wchar_t kKey[] = L"WMI_ATTRIBUTES_OF_INTEREST";

struct BagValue {
  VARTYPE type;
  const wchar_t* text;  // VT_BSTR (nullptr: a null BSTR)
  LONG number;          // VT_I4
};

// The variant a row's bag stores.
void fill(Variant& variant, const BagValue& value) {
  VARIANT* v = variant.put();
  V_VT(v) = value.type;
  if (value.type == VT_BSTR) V_BSTR(v) = value.text ? SysAllocString(value.text) : nullptr;
  if (value.type == VT_I4) V_I4(v) = value.number;
}

struct SourceRow {
  const char* what;
  HRESULT readStatus;
  BagValue value;
  HRESULT failure;  // S_OK: readText returns text; else the Failure number
  const char16_t* text;
};

const SourceRow kSourceRows[] = {
    {"a text is taken unchanged", S_OK, {VT_BSTR, L"A|B|", 0}, S_OK, u"A|B|"},
    {"a null BSTR is the empty text", S_OK, {VT_BSTR, nullptr, 0}, S_OK, u""},
    {"a read that leaves the variant empty gives the empty text", S_OK, {VT_EMPTY, nullptr, 0}, S_OK, u""},
    {"a number is converted to its text", S_OK, {VT_I4, nullptr, 42}, S_OK, u"42"},
    {"a negative number keeps its sign", S_OK, {VT_I4, nullptr, -7}, S_OK, u"-7"},
    {"a null value has no text: type mismatch", S_OK, {VT_NULL, nullptr, 0}, DISP_E_TYPEMISMATCH, u""},
    {"a missing key: the bag's status", E_INVALIDARG, {VT_EMPTY, nullptr, 0}, E_INVALIDARG, u""},
    {"any other read failure: the bag's status", E_ACCESSDENIED, {VT_BSTR, L"x|", 0}, E_ACCESSDENIED, u""},
};

TEST(PropertyBagSourceTest, ReadsTheKeyWithoutDefaultAndConvertsToText) {
  for (const SourceRow& row : kSourceRows) {
    Variant stored;
    fill(stored, row.value);
    FakePropertyBag bag(row.readStatus, *stored.get());
    {
      PropertyBagSource source(&bag, nullptr);
      try {
        const Text text = source.readText(u"WMI_ATTRIBUTES_OF_INTEREST");
        EXPECT_EQ(row.failure, S_OK) << row.what << ": no failure thrown";
        EXPECT_TRUE(text == row.text) << row.what;
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), row.failure) << row.what;
      }
      EXPECT_EQ(bag.lastName(), kKey) << row.what;
      EXPECT_EQ(bag.typeAsked(), VT_EMPTY) << row.what << ": a default value was offered";
      EXPECT_EQ(bag.referencesDuringRead(), 2) << row.what << ": no own reference during the read";
    }
    EXPECT_EQ(bag.references(), 1) << row.what << ": reference to the bag not dropped";
  }
}

struct LoadRow {
  const char* what;
  HRESULT readStatus;
  BagValue value;
  HRESULT hr;
  bool listKept;  // the query list set before the load is still the one that runs
};

// The list before the load runs the query "Before"; a loaded "Loaded|" runs "Loaded".
const LoadRow kLoadRows[] = {
    {"a stored list replaces the old one", S_OK, {VT_BSTR, L"Loaded|", 0}, S_OK, false},
    {"a missing key fails the load, list kept", E_INVALIDARG, {VT_EMPTY, nullptr, 0}, E_INVALIDARG, true},
    {"a null value fails the load, list kept", S_OK, {VT_NULL, nullptr, 0}, DISP_E_TYPEMISMATCH, true},
    {"a number is loaded as its text (runs nothing)", S_OK, {VT_I4, nullptr, 42}, S_OK, false},
    {"an empty successful read empties the list", S_OK, {VT_EMPTY, nullptr, 0}, S_OK, false},
};

class PersistenceTest : public ::testing::Test {
 protected:
  Apartment apartment_;
};

TEST_F(PersistenceTest, LoadReplacesTheListOrFailsAndKeepsIt) {
  for (const LoadRow& row : kLoadRows) {
    ComPtr<ISysKestor> object = newObject();
    ASSERT_TRUE(object);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(object->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);
    Bstr before(u"Before|");
    BSTR beforeArgument = before.get();
    ASSERT_EQ(object->put_WMIAttributesOfInterest(&beforeArgument), S_OK);

    Variant stored;
    fill(stored, row.value);
    FakePropertyBag bag(row.readStatus, *stored.get());
    EXPECT_EQ(persist->Load(&bag, nullptr), row.hr) << row.what;
    EXPECT_EQ(bag.reads(), 1) << row.what;
    EXPECT_EQ(bag.lastName(), kKey) << row.what;
    EXPECT_EQ(bag.typeAsked(), VT_EMPTY) << row.what;
    EXPECT_GE(bag.referencesDuringRead(), 2) << row.what << ": no reference held during the read";
    EXPECT_EQ(bag.references(), 1) << row.what << ": reference to the bag not dropped";

    const std::wstring report = reportOf(object.get());
    const bool ranBefore = report.find(L"[class=Before]") != std::wstring::npos;
    const bool ranLoaded = report.find(L"[class=Loaded]") != std::wstring::npos;
    EXPECT_EQ(ranBefore, row.listKept) << row.what << "\nreport: " << narrow(report);
    EXPECT_EQ(ranLoaded, row.value.text && row.hr == S_OK) << row.what;
  }
}

TEST_F(PersistenceTest, OtherNotificationsDoNothingAndSucceed) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(object->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);
  Variant nothing;
  FakePropertyBag bag(S_OK, *nothing.get());
  EXPECT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
  EXPECT_EQ(bag.writes(), 0);
  EXPECT_EQ(bag.reads(), 0);
  EXPECT_EQ(persist->Load(nullptr, nullptr), E_POINTER);
  CLSID classId = GUID_NULL;
  EXPECT_EQ(persist->GetClassID(&classId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(classId, ids::CLSID_SysKestor));
  EXPECT_EQ(persist->GetClassID(nullptr), E_POINTER);
}

}  // namespace
}  // namespace kestor::server::test
