// kestor-host.exe's memory, driven over its standard streams as a browser drives it:
// (a) its private memory at rest and at its peak while it answers GetData of a large
// report, (b) its growth per SetData over many calls, each in a session of its own as
// pages come and go. Printed by scripts/bench.sh, which lists kOrigin in the policy.
//   host_bench.exe HOST_EXE [MEGABYTES] [CALLS]
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/wine/bridge/host_process.h"

namespace {

using kestor::host_test::HostProcess;
using kestor::host_test::Json;

const std::string kOrigin = "https://bench.example.com";
// Not WQL: each query adds an error line that holds it, so the list sets the report's size.
const std::string kQuery = "SELECT Name FROM Win32_KestorNoSuchClass x";

// The process's private memory: PagefileUsage, the commit charge, which Windows gives as
// PrivateUsage too; Wine fills only the former, from the process's anonymous pages.
double privateMegabytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PagefileUsage) / 1048576.0;
}

// The highest private memory of a process while it runs, sampled every millisecond.
struct Sampler {
  HANDLE process;
  std::atomic<bool> running;
  double peak;
  static DWORD WINAPI run(void* self) {
    auto& sampler = *static_cast<Sampler*>(self);
    while (sampler.running) {
      const double now = privateMegabytes(sampler.process);
      if (now > sampler.peak) sampler.peak = now;
      Sleep(1);
    }
    return 0;
  }
};

Json call(const Json& session, const char* member, const Json& args) {
  return {{"id", 2}, {"origin", kOrigin}, {"op", "call"}, {"session", session}, {"member", member}, {"args", args}};
}

Json open(HostProcess& host) {
  const Json reply = host.request({{"id", 1}, {"origin", kOrigin}, {"op", "open"}});
  if (reply["ok"] != true) throw std::runtime_error("open refused: " + reply.dump());
  return reply["session"];
}

void close(HostProcess& host, const Json& session) {
  host.request({{"id", 3}, {"origin", kOrigin}, {"op", "close"}, {"session", session}});
}

std::string tempPath(const std::string& fileId) {
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  return std::string(directory, length) + fileId;
}

// GetData's bytes of text, the parts read one by one so that this side holds little.
std::size_t receiveReport(HostProcess& host, const Json& request, std::size_t& parts) {
  host.send(request.dump());
  std::size_t bytes = 0;
  parts = 1;
  for (std::size_t part = 0; part < parts; ++part) {
    const std::optional<std::string> message = host.receive();
    if (!message) throw std::runtime_error("the host ended inside a reply");
    const Json reply = Json::parse(*message);
    if (reply["ok"] != true) throw std::runtime_error("GetData failed: " + reply.dump().substr(0, 300));
    parts = reply.value("parts", std::size_t{1});
    bytes += reply["value"].get_ref<const std::string&>().size();
  }
  return bytes;
}

void largeReport(const wchar_t* exe, std::size_t megabytes) {
  HostProcess host(exe);
  Json session = open(host);
  const double atStart = privateMegabytes(host.process());
  // The report keeps what earlier runs of its object appended: two runs of half the
  // list make a file of about the size asked for, with requests of half that size.
  std::string list;
  const std::string query = kQuery + " " + std::string(10000, 'y') + "|";
  while (list.size() < megabytes * 1000000 / 2) list += query;
  host.value(call(session, "SetData", {list}));
  const std::string fileId = host.value(call(session, "SetData", Json::array()));
  std::string().swap(list);
  close(host, session);
  session = open(host);
  WIN32_FILE_ATTRIBUTE_DATA attributes = {};
  GetFileAttributesExA(tempPath(fileId).c_str(), GetFileExInfoStandard, &attributes);
  const double fileMegabytes = static_cast<double>(attributes.nFileSizeLow) / 1e6;
  Sleep(500);
  const double idle = privateMegabytes(host.process());

  Sampler sampler{host.process(), {true}, idle};
  const HANDLE thread = CreateThread(nullptr, 0, &Sampler::run, &sampler, 0, nullptr);
  if (!thread) throw std::runtime_error("CreateThread failed");
  const DWORD started = GetTickCount();
  std::size_t parts = 0;
  const std::size_t bytes = receiveReport(host, call(session, "GetData", {fileId}), parts);
  const DWORD took = GetTickCount() - started;
  sampler.running = false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  const double peak = sampler.peak;
  std::printf("host memory, GetData of a %.1f MB report (%.1f MB of UTF-8 in %zu parts, %lu ms): private %.1f MB at start, "
              "%.1f MB at rest before it, peak %.1f MB (sampled every ms): %.1f MB above rest (target <= 64 MB)\n",
              fileMegabytes, static_cast<double>(bytes) / 1e6, parts, static_cast<unsigned long>(took), atStart, idle, peak,
              peak - idle);
  DeleteFileA(tempPath(fileId).c_str());
}

void growthPerSetData(const wchar_t* exe, int calls) {
  HostProcess host(exe);
  std::vector<double> x, y;
  const int warmUp = calls / 10, every = calls / 20 > 0 ? calls / 20 : 1;
  for (int i = 1; i <= calls; ++i) {
    const Json session = open(host);
    const std::string fileId = host.value(call(session, "SetData", {kQuery + "|"}));
    close(host, session);
    // The folder is kept small: under Wine a lookup scans it.
    DeleteFileA(tempPath(fileId).c_str());
    if (i >= warmUp && i % every == 0) {
      x.push_back(i);
      y.push_back(privateMegabytes(host.process()) * 1048576.0);
    }
  }
  // Least squares over the samples after warm-up.
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < x.size(); ++i) mx += x[i] / x.size(), my += y[i] / x.size();
  double sxy = 0, sxx = 0;
  for (std::size_t i = 0; i < x.size(); ++i) sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx);
  std::printf("host growth per SetData over %d calls (each in a session of its own, least squares after %d): "
              "%.1f bytes (target < 16); private %.1f MB at the end\n",
              calls, warmUp, sxx > 0 ? sxy / sxx : 0.0, y.empty() ? 0.0 : y.back() / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::wstring exe(argv[1], argv[1] + std::strlen(argv[1]));
  try {
    largeReport(exe.c_str(), argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100);
    growthPerSetData(exe.c_str(), argc > 3 ? std::atoi(argv[3]) : 5000);
  } catch (const std::exception& e) {
    std::printf("host bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
