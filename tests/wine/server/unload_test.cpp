// A host that creates an object, uses it, releases it and lets the DLL go, over and
// over, as browsers and script hosts do with idle controls. Each load and unload must
// give back what it took: handles, heap and TLS indexes end where the first cycle left
// them. A separate program, so that nothing else holds the DLL or its state.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

#include "host/shared/kestor_ids.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

constexpr int kCycles = 200;
// Room for what the platform keeps between cycles; a leak of one handle, or of a few
// dozen bytes, per cycle exceeds it.
constexpr long kHandleSlack = 2;
constexpr long long kHeapSlack = 4 * 1024;

// Handles of this process, from the system's handle table: Wine's
// GetProcessHandleCount answers 0.
long handleCount() {
  struct Entry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
    Entry entries[1];
  };
  constexpr auto kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
  constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
  std::vector<char> buffer(1 << 20);
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(kSystemExtendedHandleInformation, buffer.data(),
                                            static_cast<ULONG>(buffer.size()), nullptr)) ==
         kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return -1;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  long mine = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i) {
    if (table->entries[i].processId == GetCurrentProcessId()) ++mine;
  }
  return mine;
}

// The lowest free TLS index: it climbs when a load takes one that its unload keeps.
DWORD lowestFreeTlsIndex() {
  const DWORD index = TlsAlloc();
  TlsFree(index);
  return index;
}

struct Usage {
  long handles;
  long long heapBytes;
  DWORD tlsIndex;
};

Usage usageNow() { return {handleCount(), heapBytesInUse(), lowestFreeTlsIndex()}; }

// One host's life with the component; false when the DLL stayed loaded.
bool cycle(ScratchTempFolder& scratch) {
  {
    ComPtr<ISysKestor> object;
    EXPECT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, ids::IID__SysKestor,
                               object.putVoid()),
              S_OK);
    if (!object) return false;
    setQueries(object.get(), L"");

    // Late-bound, as a script calls it: the type library is loaded and cached.
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);
    OLECHAR name[] = L"GetTestData";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    DISPPARAMS none{};
    Variant result;
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.put(),
                               nullptr, nullptr),
              S_OK);

    // A report stored and read back.
    Bstr fileId;
    EXPECT_EQ(object->SetData(fileId.put()), S_OK);
    EXPECT_EQ(SysStringLen(fileId.get()), 38u);
    BSTR storedId = fileId.get();
    Bstr report;
    EXPECT_EQ(object->GetData(&storedId, report.put()), S_OK);

    // Exceptions inside the core: a missing file is thrown and caught in the store, a
    // folder that cannot hold a report fails the store and is caught at the boundary.
    Bstr missing(L"{00000000-0000-0000-0000-000000000000}");
    BSTR missingId = missing.get();
    Bstr nothing;
    EXPECT_EQ(object->GetData(&missingId, nothing.put()), S_OK);
    EXPECT_EQ(wide(nothing.get()), L"");
    ScratchTempFolder::pointTempAt(scratch.path() + L"missing\\");
    Bstr noId;
    EXPECT_EQ(object->SetData(noId.put()), S_OK);
    scratch.pointTempBack();
    EXPECT_EQ(wide(noId.get()), L"");

    // Kestor.Inventory, created and called as a script does.
    ComPtr<IDispatch> inventory;
    EXPECT_EQ(CoCreateInstance(ids::CLSID_KestorInventory, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               inventory.putVoid()),
              S_OK);
    Variant queries;
    V_VT(queries.put()) = VT_BSTR;
    V_BSTR(queries.get()) = SysAllocString(L"");
    DISPPARAMS one{queries.get(), nullptr, 1, 0};
    Variant json;
    if (inventory) {
      EXPECT_EQ(inventory->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, json.put(), nullptr,
                                  nullptr),
                S_OK);
    }
  }
  CoFreeUnusedLibraries();
  return GetModuleHandleW(L"Kestor.ocx") == nullptr;
}

TEST(UnloadTest, LoadingAndUnloadingTheDllLeavesHandlesHeapAndTlsWhereTheyWere) {
  Apartment apartment;
  ASSERT_EQ(apartment.status(), S_OK);
  ScratchTempFolder scratch;

  ASSERT_TRUE(cycle(scratch)) << "the DLL stayed loaded";
  const Usage first = usageNow();
  for (int i = 1; i < kCycles; ++i) {
    ASSERT_TRUE(cycle(scratch)) << "the DLL stayed loaded after cycle " << i + 1;
  }
  const Usage last = usageNow();

  const double cycles = kCycles - 1;
  std::printf("after cycle 1: %ld handles, %lld heap bytes, TLS index %lu free\n", first.handles,
              first.heapBytes, first.tlsIndex);
  std::printf("after cycle %d: %ld handles, %lld heap bytes, TLS index %lu free\n", kCycles, last.handles,
              last.heapBytes, last.tlsIndex);
  std::printf("per cycle: %.2f handles, %.1f heap bytes, %.2f TLS indexes\n",
              (last.handles - first.handles) / cycles, (last.heapBytes - first.heapBytes) / cycles,
              (static_cast<double>(last.tlsIndex) - first.tlsIndex) / cycles);
  ASSERT_GT(first.handles, 0) << "no handle count from the system's table";
  EXPECT_LE(last.handles, first.handles + kHandleSlack);
  EXPECT_LE(last.heapBytes, first.heapBytes + kHeapSlack);
  EXPECT_EQ(last.tlsIndex, first.tlsIndex);
}

}  // namespace
}  // namespace kestor::server::test
