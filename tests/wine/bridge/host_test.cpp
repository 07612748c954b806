// kestor-host.exe through its standard streams, against the real members, WMI and
// report files of the prefix. run-host-test.sh sets the machine policy for each group:
// RefusedHost with the key missing and empty, ServedHost with it listing kPage and
// kLocal (and decoys that must not count).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/reply.h"
#include "host/typelib/win_path.h"
#include "tests/wine/bridge/host_process.h"

namespace kestor::host_test {
namespace {

namespace error_code = bridge::error_code;

// A Unix path: mapped as Wine maps it.
const std::wstring kHost = winpath::ToWindowsPath(KESTOR_HOST_EXE);
const std::string kPage = "https://inv.example.com";
const std::string kLocal = "http://localhost:8080";
// Not WQL (a word after the class): the section is its error line, which holds the query.
const std::string kFailingQuery = "SELECT Name FROM Win32_KestorNoSuchClass x";

std::string codeOf(const Json& reply) { return reply.value("error", Json::object()).value("code", ""); }

Json openRequest(const std::string& origin) { return {{"id", 1}, {"origin", origin}, {"op", "open"}}; }

Json callRequest(const Json& session, const char* member, const Json& args, const std::string& origin = kPage) {
  return {{"id", 2}, {"origin", origin}, {"op", "call"}, {"session", session}, {"member", member}, {"args", args}};
}

Json openSession(HostProcess& host, const std::string& origin = kPage) {
  const Json reply = host.request(openRequest(origin));
  if (reply["ok"] != true) throw std::runtime_error("open refused: " + reply.dump());
  return reply["session"];
}

std::string utf8Of(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::string tempPath(const std::string& fileId) {
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  return std::string(directory, length) + fileId;
}

// A report file as the control reads it: its bytes from the ANSI code page, here in UTF-8.
std::string reportFile(const std::string& fileId) {
  const HANDLE file = CreateFileA(tempPath(fileId).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(no file)";
  const UniqueHandle owned(file);
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  std::wstring text(bytes.size(), L'\0');
  text.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(got), text.data(), static_cast<int>(text.size()))));
  return utf8Of(text);
}

TEST(RefusedHost, RefusesEveryOriginAndEndsWithItsInput) {
  HostProcess host(kHost.c_str());
  for (const std::string& origin : {kPage, kLocal, std::string("https://user.example.com")}) {
    SCOPED_TRACE(origin);
    EXPECT_EQ(codeOf(host.request(openRequest(origin))), error_code::kOriginRefused);
    EXPECT_EQ(codeOf(host.request(callRequest(1, "GetTestData", Json::array(), origin))), error_code::kOriginRefused);
  }
  // Which host this is, without the list.
  EXPECT_EQ(host.request({{"id", 5}, {"origin", kPage}, {"op", "hello"}}),
            Json({{"id", 5}, {"ok", true}, {"protocol", 2}, {"host", KESTOR_VERSION_TEXT}}));
  EXPECT_EQ(host.endInput(10000), 0u);
  EXPECT_FALSE(host.receive().has_value());  // nothing else was written
}

TEST(ServedHost, ServesExactlyTheMachineListsOrigins) {
  HostProcess host(kHost.c_str());
  struct Row { int line; const char* origin; bool served; };
  const Row rows[] = {
      {__LINE__, "https://inv.example.com", true},
      {__LINE__, "http://localhost:8080", true},
      {__LINE__, "http://localhost:8081", false},      // the port is part of the origin
      {__LINE__, "https://inv.example.com:8443", false},
      {__LINE__, "http://inv.example.com", false},
      {__LINE__, "https://bad.example.com", true},     // listed as https://Bad.example.com/: normalised
      {__LINE__, "https://a.example.com", false},      // listed only as https://*.example.com
      {__LINE__, "https://named.example.com", false},  // listed under a name that is not a number
      {__LINE__, "https://user.example.com", false},   // listed under HKCU only
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    const Json reply = host.request(openRequest(row.origin));
    EXPECT_EQ(reply["ok"], row.served) << reply;
    EXPECT_EQ(codeOf(reply), std::string(row.served ? "" : error_code::kOriginRefused));
  }
}

TEST(ServedHost, ReadsFramesWhoseLengthsHoldLineEndsAndCtrlZ) {
  HostProcess host(kHost.c_str());
  const Json session = openSession(host);
  // Length bytes (machine order, low first) that text mode would eat or widen.
  for (const std::uint32_t length : {0x010Au, 0x0D0Au, 0x1A1Au, 0x0A0D1Au, 0x1A0D0Au}) {
    SCOPED_TRACE(testing::Message() << "length " << std::hex << length);
    std::string body = callRequest(session, "GetTestData", Json::array()).dump();
    body.insert(body.size() - 1, length - body.size(), ' ');
    host.send(body);
    const std::optional<std::string> reply = host.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(Json::parse(*reply)["value"], "WMI simulation");
  }
}

TEST(ServedHost, CarriesLineEndsAndCtrlZThroughTheReport) {
  HostProcess host(kHost.c_str());
  const Json session = openSession(host);
  const std::string list = kFailingQuery + " \r\n\x1a\r|SELECT Caption FROM Win32_OperatingSystem|";
  EXPECT_EQ(host.request(callRequest(session, "WMIAttributesOfInterest", {list})), Json({{"id", 2}, {"ok", true}}));
  const std::string fileId = host.value(callRequest(session, "SetData", Json::array()));
  ASSERT_EQ(fileId.size(), 38u);
  const std::string report = host.value(callRequest(session, "GetData", {fileId}));
  EXPECT_EQ(report.find("[class=Win32_KestorNoSuchClass]\r\n[ERROR]=Error executing " + kFailingQuery + " \r\n\x1a\r:"), 0u)
      << report;
  EXPECT_NE(report.find("[class=Win32_OperatingSystem]\r\n[INSTANCE]\r\n[pname]=Caption\r\n[pvalue]="), std::string::npos);
  EXPECT_EQ(report, reportFile(fileId));  // the control's own file, under the id it was given
}

TEST(ServedHost, WritesRepliesWhoseLengthsHoldLineEndsAndCtrlZ) {
  HostProcess host(kHost.c_str());
  // The reply to GetData of a failing query grows by one byte per byte added to its
  // last word, so its length can be steered onto each trap.
  const auto replyLength = [&](std::size_t padding, std::string& value) {
    const Json session = openSession(host);
    const std::string list = kFailingQuery + std::string(padding, 'x') + "|";
    const std::string fileId = host.value(callRequest(session, "SetData", {list}));
    host.send(callRequest(session, "GetData", {fileId}).dump());
    const std::optional<std::string> reply = host.receive();
    if (!reply) throw std::runtime_error("no reply");
    value = Json::parse(*reply)["value"];
    return reply->size();
  };
  std::string value;
  const std::size_t base = replyLength(0, value);
  for (const std::size_t target : {0x0D0Au, 0x0A1Au, 0x1A0Du}) {
    SCOPED_TRACE(testing::Message() << "length " << std::hex << target);
    ASSERT_LT(base, target);
    EXPECT_EQ(replyLength(target - base, value), target);
    EXPECT_NE(value.find(kFailingQuery + std::string(target - base, 'x') + ":"), std::string::npos);
  }
}

TEST(ServedHost, ServesTheSimpleMembers) {
  HostProcess host(kHost.c_str());
  const Json session = openSession(host);
  EXPECT_EQ(host.value(callRequest(session, "GetTestData", Json::array())), "WMI simulation");
  const std::string first = host.value(callRequest(session, "GenerateIdentifier", Json::array()));
  const std::string second = host.value(callRequest(session, "GenerateIdentifier", Json::array()));
  EXPECT_EQ(first.size(), 38u);
  EXPECT_EQ(first.front(), '{');
  EXPECT_EQ(first.find_first_of("abcdef"), std::string::npos);
  EXPECT_NE(first, second);
  // The regional short date and time run together, read here the same way; a second
  // try covers a tick of the clock in between.
  for (int attempt = 0; attempt < 2; ++attempt) {
    wchar_t date[128], time[128];
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 128);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, 128);
    const std::string dateTime = host.value(callRequest(session, "DateTime", Json::array()));
    if (dateTime == utf8Of(std::wstring(date) + time) || attempt == 1) {
      EXPECT_EQ(dateTime, utf8Of(std::wstring(date) + time));
      break;
    }
  }
}

