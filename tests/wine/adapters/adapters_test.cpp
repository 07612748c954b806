// The small adapters (clock, GUIDs, temporary directory, ANSI code page) and the
// platform that bundles them, against the real platform.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/failure.h"
#include "common/utf8.h"
#include "host/com/bstr.h"
#include "host/adapters/windows_ansi_codec.h"
#include "host/adapters/windows_clock.h"
#include "host/adapters/windows_guid_source.h"
#include "host/adapters/windows_platform.h"
#include "host/adapters/windows_temp_directory.h"

namespace kestor::win {
namespace {

// The adapters expect the host's apartment; every test of this program runs in one.
class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};
::testing::Environment* const kApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

SYSTEMTIME localNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

double secondsOf(const SYSTEMTIME& time) {
  return time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond + time.wMilliseconds / 1000.0;
}

using Formatter = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

// The platform's own formatting of one moment, for comparison.
Text formatted(Formatter format, DWORD flags, const SYSTEMTIME& time) {
  wchar_t buffer[128];
  const int written = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, buffer, 128);
  return written > 0 ? textOf(buffer, static_cast<std::size_t>(written - 1)) : Text(u"<format failed>");
}

TEST(WindowsClock, LocalDateIsTodaysLocalDate) {
  WindowsClock clock;
  const SYSTEMTIME before = localNow();
  const LocalDate date = clock.localDate();
  const SYSTEMTIME after = localNow();
  // Around midnight the date may belong to either reading.
  const auto matches = [&](const SYSTEMTIME& t) {
    return date.day == t.wDay && date.month == t.wMonth && date.year == t.wYear;
  };
  EXPECT_TRUE(matches(before) || matches(after))
      << date.day << "." << date.month << "." << date.year << " vs " << before.wDay << "." << before.wMonth << "."
      << before.wYear;
}

TEST(WindowsClock, SecondsSinceMidnightFollowTheLocalClock) {
  WindowsClock clock;
  const SYSTEMTIME before = localNow();
  const float seconds = clock.secondsSinceMidnight();
  const SYSTEMTIME after = localNow();
  EXPECT_GE(seconds, 0.0f);
  EXPECT_LE(seconds, 86400.0f);
  if (before.wDay == after.wDay) {
    // Single precision keeps 1/128 s at the end of the day.
    EXPECT_GE(seconds, secondsOf(before) - 0.01);
    EXPECT_LE(seconds, secondsOf(after) + 0.01);
  }
}

TEST(WindowsClock, RegionalTextsAreTheUsersFormsOfNow) {
  WindowsClock clock;
  const SYSTEMTIME before = localNow();
  const Text date = clock.regionalDateText();
  const Text time = clock.regionalTimeText();
  const SYSTEMTIME after = localNow();

  EXPECT_FALSE(time.empty());
  EXPECT_EQ(date.find(u'\0'), Text::npos);
  EXPECT_EQ(time.find(u'\0'), Text::npos);
  const Text dateBefore = formatted(GetDateFormatW, DATE_SHORTDATE, before);
  const Text dateAfter = formatted(GetDateFormatW, DATE_SHORTDATE, after);
  EXPECT_TRUE(date == dateBefore || date == dateAfter) << toUtf8(date) << " vs " << toUtf8(dateBefore);
  const Text timeBefore = formatted(GetTimeFormatW, 0, before);
  const Text timeAfter = formatted(GetTimeFormatW, 0, after);
  EXPECT_TRUE(time == timeBefore || time == timeAfter) << toUtf8(time) << " vs " << toUtf8(timeBefore);
}

TEST(WindowsClock, UnitedStatesTimeFormHasTwelveHoursAndMarker) {
  if (PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) != LANG_ENGLISH ||
      SUBLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) != SUBLANG_ENGLISH_US) {
    GTEST_SKIP() << "user locale is not en-US";
  }
  const std::string time = toUtf8(WindowsClock().regionalTimeText());
  // h:mm:ss AM or hh:mm:ss PM
  const std::size_t colon = time.find(':');
  ASSERT_TRUE(colon == 1 || colon == 2) << time;
  ASSERT_EQ(time.size(), colon + 9) << time;
  EXPECT_EQ(time[colon + 3], ':') << time;
  const std::string marker = time.substr(colon + 6);
  EXPECT_TRUE(marker == " AM" || marker == " PM") << time;
}

TEST(WindowsGuidSource, DrawsDistinctRandomGuidsWithStatusZero) {
  WindowsGuidSource source;
  Guid first;
  Guid second;
  ASSERT_EQ(source.createGuid(first), 0);
  ASSERT_EQ(source.createGuid(second), 0);
  EXPECT_NE(std::memcmp(&first, &second, sizeof(Guid)), 0);
  for (const Guid& guid : {first, second}) {
    // Random GUIDs carry version 4 in Data3 and the variant bits 10 in Data4[0]; a
    // field copied to the wrong place loses them.
    EXPECT_EQ(guid.data3 >> 12, 4);
    EXPECT_EQ(guid.data4[0] & 0xC0, 0x80);
  }
}

