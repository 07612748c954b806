// Temporary folders a report cannot be stored in. The store fails, SetData gives
// nothing, and nothing collected is lost: the next run in a good folder stores it all.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

struct FaultRow {
  const char* what;
  std::wstring (*temp)(const std::wstring& scratch);  // what TMP and TEMP name
};

// A folder on a full file system, when the harness could mount one (full-tmpfs.sh).
std::wstring fullFileSystem(const std::wstring&) {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableW(L"KESTOR_FULL_TEMP", folder, MAX_PATH + 1);
  return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

const FaultRow kFaults[] = {
    {"a folder that does not exist", [](const std::wstring& s) { return s + L"missing\\"; }},
    {"a path that names a file", [](const std::wstring& s) { return s + L"a-file"; }},
    {"a folder below a file", [](const std::wstring& s) { return s + L"a-file\\below\\"; }},
    {"the NUL device", [](const std::wstring&) { return std::wstring(L"NUL"); }},
    {"the NUL device in \\\\.\\ form", [](const std::wstring&) { return std::wstring(L"\\\\.\\NUL"); }},
    {"the NUL device with a colon", [](const std::wstring&) { return std::wstring(L"NUL:"); }},
    {"the NUL device at the end of a folder path", [](const std::wstring& s) { return s + L"NUL"; }},
    {"the NUL device by its NT name", [](const std::wstring&) { return std::wstring(L"\\\\?\\GLOBALROOT\\Device\\Null\\"); }},
    {"the console", [](const std::wstring&) { return std::wstring(L"CON"); }},
    {"the console output", [](const std::wstring&) { return std::wstring(L"\\\\.\\CONOUT$"); }},
    {"the named-pipe root", [](const std::wstring&) { return std::wstring(L"\\\\.\\pipe\\"); }},
    {"the mailslot root", [](const std::wstring&) { return std::wstring(L"\\\\.\\mailslot\\"); }},
    {"a serial port", [](const std::wstring&) { return std::wstring(L"COM1"); }},
    {"a path with a wildcard", [](const std::wstring& s) { return s + L"*"; }},
    {"a full file system", fullFileSystem},
};

class TempFaultTest : public ObjectTest {
 protected:
  ScratchTempFolder scratch_;
};

TEST_F(TempFaultTest, SetDataGivesNothingAndTheNextGoodRunStoresEverything) {
  const std::wstring aFile = scratch_.path() + L"a-file";
  HANDLE file = CreateFileW(aFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  // One object runs into every fault in turn, each time with a query of its own.
  std::wstring collected;
  int row = 0;
  for (const FaultRow& fault : kFaults) {
    SCOPED_TRACE(fault.what);
    const std::wstring temp = fault.temp(scratch_.path());
    if (temp.empty()) {
      std::printf("left out: %s\n", fault.what);
      continue;
    }
    const std::wstring className = L"Win32_Fault" + std::to_wstring(++row);
    setQueries(object_.get(), (L"SELECT Name FROM " + className + L"|").c_str());
    collected += L"[class=" + className + L"]\r\n";

    const std::size_t filesBefore = scratch_.fileCount();
    const std::size_t filesInTempBefore = fileCountIn(temp);
    ScratchTempFolder::pointTempAt(temp);
    Bstr fileId;
    EXPECT_EQ(object_->SetData(fileId.put()), S_OK);
    scratch_.pointTempBack();
    EXPECT_EQ(wide(fileId.get()), L"") << "stored in " << narrow(temp);
    EXPECT_EQ(scratch_.fileCount(), filesBefore) << "a file was left in the scratch folder";
    // A full disk lets the file be made and then refuses its bytes: the failed store
    // must take that file back.
    EXPECT_EQ(fileCountIn(temp), filesInTempBefore) << "a file was left in " << narrow(temp);

    // Nothing new runs: the report holds what the failed runs collected.
    setQueries(object_.get(), L"");
    EXPECT_EQ(reportOf(object_.get()), collected);
  }
  std::printf("%d temporary-folder faults tried\n", row);
}

}  // namespace
}  // namespace kestor::server::test
