// kestor-host.exe over its standard streams, as a browser drives it: its private memory
// at rest and at its peak while it answers GetData of a large report, then its growth per
// SetData over many calls, each in a session of its own as pages come and go.
//   host_bench.exe HOST_EXE MEGABYTES CALLS   (scripts/bench.sh lists kOrigin)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/wine/bridge/host_process.h"

namespace {

using kestor::host_test::HostProcess;
using kestor::host_test::Json;

const std::string kOrigin = "https://bench.example.com";
// Not WQL: its section is an error line that holds it, so a list sets the report's size.
const std::string kQuery = "SELECT Name FROM Win32_KestorNoSuchClass x";

// PagefileUsage, the commit charge (PrivateUsage on Windows); Wine fills only this one.
double privateMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PagefileUsage / 1048576.0 : 0;
}

struct Sampler {
  HANDLE process;
  std::atomic<bool> running{true};
  double peak = 0;
  static DWORD WINAPI run(void* self) {
    for (auto& s = *static_cast<Sampler*>(self); s.running; Sleep(1)) s.peak = std::max(s.peak, privateMb(s.process));
    return 0;
  }
};

Json request(const Json& session, const char* op, const char* member = "", const Json& args = Json::array()) {
  return {{"id", 1}, {"origin", kOrigin}, {"op", op}, {"session", session}, {"member", member}, {"args", args}};
}

std::string tempPath(const std::string& fileId) {
  char directory[MAX_PATH + 1];
  return std::string(directory, GetTempPathA(sizeof directory, directory)) + fileId;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const std::string exe = argv[1];
  const std::wstring wexe(exe.begin(), exe.end());
  const std::size_t megabytes = std::strtoul(argv[2], nullptr, 10);
  const int calls = std::atoi(argv[3]);
  try {
    HostProcess host(wexe.c_str());
    const double atStart = privateMb(host.process());
    const auto open = [&] { return host.request(request(0, "open"))["session"]; };
    Json session = open();
    // A report keeps what earlier runs of its object added: two runs of half the size.
    std::string list;
    while (list.size() < megabytes * 500000) list += kQuery + " " + std::string(10000, 'y') + "|";
    host.value(request(session, "call", "SetData", {list}));
    const std::string fileId = host.value(request(session, "call", "SetData", Json::array()));
    std::string().swap(list);
    host.request(request(session, "close"));
    session = open();
    Sleep(500);
    Sampler sampler{host.process()};
    const double rest = sampler.peak = privateMb(host.process());
    const HANDLE thread = CreateThread(nullptr, 0, &Sampler::run, &sampler, 0, nullptr);
    const DWORD started = GetTickCount();
    std::size_t parts = 0;
    const std::size_t bytes = host.value(request(session, "call", "GetData", {fileId}), &parts).size();
    const DWORD took = GetTickCount() - started;
    sampler.running = false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    DeleteFileA(tempPath(fileId).c_str());
    std::printf("host memory, GetData of a %.1f MB report (%zu parts, %lu ms): private %.1f MB at start, %.1f MB at "
                "rest before it, peak %.1f MB (sampled every ms): %.1f MB above rest (target <= 64 MB)\n",
                bytes / 1e6, parts, static_cast<unsigned long>(took), atStart, rest, sampler.peak, sampler.peak - rest);

    const int warmUp = calls / 10;
    double afterWarmUp = 0;
    for (int i = 1; i <= calls; ++i) {
      session = open();
      const std::string id = host.value(request(session, "call", "SetData", {kQuery + "|"}));
      host.request(request(session, "close"));
      DeleteFileA(tempPath(id).c_str());  // under Wine a lookup scans the folder
      if (i == warmUp) afterWarmUp = privateMb(host.process());
    }
    std::printf("host growth per SetData over %d calls after %d (each in a session of its own): %.1f bytes "
                "(target < 16)\n", calls - warmUp, warmUp,
                (privateMb(host.process()) - afterWarmUp) * 1048576.0 / (calls - warmUp));
  } catch (const std::exception& e) {
    std::printf("host bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
