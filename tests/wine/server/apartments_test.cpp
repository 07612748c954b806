// Objects in several apartments at once, and an object reached from a multithreaded
// apartment through the proxy that the type library's registration provides.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/com/unique_handle.h"
#include "host/shared/kestor_ids.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

constexpr int kApartments = 4;
constexpr int kObjectsPerApartment = 2;
constexpr int kRunsPerObject = 25;

struct ApartmentRun {
  int index = 0;
  HANDLE start = nullptr;
  HANDLE collected = nullptr;  // set once every apartment has collected
  LONG* collecting = nullptr;  // apartments still collecting
  std::mutex* wmiLock = nullptr;
  std::vector<std::wstring> ids;  // every id its objects stored, in order
  std::vector<std::wstring> reports;  // what each object collected
  std::vector<std::string> faults;
};

DWORD WINAPI runApartment(void* parameter) {
  auto& run = *static_cast<ApartmentRun*>(parameter);
  Apartment apartment;
  if (FAILED(apartment.status())) {
    run.faults.push_back("no apartment");
    return 1;
  }
  std::vector<ComPtr<ISysKestor>> objects;
  WaitForSingleObject(run.start, INFINITE);
  for (int n = 0; n < kObjectsPerApartment; ++n) {
    objects.push_back(newObject());
    // Wine's WMI crashes when queried from several threads at once, with or without
    // this component; and a query on a fresh thread corrupts the file handles other
    // threads hold meanwhile (seen with a plain winmgmts client as well). So the one
    // collection per object runs under a lock and all are done before the store and
    // the reads run concurrently.
    const std::wstring tag = L"Win32_Apartment" + std::to_wstring(run.index) + L"Object" + std::to_wstring(n);
    setQueries(objects[n].get(), (L"SELECT Caption FROM Win32_OperatingSystem|SELECT Name FROM " + tag + L"|").c_str());
    std::lock_guard<std::mutex> hold(*run.wmiLock);
    run.reports.push_back(reportOf(objects[n].get()));
  }
  if (InterlockedDecrement(run.collecting) == 0) SetEvent(run.collected);
  WaitForSingleObject(run.collected, INFINITE);
  for (int n = 0; n < kObjectsPerApartment; ++n) setQueries(objects[n].get(), L"");
  for (int call = 0; call < kRunsPerObject; ++call) {
    for (int n = 0; n < kObjectsPerApartment; ++n) {
      Bstr fileId;
      if (FAILED(objects[n]->SetData(fileId.put())) || SysStringLen(fileId.get()) != 38) {
        run.faults.push_back("SetData stored nothing");
        continue;
      }
      run.ids.push_back(wide(fileId.get()));
      BSTR id = fileId.get();
      Bstr report;
      // Read back through the other object of the apartment.
      objects[(n + 1) % kObjectsPerApartment]->GetData(&id, report.put());
      if (wide(report.get()) != run.reports[n]) run.faults.push_back("report read back differs: " + narrow(wide(id)));
    }
  }
  return 0;
}

