// Memory over many calls: an object that stores the same report again and again, and
// objects that come and go, leave the heaps where they were. The figures are printed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

// Committed private memory over the address space (Wine reports no private bytes in
// the process counters). Printed, not judged: Wine now and then commits a few more
// megabytes once (a heap region, a thread's stack) at a moment no warm-up pins down;
// the heaps' busy bytes are the measure.
long long privateBytes() {
  long long committed = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return committed;
}

// Room for what the platform itself keeps between calls (caches, free-list pieces).
constexpr long long kTolerance = 64 * 1024;

class GrowthTest : public ObjectTest {
 protected:
  ScratchTempFolder scratch_;
};

TEST_F(GrowthTest, TwoThousandSetDataCallsGrowNoMoreThanTheReport) {
  setQueries(object_.get(), L"SELECT Caption, Version FROM Win32_OperatingSystem|SELECT Name FROM Win32_BIOS|");
  const std::wstring report = reportOf(object_.get());
  ASSERT_FALSE(report.empty());
  // From here on nothing runs: every call stores the same report under a new id.
  setQueries(object_.get(), L"");
  for (int i = 0; i < 20; ++i) reportOf(object_.get());

  const long long heapBefore = heapBytesInUse();
  const long long privateBefore = privateBytes();
  constexpr int kCalls = 2000;
  int stored = 0;
  for (int i = 0; i < kCalls; ++i) {
    Bstr fileId;
    if (object_->SetData(fileId.put()) == S_OK && SysStringLen(fileId.get()) == 38) ++stored;
  }
  const long long heapGrowth = heapBytesInUse() - heapBefore;
  const long long privateGrowth = privateBytes() - privateBefore;
  const long long reportBytes = static_cast<long long>(report.size() * sizeof(wchar_t));
  EXPECT_EQ(stored, kCalls);
  EXPECT_LE(heapGrowth, reportBytes + kTolerance);
  std::printf("%d SetData calls: heap %lld -> %+lld bytes, private bytes %lld -> %+lld, report %lld bytes\n", kCalls,
              heapBefore, heapGrowth, privateBefore, privateGrowth, reportBytes);
}

TEST_F(GrowthTest, ReleasedObjectsKeepNothing) {
  // Each object holds a list of some 20 KB (the text after the last separator is
  // never run), so one that is not freed shows far above the tolerance.
  const std::wstring list = L"SELECT Name FROM Win32_BIOS|" + std::wstring(10000, L'x');
  const auto useOne = [&list] {
    ComPtr<ISysKestor> object = newObject();
    ASSERT_TRUE(object);
    setQueries(object.get(), list.c_str());
    reportOf(object.get());
    Bstr text;
    EXPECT_EQ(object->GenerateIdentifier(text.put()), S_OK);
    EXPECT_EQ(object->get_DateTime(text.put()), S_OK);
  };
  // The first objects warm up what the platform keeps once (type info, WMI binding).
  for (int i = 0; i < 5; ++i) useOne();
  const long long heapBefore = heapBytesInUse();
  const long long privateBefore = privateBytes();
  constexpr int kObjects = 40;
  for (int i = 0; i < kObjects; ++i) useOne();
  const long long heapGrowth = heapBytesInUse() - heapBefore;
  const long long privateGrowth = privateBytes() - privateBefore;
  EXPECT_LE(heapGrowth, kTolerance);
  std::printf("%d objects created, used and released: heap %lld -> %+lld bytes, private bytes %lld -> %+lld\n",
              kObjects, heapBefore, heapGrowth, privateBefore, privateGrowth);
}

}  // namespace
}  // namespace kestor::server::test