TEST(ServedHost, AnswersTheInventoryWithTheTypedJson) {
  HostProcess host(kHost.c_str());
  const Json session = openSession(host);
  const Json result = Json::parse(host.value({{"id", 3}, {"origin", kPage}, {"op", "inventory"}, {"session", session},
                                              {"queries", "SELECT * FROM Win32_BIOS|" + kFailingQuery + "|"}}));
  EXPECT_EQ(result["sections"][0]["class"], "Win32_BIOS");
  EXPECT_TRUE(result["sections"][0]["instances"][0]["Manufacturer"].is_string()) << result;
  EXPECT_TRUE(result["sections"][1]["error"]["number"].is_number_integer()) << result;
}

TEST(ServedHost, GetDataReadsOnlyReportsItsOriginDrewInThisHost) {
  std::string earlierId;
  {
    HostProcess earlier(kHost.c_str());
    earlierId = earlier.value(callRequest(openSession(earlier), "SetData", {kFailingQuery + "|"}));
  }
  HostProcess host(kHost.c_str());
  const Json mine = openSession(host), theirs = openSession(host, kLocal), mineToo = openSession(host);
  const std::string fileId = host.value(callRequest(mine, "SetData", {kFailingQuery + "|"}));
  const std::string report = reportFile(fileId);
  ASSERT_NE(report.find("[ERROR]="), std::string::npos);
  // A file the host did not write, under a well-formed id.
  const std::string planted = "{0F3C2B1A-0000-4000-8000-00000000C0DE}";
  const HANDLE file = CreateFileA(tempPath(planted).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD wrote = 0;
  WriteFile(file, "planted", 7, &wrote, nullptr);
  CloseHandle(file);
  ASSERT_EQ(reportFile(planted), "planted");

  std::string lower = fileId;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  struct Row { int line; Json session; std::string origin, fileId, expected; };
  const Row rows[] = {
      {__LINE__, mine, kPage, fileId, report},
      {__LINE__, mineToo, kPage, lower, report},         // another session of the origin; ids ignore case
      {__LINE__, theirs, kLocal, fileId, ""},            // another origin's report
      {__LINE__, mine, kPage, earlierId, ""},            // an earlier host's
      {__LINE__, mine, kPage, planted, ""},              // not drawn by the bridge at all
      {__LINE__, mine, kPage, "..\\win.ini", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    EXPECT_EQ(host.value(callRequest(row.session, "GetData", {row.fileId}, row.origin)), row.expected);
  }
  DeleteFileA(tempPath(planted).c_str());
}

TEST(ServedHost, RefusesThe33rdSessionOfAnOrigin) {
  HostProcess host(kHost.c_str());
  std::vector<Json> sessions;
  for (int i = 0; i < 32; ++i) sessions.push_back(openSession(host));
  EXPECT_EQ(codeOf(host.request(openRequest(kPage))), error_code::kTooManySessions);
  EXPECT_NO_THROW(openSession(host, kLocal));
  EXPECT_EQ(host.request({{"id", 3}, {"origin", kPage}, {"op", "close"}, {"session", sessions[5]}}),
            Json({{"id", 3}, {"ok", true}}));
  EXPECT_NO_THROW(openSession(host));
  EXPECT_EQ(codeOf(host.request(callRequest(sessions[5], "GetTestData", Json::array()))), error_code::kNoSession);
}

TEST(ServedHost, SendsAReportAboveOneMessageInChunks) {
  HostProcess host(kHost.c_str());
  const Json session = openSession(host);
  // Lines of the code page's characters, then one line of a megabyte and more, both
  // read in blocks.
  std::string lines, oneLine = kFailingQuery + " ";
  while (lines.size() < 1300 * 1024) lines += kFailingQuery + " " + std::string(30000, 'y') + "caf\xC3\xA9\r\n|";
  while (oneLine.size() < 1200 * 1024) oneLine += "\xC3\xA9";
  for (const std::string& list : {lines, oneLine + "|"}) {
    const std::string fileId = host.value(callRequest(session, "SetData", {list}));
    std::size_t messages = 0;
    const std::string report = host.value(callRequest(session, "GetData", {fileId}), &messages);
    EXPECT_GE(messages, 2u);
    EXPECT_GT(report.size(), 1024u * 1024u);
    EXPECT_EQ(report, reportFile(fileId));
  }
}

TEST(ServedHost, EndsWithItsInputWhileSessionsAreOpen) {
  HostProcess host(kHost.c_str());
  openSession(host);
  openSession(host, kLocal);
  EXPECT_EQ(host.endInput(10000), 0u);
  EXPECT_FALSE(host.receive().has_value());
}

}  // namespace
}  // namespace kestor::host_test