TEST(ApartmentsTest, ObjectsInSeveralApartmentsStoreAndReadAtOnce) {
  Apartment apartment;
  ScratchTempFolder scratch;
  std::mutex wmiLock;
  const UniqueHandle start(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const UniqueHandle collected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(start.valid() && collected.valid());
  LONG collecting = kApartments;
  ApartmentRun runs[kApartments];
  UniqueHandle threadOwners[kApartments];
  HANDLE threads[kApartments];
  for (int i = 0; i < kApartments; ++i) {
    runs[i].index = i;
    runs[i].start = start.get();
    runs[i].wmiLock = &wmiLock;
    runs[i].collected = collected.get();
    runs[i].collecting = &collecting;
    threadOwners[i] = UniqueHandle(CreateThread(nullptr, 0, runApartment, &runs[i], 0, nullptr));
    threads[i] = threadOwners[i].get();
    ASSERT_TRUE(threadOwners[i].valid());
  }
  SetEvent(start.get());
  EXPECT_EQ(WaitForMultipleObjects(kApartments, threads, TRUE, 120000), WAIT_OBJECT_0);

  std::set<std::wstring> unique;
  std::size_t calls = 0;
  for (const ApartmentRun& run : runs) {
    for (const std::string& fault : run.faults) ADD_FAILURE() << "apartment " << run.index << ": " << fault;
    ASSERT_EQ(run.reports.size(), static_cast<std::size_t>(kObjectsPerApartment));
    EXPECT_NE(run.reports[0].find(L"[class=Win32_OperatingSystem]\r\n[INSTANCE]"), std::wstring::npos);
    unique.insert(run.ids.begin(), run.ids.end());
    calls += run.ids.size();
  }
  EXPECT_EQ(calls, static_cast<std::size_t>(kApartments * kObjectsPerApartment * kRunsPerObject));
  EXPECT_EQ(unique.size(), calls) << "two runs drew the same file id";
  // Another apartment reads every report whole after all are written.
  ComPtr<ISysKestor> reader = newObject();
  ASSERT_TRUE(reader);
  for (const ApartmentRun& run : runs) {
    for (std::size_t i = 0; i < run.ids.size(); ++i) {
      Bstr fileId(run.ids[i].c_str());
      BSTR id = fileId.get();
      Bstr report;
      ASSERT_EQ(reader->GetData(&id, report.put()), S_OK);
      EXPECT_EQ(wide(report.get()), run.reports[i % kObjectsPerApartment]) << narrow(run.ids[i]);
    }
  }
  reader.reset();
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "an object outlived its apartment";
  std::printf("%d apartments x %d objects x %d SetData and GetData calls, %zu distinct ids\n", kApartments,
              kObjectsPerApartment, kRunsPerObject, unique.size());
}

// From a multithreaded apartment, COM creates the apartment-threaded object in a host
// apartment of its own and hands out a proxy built from the type library, the only
// marshaler registered for _SysKestor. Every member answers through it.
TEST(ApartmentsTest, EveryMemberWorksThroughTheProxyOfAMultithreadedCaller) {
  wchar_t marshaler[40] = {};
  DWORD size = sizeof marshaler;
  ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, (L"Interface\\" + guidText(ids::IID__SysKestor) + L"\\ProxyStubClsid32").c_str(),
                         nullptr, RRF_RT_REG_SZ, nullptr, marshaler, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(marshaler, L"{00020424-0000-0000-C000-000000000046}") << "not the type library marshaler";
  ScratchTempFolder scratch;
  runOnNewThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      ComPtr<ISysKestor> object;
      ASSERT_EQ(CoCreateInstance(ids::CLSID_SysKestor, nullptr, CLSCTX_INPROC_SERVER, ids::IID__SysKestor,
                                 object.putVoid()),
                S_OK);
      ComPtr<IClientSecurity> proxy;
      EXPECT_EQ(object->QueryInterface(IID_IClientSecurity, proxy.putVoid()), S_OK) << "not a proxy";

      Bstr text;
      ASSERT_EQ(object->GenerateIdentifier(text.put()), S_OK);
      EXPECT_EQ(SysStringLen(text.get()), 38u);
      ASSERT_EQ(object->get_DateTime(text.put()), S_OK);
      EXPECT_GT(SysStringLen(text.get()), 0u);
      ASSERT_EQ(object->GetTestData(text.put()), S_OK);
      EXPECT_EQ(wide(text.get()), L"WMI simulation");

      // The by-reference list and file id come back unchanged across the boundary. The
      // marshaler may hand back a new string for an in-out one: the caller owns it.
      Bstr list(L"SELECT Name FROM Win32_Proxied|");
      BSTR listArgument = list.release();
      ASSERT_EQ(object->put_WMIAttributesOfInterest(&listArgument), S_OK);
      list.adopt(listArgument);
      EXPECT_EQ(wide(list.get()), L"SELECT Name FROM Win32_Proxied|");
      Bstr fileId;
      ASSERT_EQ(object->SetData(fileId.put()), S_OK);
      ASSERT_EQ(SysStringLen(fileId.get()), 38u);
      const std::wstring idBefore = wide(fileId.get());
      BSTR idArgument = fileId.release();
      Bstr report;
      ASSERT_EQ(object->GetData(&idArgument, report.put()), S_OK);
      fileId.adopt(idArgument);
      EXPECT_EQ(wide(report.get()), L"[class=Win32_Proxied]\r\n");
      EXPECT_EQ(wide(fileId.get()), idBefore);

      // Late binding through the same proxy.
      LPOLESTR name = const_cast<LPOLESTR>(L"GetTestData");
      DISPID id = 0;
      ASSERT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
      EXPECT_EQ(id, ids::kDispGetTestData);
      DISPPARAMS none{};
      Variant result;
      ASSERT_EQ(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.get(), nullptr,
                               nullptr),
                S_OK);
      EXPECT_EQ(V_VT(result.get()), VT_BSTR);
      ASSERT_EQ(V_VT(result.get()), VT_BSTR);
      EXPECT_EQ(wide(V_BSTR(result.get())), L"WMI simulation");
    }
    CoUninitialize();
  });
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "the proxied object was not released";
}

}  // namespace
}  // namespace kestor::server::test
