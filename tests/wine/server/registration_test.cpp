// Registration as regsvr32 leaves it (the test fixture registered the build, and the
// other architecture's build beside it), and DllUnregisterServer / DllRegisterServer
// called directly, alone and beside the other architecture's registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/com/unique_handle.h"
#include "host/shared/kestor_ids.h"
#include "host/com/registry_key.h"
#include "host/typelib/win_path.h"
#include "tests/wine/server/server_support.h"
#include "tests/wine/target_arch.h"

namespace kestor::server::test {
namespace {

using kestor::test::perArch;

// 64-bit Windows keeps the class key apart per bitness; this is the other view.
constexpr REGSAM kOtherView = perArch<REGSAM>(KEY_WOW64_64KEY, KEY_WOW64_32KEY);
constexpr const wchar_t* kOwnSysKind = perArch(L"win32", L"win64");
constexpr const wchar_t* kOtherSysKind = perArch(L"win64", L"win32");
// The system folders as this process sees them: a 32-bit process reaches the 64-bit
// one as sysnative (its system32 is the 32-bit one).
constexpr const wchar_t* kOwnSystemDir = L"C:\\windows\\system32\\";
constexpr const wchar_t* kOtherSystemDir = perArch(L"C:\\windows\\sysnative\\", L"C:\\windows\\syswow64\\");

// The text value name (nullptr: default) of HKCR\path in a registry view (0: this
// process's own), or "(missing)".
std::wstring readValue(const std::wstring& path, const wchar_t* name, REGSAM view = 0) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
    return L"(missing)";
  }
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS) {
    return L"(missing)";
  }
  return buffer;
}

// The other architecture's build, when there is one.
const std::wstring& otherDll() {
  static const std::wstring path = winpath::ToWindowsPath(KESTOR_OTHER_OCX_PATH);
  return path;
}
bool otherDllBuilt() { return GetFileAttributesW(otherDll().c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs a program of a system folder with arguments; its exit code, or ~0u when it
// cannot be started or does not end within a minute.
DWORD run(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return ~0u;
  }
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  DWORD code = ~0u;
  if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &code)) {
    return ~0u;
  }
  return code;
}

// The other architecture's regsvr32 on the other build ("/s" or "/u /s").
DWORD otherRegsvr32(const wchar_t* options) {
  return run(std::wstring(kOtherSystemDir) + L"regsvr32.exe",
             std::wstring(options) + L" \"" + otherDll() + L"\"");
}

// What CreateObject("Kestor.SysKestor") gives a script host in a system folder: see
// probe.vbs (10: an object that answers, 1: no class).
constexpr DWORD kProbeAnswers = 10;
constexpr DWORD kProbeNoClass = 1;
DWORD probe(const wchar_t* systemDir) {
  return run(std::wstring(systemDir) + L"cscript.exe",
             L"//nologo \"" + winpath::ToWindowsPath(KESTOR_PROBE_VBS) + L"\"");
}

struct ValueRow {
  const char* what;
  std::wstring path;
  const wchar_t* name;
  std::wstring expected;
};

