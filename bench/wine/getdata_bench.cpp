// GetData of one large report against the least any reader must do to hand the same
// file to a script: ReadFile, MultiByteToWideChar into a BSTR of the right size.
// Alternates the two, round after round, and prints the medians, their ratio and
// how far GetData raised the process's peak memory, in units of the file's size.
//   getdata_bench.exe [ROUNDS] [MEGABYTES]
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/unique_handle.h"
#include "host/com/variant.h"

namespace {

using kestor::Bstr;
using kestor::ComPtr;
using kestor::UniqueHandle;
using kestor::Variant;

[[noreturn]] void fail(const char* what, unsigned long code) {
  std::printf("getdata bench: %s failed (0x%08lx)\n", what, code);
  std::exit(1);
}

void check(HRESULT hr, const char* what) {
  if (FAILED(hr)) fail(what, static_cast<unsigned long>(hr));
}

double now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A report-like text of about `bytes` bytes, in the ANSI code page, with some bytes
// above 0x7F so the conversion has real work to do; written a megabyte at a time so the
// writer itself does not raise the peak.
std::wstring writeReport(std::size_t bytes) {
  wchar_t directory[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, directory) == 0) fail("GetTempPathW", GetLastError());
  GUID guid;
  check(CoCreateGuid(&guid), "CoCreateGuid");
  wchar_t id[64];
  if (StringFromGUID2(guid, id, 64) == 0) fail("StringFromGUID2", 0);
  const std::wstring path = std::wstring(directory) + id;

  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) fail("CreateFileW", GetLastError());
  const std::string instance =
      "[INSTANCE]\r\n[pname]=Name\r\n[pvalue]=Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz\r\n"
      "[pname]=Description\r\n[pvalue]=Caf\xe9 na\xefve \xa9 2026\r\n";
  std::string block;
  while (block.size() + instance.size() <= (1u << 20)) block += instance;
  for (std::size_t done = 0; done < bytes; done += block.size()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr) ||
        written != block.size()) {
      fail("WriteFile", GetLastError());
    }
  }
  return path;
}

// The floor: what returning the file as a BSTR cannot do without.
std::size_t readConvertAllocate(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) fail("CreateFileW", GetLastError());
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) fail("GetFileSizeEx", GetLastError());
  const auto length = static_cast<DWORD>(size.QuadPart);
  std::vector<char> bytes(length);
  DWORD got = 0;
  if (!ReadFile(file.get(), bytes.data(), length, &got, nullptr) || got != length) fail("ReadFile", GetLastError());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(length), nullptr, 0);
  Bstr text;
  text.adopt(SysAllocStringLen(nullptr, static_cast<UINT>(units)));
  if (!text.get()) fail("SysAllocStringLen", 0);
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(length), text.get(), units);
  return SysStringLen(text.get());
}

class GetDataCall {
 public:
  explicit GetDataCall(const std::wstring& fileId) : fileId_(fileId.c_str()) {
    CLSID clsid;
    check(CLSIDFromProgID(L"Kestor.SysKestor", &clsid), "CLSIDFromProgID");
    check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object_.putVoid()), "CoCreateInstance");
    wchar_t name[] = L"GetData";
    LPOLESTR names[] = {name};
    check(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member_), "GetIDsOfNames");
  }

  // Called late-bound, as a script calls it.
  void call(Variant& result) {
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = fileId_.get();
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    check(object_->Invoke(member_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(),
                          nullptr, nullptr),
          "GetData");
  }

 private:
  Bstr fileId_;
  ComPtr<IDispatch> object_;
  DISPID member_ = 0;
};

std::size_t peakBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

// Seconds per call of op over a loop of at least a second.
template <typename Op>
double timeLoop(Op&& op) {
  const double started = now();
  int count = 0;
  double elapsed = 0;
  do {
    op();
    ++count;
    elapsed = now() - started;
  } while (elapsed < 1.0);
  return elapsed / count;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 50;
  check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
  int status = 0;
  const std::wstring path = writeReport(megabytes * 1000 * 1000);
  {
    const std::wstring fileId = path.substr(path.rfind(L'\\') + 1);
    GetDataCall getData(fileId);
    // Measured first, while nothing larger has been allocated in this process.
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes);
    const double fileBytes = static_cast<double>(attributes.nFileSizeLow);
    const std::size_t peakBefore = peakBytes();
    std::size_t units = 0;
    {
      Variant report;
      getData.call(report);
      units = SysStringLen(V_BSTR(report.get()));
    }
    const std::size_t peakAfter = peakBytes();
    const std::size_t expected = readConvertAllocate(path);
    if (units != expected) {
      std::printf("getdata bench: GetData returned %u units, the file holds %u\n", unsigned(units), unsigned(expected));
      status = 1;
    }

    std::vector<double> floor, kestor;
    for (int round = 1; round <= rounds; ++round) {
      floor.push_back(timeLoop([&] { readConvertAllocate(path); }));
      kestor.push_back(timeLoop([&] {
        Variant report;
        getData.call(report);
      }));
      std::printf("round %d floor %.1f ms GetData %.1f ms\n", round, floor.back() * 1e3, kestor.back() * 1e3);
    }
    std::printf("file %.1f MB; median floor %.1f ms, GetData %.1f ms; GetData/floor %.2f\n", fileBytes / 1e6,
                median(floor) * 1e3, median(kestor) * 1e3, median(kestor) / median(floor));
    std::printf("GetData peak memory above its start: %.2f N (N = file bytes)\n",
                static_cast<double>(peakAfter - peakBefore) / fileBytes);
  }
  DeleteFileW(path.c_str());
  CoUninitialize();
  return status;
}
