#pragma once
// What the Windows tests share: identifiers and wide text as the tests print them, and
// a scratch folder of their own under the temporary directory.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/utf8.h"

namespace kestor::test {

// Wide text for comparisons and gtest messages, in UTF-8.
inline std::string narrow(std::wstring_view text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings must hold UTF-16 units");
  return toUtf8(TextView(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the braced upper-case form the registry uses;
// empty (and a failed test) when the platform cannot write it.
inline std::wstring guidText(const GUID& guid) {
  wchar_t buffer[40] = {};
  const int length = StringFromGUID2(guid, buffer, 40);
  EXPECT_EQ(length, 39);
  return length > 0 ? std::wstring(buffer) : std::wstring();
}

// Every file (not folder) of folder, a path that ends with a backslash, by its full path.
template <typename Visit>
void forEachFileIn(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) visit(folder + found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Files in folder; 0 when it is no folder.
inline std::size_t fileCountIn(const std::wstring& folder) {
  std::size_t count = 0;
  forEachFileIn(folder, [&count](const std::wstring&) { ++count; });
  return count;
}

// A fresh folder <temp>kestor-<purpose>-<GUID>\ for as long as it lives; removed with
// the files in it afterwards, and the test fails when it cannot be.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& purpose) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    GUID guid;
    if (length == 0 || length > MAX_PATH || FAILED(CoCreateGuid(&guid))) {
      ADD_FAILURE() << "no name for a scratch folder";
      return;
    }
    path_ = std::wstring(temp, length) + L"kestor-" + purpose + L"-" + guidText(guid) + L"\\";
    EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr)) << narrow(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    if (path_.empty()) return;
    forEachFileIn(path_, [](const std::wstring& file) { DeleteFileW(file.c_str()); });
    EXPECT_TRUE(RemoveDirectoryW(path_.c_str())) << "left behind: " << narrow(path_);
  }

  const std::wstring& path() const { return path_; }  // ends with a backslash

  std::size_t fileCount() const { return fileCountIn(path_); }

 private:
  std::wstring path_;
};

}  // namespace kestor::test
