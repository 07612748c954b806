// Registration as regsvr32 leaves it (the test fixture registered the build), and
// DllUnregisterServer / DllRegisterServer called directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kestor_ids.h"
#include "host/registry_key.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

std::wstring guidText(const GUID& guid) {
  wchar_t buffer[40] = {};
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

// The text value name (nullptr: default) of HKCR\path, or "(missing)".
std::wstring readValue(const std::wstring& path, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
      ERROR_SUCCESS) {
    return L"(missing)";
  }
  return buffer;
}

struct ValueRow {
  const char* what;
  std::wstring path;
  const wchar_t* name;
  std::wstring expected;
};

std::vector<ValueRow> registeredValues() {
  const std::wstring clsid = L"CLSID\\" + guidText(ids::CLSID_SysKestor);
  return {
      {"in-process server is this build", clsid + L"\\InprocServer32", nullptr, serverDll().path},
      {"apartment threading", clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {"class names its ProgID", clsid + L"\\ProgID", nullptr, L"Kestor.SysKestor"},
      {"class names its type library", clsid + L"\\TypeLib", nullptr, guidText(ids::LIBID_Kestor)},
      {"type library version", clsid + L"\\Version", nullptr, L"2.0"},
      {"ProgID names the class", L"Kestor.SysKestor\\CLSID", nullptr, guidText(ids::CLSID_SysKestor)},
      {"library help string", L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0", nullptr, L"Orvanel"},
      {"library flags: a control, nothing else", L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0\\FLAGS",
       nullptr, L"2"},
      {"library file for locale 0", L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0\\0\\win32", nullptr,
       serverDll().path},
  };
}

bool sameClassAs(IUnknown* object, const CLSID& expected) {
  ComPtr<IPersist> persist;
  if (FAILED(object->QueryInterface(IID_IPersist, persist.putVoid()))) return false;
  CLSID classId = GUID_NULL;
  return SUCCEEDED(persist->GetClassID(&classId)) && IsEqualCLSID(classId, expected);
}

class RegistrationTest : public ::testing::Test {
 protected:
  // Whatever a test does, the prefix is left registered for the tests after it.
  void TearDown() override { EXPECT_EQ(serverDll().registerServer(), S_OK); }
  Apartment apartment_;
};

TEST_F(RegistrationTest, RegisteredValuesNameThisBuild) {
  for (const ValueRow& row : registeredValues()) {
    EXPECT_EQ(_wcsicmp(readValue(row.path, row.name).c_str(), row.expected.c_str()), 0)
        << row.what << ": " << narrow(readValue(row.path, row.name));
  }
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0\\HELPDIR"))
      << "the library has no help directory";
  ComPtr<ITypeLib> typeLib;
  EXPECT_EQ(LoadRegTypeLib(ids::LIBID_Kestor, 2, 0, 0, typeLib.put()), S_OK);
}

TEST_F(RegistrationTest, ProgIdAndClassIdCreateTheSameClass) {
  CLSID fromProgId = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(ids::kProgId, &fromProgId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(fromProgId, ids::CLSID_SysKestor));
  ComPtr<IDispatch> byProgId;
  ASSERT_EQ(CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, byProgId.putVoid()), S_OK);
  ComPtr<IDispatch> byClassId;
  ASSERT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             byClassId.putVoid()),
            S_OK);
  EXPECT_TRUE(sameClassAs(byProgId.get(), ids::CLSID_SysKestor));
  EXPECT_TRUE(sameClassAs(byClassId.get(), ids::CLSID_SysKestor));
  EXPECT_NE(byProgId.get(), byClassId.get()) << "two creations gave one object";
  // Created through the registry, the object lives in this build's module.
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE);
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingAndRegisterRestoresIt) {
  ASSERT_EQ(serverDll().unregisterServer(), S_OK);
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(CLSIDFromProgID(ids::kProgId, &clsid), CO_E_CLASSSTRING);
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.putVoid()),
            REGDB_E_CLASSNOTREG);
  for (const ValueRow& row : registeredValues()) {
    EXPECT_EQ(readValue(row.path, row.name), L"(missing)") << row.what;
  }
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(ids::IID__SysKestor)));
  // Removing what is not there is no error.
  EXPECT_EQ(serverDll().unregisterServer(), S_OK);

  ASSERT_EQ(serverDll().registerServer(), S_OK);
  ASSERT_EQ(CLSIDFromProgID(ids::kProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, ids::CLSID_SysKestor));
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()), S_OK);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(ids::IID__SysKestor)))
      << "the default interface is registered with its type library";
}

}  // namespace
}  // namespace kestor::server::test