std::vector<ValueRow> registeredValues() {
  const std::wstring clsid = L"CLSID\\" + guidText(ids::CLSID_SysKestor);
  const std::wstring inventory = L"CLSID\\" + guidText(ids::CLSID_KestorInventory);
  return {
      {"Inventory: in-process server is this build", inventory + L"\\InprocServer32", nullptr, serverDll().path},
      {"Inventory: apartment threading", inventory + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {"Inventory: class names its ProgID", inventory + L"\\ProgID", nullptr, L"Kestor.Inventory"},
      {"Inventory: ProgID names the class", L"Kestor.Inventory\\CLSID", nullptr, guidText(ids::CLSID_KestorInventory)},
      {"in-process server is this build", clsid + L"\\InprocServer32", nullptr, serverDll().path},
      {"apartment threading", clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {"class names its ProgID", clsid + L"\\ProgID", nullptr, L"Kestor.SysKestor"},
      {"class names its type library", clsid + L"\\TypeLib", nullptr, guidText(ids::LIBID_Kestor)},
      {"type library version", clsid + L"\\Version", nullptr, L"2.0"},
      {"ProgID names the class", L"Kestor.SysKestor\\CLSID", nullptr, guidText(ids::CLSID_SysKestor)},
      {"library help string", L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0", nullptr, L"Orvanel"},
      {"library flags: a control, nothing else", L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0\\FLAGS",
       nullptr, L"2"},
      {"library file for locale 0 and this target system",
       L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0\\0\\" + kOwnSysKind, nullptr, serverDll().path},
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
  // Whatever a test does, the prefix is left with both builds registered for the
  // tests after it.
  void TearDown() override {
    EXPECT_EQ(serverDll().registerServer(), S_OK);
    if (otherDllBuilt()) {
      EXPECT_EQ(otherRegsvr32(L"/s"), 0u);
    }
  }
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
  ASSERT_EQ(CLSIDFromProgID(ids::kInventoryProgId, &fromProgId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(fromProgId, ids::CLSID_KestorInventory));
  EXPECT_EQ(CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, byProgId.putVoid()), S_OK);
  // Created through the registry, the object lives in this build's module.
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE);
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingAndRegisterRestoresIt) {
  // Alone: the other architecture's registration would keep the shared keys.
  if (otherDllBuilt()) {
    ASSERT_EQ(otherRegsvr32(L"/u /s"), 0u);
  }
  ASSERT_EQ(serverDll().unregisterServer(), S_OK);
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(CLSIDFromProgID(ids::kProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(ids::kInventoryProgId, &clsid), CO_E_CLASSSTRING);
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.putVoid()),
            REGDB_E_CLASSNOTREG);
  for (const ValueRow& row : registeredValues()) {
    EXPECT_EQ(readValue(row.path, row.name), L"(missing)") << row.what;
  }
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(ids::IID__SysKestor)));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(ids::IID__SysKestor), kOtherView));
  // Removing what is not there is no error.
  EXPECT_EQ(serverDll().unregisterServer(), S_OK);

  ASSERT_EQ(serverDll().registerServer(), S_OK);
  ASSERT_EQ(CLSIDFromProgID(ids::kProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, ids::CLSID_SysKestor));
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()), S_OK);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(ids::IID__SysKestor)))
      << "the default interface is registered with its type library";
}

// Both DLLs registered, as installed together; one is unregistered.
TEST_F(RegistrationTest, UnregisterLeavesTheOtherArchitectureWorking) {
  if (!otherDllBuilt()) GTEST_SKIP() << "the other architecture is not built";
  ASSERT_EQ(otherRegsvr32(L"/s"), 0u);
  ASSERT_EQ(serverDll().unregisterServer(), S_OK);

  // This build's own parts are gone: its class in its view, its library file.
  const std::wstring clsid = L"CLSID\\" + guidText(ids::CLSID_SysKestor);
  const std::wstring library = L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\2.0";
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, clsid));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, library + L"\\0\\" + kOwnSysKind));
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.putVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(probe(kOwnSystemDir), kProbeNoClass) << "a script host of this bitness still creates the object";

  // The other's parts stay, and so does what both registrations share.
  const std::wstring iface = L"Interface\\" + guidText(ids::IID__SysKestor) + L"\\TypeLib";
  struct Row {
    const char* what;
    std::wstring path;
    REGSAM view;
    std::wstring expected;
  };
  const Row kept[] = {
      {"other build's class", clsid + L"\\InprocServer32", kOtherView, otherDll()},
      {"other build's library file", library + L"\\0\\" + kOtherSysKind, 0, otherDll()},
      {"ProgID", L"Kestor.SysKestor\\CLSID", 0, guidText(ids::CLSID_SysKestor)},
      {"library help string", library, 0, L"Orvanel"},
      {"library flags", library + L"\\FLAGS", 0, L"2"},
      {"interface in this view", iface, 0, guidText(ids::LIBID_Kestor)},
      {"interface in the other view", iface, kOtherView, guidText(ids::LIBID_Kestor)},
  };
  for (const Row& row : kept) {
    EXPECT_EQ(_wcsicmp(readValue(row.path, nullptr, row.view).c_str(), row.expected.c_str()), 0)
        << row.what << ": " << narrow(readValue(row.path, nullptr, row.view));
  }
  EXPECT_EQ(probe(kOtherSystemDir), kProbeAnswers) << "the other bitness's script host lost its object";

  // Registered again, each bitness's script host reaches its own build.
  ASSERT_EQ(serverDll().registerServer(), S_OK);
  EXPECT_EQ(_wcsicmp(readValue(library + L"\\0\\" + kOwnSysKind, nullptr).c_str(), serverDll().path.c_str()),
            0);
  EXPECT_EQ(_wcsicmp(readValue(library + L"\\0\\" + kOtherSysKind, nullptr).c_str(), otherDll().c_str()), 0);
  EXPECT_EQ(probe(kOwnSystemDir), kProbeAnswers);
  EXPECT_EQ(probe(kOtherSystemDir), kProbeAnswers);
}

}  // namespace
}  // namespace kestor::server::test