TEST(WindowsTempDirectory, IsAnExistingDirectoryEndingInABackslash) {
  const std::optional<std::string> path = WindowsTempDirectory().ansiPath();
  ASSERT_TRUE(path.has_value());
  ASSERT_FALSE(path->empty());
  EXPECT_EQ(path->back(), '\\');
  EXPECT_EQ(path->find('\0'), std::string::npos);
  const DWORD attributes = GetFileAttributesA(path->c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << *path;
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << *path;
}

// The directory comes from the wide lookup, converted like the report text: a best fit
// would turn a folder the code page cannot name into another folder.
TEST(WindowsTempDirectory, CharactersTheCodePageLacksBecomeItsDefaultCharacter) {
  if (GetACP() != 1252) GTEST_SKIP() << "expectations are for code page 1252, the system has " << GetACP();
  wchar_t saved[1024];
  const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, 1024);
  ASSERT_TRUE(savedLength > 0 && savedLength < 1024);
  // a with macron and the full-width reverse solidus both have best fits in 1252.
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", L"C:\\kestor\x0101\xFF3Cx"));
  const std::optional<std::string> path = WindowsTempDirectory().ansiPath();
  SetEnvironmentVariableW(L"TMP", saved);
  EXPECT_EQ(path, std::optional<std::string>("C:\\kestor??x\\"));
}

TEST(WindowsAnsiCodec, AsciiAndEmbeddedNulRoundTrip) {
  WindowsAnsiCodec codec;
  const Text text(u"[class=Win32_BIOS]\r\n\0tail", 26);
  const std::string bytes = codec.toAnsi(text);
  EXPECT_EQ(bytes, std::string("[class=Win32_BIOS]\r\n\0tail", 26));
  EXPECT_EQ(codec.fromAnsi(bytes), text);
  EXPECT_EQ(bstrFromAnsi(bytes).text(), text);
  EXPECT_EQ(codec.toAnsi(Text()), std::string());
  EXPECT_EQ(codec.fromAnsi(std::string()), Text());
  const Bstr empty = bstrFromAnsi(std::string());
  EXPECT_NE(empty.get(), nullptr);  // an empty string, not a missing one
  EXPECT_EQ(SysStringLen(empty.get()), 0u);
}

TEST(BstrReportSink, HandsOverWhatItTookOrAnEmptyString) {
  BstrReportSink nothing;
  const Bstr none = nothing.take();
  EXPECT_NE(none.get(), nullptr);
  EXPECT_EQ(SysStringLen(none.get()), 0u);

  BstrReportSink report;
  report.takeAnsi("[class=Win32_BIOS]\r\n");
  EXPECT_EQ(report.take().text(), u"[class=Win32_BIOS]\r\n");
}

TEST(WindowsAnsiCodec, UnrepresentableUnitsBecomeTheDefaultCharacter) {
  CPINFO info;
  ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
  if (info.MaxCharSize != 1) GTEST_SKIP() << "the ANSI code page " << GetACP() << " is not single-byte";
  EXPECT_EQ(info.DefaultChar[0], '?');
  // No single-byte code page holds a CJK ideograph or has a best fit for it.
  EXPECT_EQ(WindowsAnsiCodec().toAnsi(u"a\u4E2Db"), std::string("a") + static_cast<char>(info.DefaultChar[0]) + "b");
  // Nor a best fit for what it could: a with macron is not a, a full-width reverse
  // solidus is no path separator.
  EXPECT_EQ(WindowsAnsiCodec().toAnsi(u"Win32_\u0101 ..\uFF3Cx"), "Win32_? ..?x");
}

TEST(WindowsAnsiCodec, UsesTheSystemCodePageBothWays) {
  if (GetACP() != 1252) GTEST_SKIP() << "expectations are for code page 1252, the system has " << GetACP();
  struct Case {
    const char* bytes;
    const char16_t* text;
  };
  // 0x80 and 0x9F tell 1252 from Latin-1 and from the OEM code pages.
  const Case cases[] = {{"\x80", u"\u20AC"}, {"\x9F", u"\u0178"}, {"\xE9", u"\u00E9"}, {"\xA3" "5", u"\u00A35"}};
  WindowsAnsiCodec codec;
  for (const Case& c : cases) {
    EXPECT_EQ(codec.fromAnsi(c.bytes), Text(c.text)) << c.bytes;
    EXPECT_EQ(bstrFromAnsi(c.bytes).text(), Text(c.text)) << c.bytes;
    EXPECT_EQ(codec.toAnsi(c.text), std::string(c.bytes)) << c.bytes;
  }
}

TEST(WindowsPlatform, HandsOutWorkingAdaptersThatStayTheSame) {
  WindowsPlatform windows;
  const Platform first = windows.platform();
  const Platform second = windows.platform();
  EXPECT_EQ(&first.clock, &second.clock);
  EXPECT_EQ(&first.files, &second.files);
  EXPECT_EQ(&first.wmi, &second.wmi);

  Guid guid;
  EXPECT_EQ(first.guids.createGuid(guid), 0);
  EXPECT_EQ(first.tempDirectory.ansiPath(), WindowsTempDirectory().ansiPath());
  EXPECT_EQ(first.ansi.toAnsi(u"abc"), "abc");
  EXPECT_EQ(first.clock.localDate().year, localNow().wYear);
  EXPECT_NE(first.wmi.bind(u".", u"root\\CIMV2"), nullptr);
  EXPECT_THROW(first.files.openForInput(u""), Failure);
}

}  // namespace
}  // namespace kestor::win
