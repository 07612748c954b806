// What the DLL file shows without running any of its code: its exports, its
// resources and its version block.
#include <gtest/gtest.h>

#include <windows.h>
#include <winver.h>

#include <string>
#include <vector>

#include "tests/wine/server/server_support.h"
#include "tests/wine/target_arch.h"

namespace kestor::server::test {
namespace {

// "#1" for integer names, the name itself otherwise.
std::wstring nameOf(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name));
  return name;
}

struct Resource {
  std::wstring type, name;
  WORD language;
};

BOOL CALLBACK onLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list) {
  reinterpret_cast<std::vector<Resource>*>(list)->push_back({nameOf(type), nameOf(name), language});
  return TRUE;
}

BOOL CALLBACK onName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list) {
  return EnumResourceLanguagesW(module, type, name, onLanguage, list);
}

BOOL CALLBACK onType(HMODULE module, LPWSTR type, LONG_PTR list) {
  return EnumResourceNamesW(module, type, onName, list);
}

// Every resource of the module: type, name and language.
std::vector<Resource> resourcesOf(HMODULE module) {
  std::vector<Resource> found;
  EnumResourceTypesW(module, onType, reinterpret_cast<LONG_PTR>(&found));
  return found;
}

TEST(ResourcesTest, OnlyTheTypeLibraryAndTheVersionBlock) {
  const std::vector<Resource> resources = resourcesOf(serverDll().module);
  ASSERT_EQ(resources.size(), 2u) << "a manifest or another resource was linked in";
  // Types enumerate in the order of the resource directory: named types first.
  EXPECT_EQ(resources[0].type, L"TYPELIB");
  EXPECT_EQ(resources[0].name, L"#1");
  EXPECT_EQ(resources[1].type, L"#16");  // RT_VERSION
  EXPECT_EQ(resources[1].name, L"#1");
  EXPECT_EQ(resources[1].language, 0x0409);
}

// The version strings of the "040904B0" table.
struct StringRow {
  const wchar_t* key;
  const wchar_t* value;
};

const StringRow kStrings[] = {
    {L"CompanyName", L"Kestor project"},
    {L"FileDescription", L"Utility to introspect the hardware capabalities of the computer "},
    {L"ProductName", L"Orvanel"},
    {L"FileVersion", L"1.01"},
    {L"ProductVersion", L"1.01"},
    {L"InternalName", L"Kestor"},
    {L"OriginalFilename", L"Kestor.ocx"},
    {L"OLESelfRegister", L""},  // present and empty: the self-registration mark
};

TEST(ResourcesTest, VersionBlock) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(serverDll().path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(serverDll().path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);  // 1.2.0.0, as VERSION says
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  // The 64-bit DLL carries the same operating system field: there is no 64-bit one.
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  for (const StringRow& row : kStrings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + row.key;
    wchar_t* value = nullptr;
    UINT chars = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars))
        << narrow(row.key) << " missing";
    EXPECT_EQ(std::wstring(value ? value : L""), row.value) << narrow(row.key);
  }

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
}

// The headers of the loaded image: the machine and image kind of this build's
// architecture (the test is built for the same one, so its own headers' layout fits).
TEST(ResourcesTest, ImageIsOfTheBuildsArchitecture) {
  auto* base = reinterpret_cast<const BYTE*>(serverDll().module);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  EXPECT_EQ(nt->FileHeader.Machine, kestor::test::perArch<WORD>(IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64));
  EXPECT_EQ(nt->OptionalHeader.Magic,
            kestor::test::perArch<WORD>(IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_NT_OPTIONAL_HDR64_MAGIC));
  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
}

// The export directory of the loaded image.
TEST(ResourcesTest, ExportsFourEntryPointsByOrdinalUnderTheFileName) {
  auto* base = reinterpret_cast<const BYTE*>(serverDll().module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(entry.VirtualAddress, 0u);
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "Kestor.ocx");
  EXPECT_EQ(exports->Base, 1u);
  ASSERT_EQ(exports->NumberOfFunctions, 4u);
  ASSERT_EQ(exports->NumberOfNames, 4u);
  auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  const char* expected[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"};
  for (DWORD i = 0; i < 4; ++i) {
    // Names are sorted, and here each name's ordinal is its place in that order.
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[i]), expected[i]);
    EXPECT_EQ(ordinals[i] + exports->Base, i + 1) << expected[i];
  }
}

}  // namespace
}  // namespace kestor::server::test
