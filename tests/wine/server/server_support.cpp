#include "tests/wine/server/server_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/shared/kestor_ids.h"
#include "host/typelib/win_path.h"

namespace kestor::server::test {

namespace {

// The build path of the server, as a Windows path.
std::wstring ocxPath() { return winpath::ToWindowsPath(KESTOR_OCX_PATH); }

template <typename Fn>
Fn exportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

ServerDll load() {
  ServerDll dll{};
  dll.path = ocxPath();
  dll.module = LoadLibraryW(dll.path.c_str());
  if (!dll.module) {
    std::fprintf(stderr, "cannot load %ls (error %lu)\n", dll.path.c_str(), GetLastError());
    std::abort();
  }
  dll.canUnloadNow = exportOf<DllCanUnloadNowFn>(dll.module, "DllCanUnloadNow");
  dll.getClassObject = exportOf<DllGetClassObjectFn>(dll.module, "DllGetClassObject");
  dll.registerServer = exportOf<DllRegisterFn>(dll.module, "DllRegisterServer");
  dll.unregisterServer = exportOf<DllRegisterFn>(dll.module, "DllUnregisterServer");
  if (!dll.canUnloadNow || !dll.getClassObject || !dll.registerServer || !dll.unregisterServer) {
    std::fprintf(stderr, "an export of %ls is missing\n", dll.path.c_str());
    std::abort();
  }
  return dll;
}

}  // namespace

const ServerDll& serverDll() {
  static const ServerDll dll = load();
  return dll;
}

ComPtr<IClassFactory> factory(const CLSID& clsid) {
  ComPtr<IClassFactory> result;
  const HRESULT hr = serverDll().getClassObject(clsid, IID_IClassFactory, result.putVoid());
  EXPECT_EQ(hr, S_OK);
  return result;
}

ComPtr<IDispatch> newInventory() {
  ComPtr<IDispatch> object;
  ComPtr<IClassFactory> classFactory = factory(ids::CLSID_KestorInventory);
  if (!classFactory) return object;
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IDispatch, object.putVoid()), S_OK);
  return object;
}

ComPtr<ISysKestor> newObject() {
  ComPtr<ISysKestor> object;
  ComPtr<IClassFactory> classFactory = factory();
  if (!classFactory) return object;
  const HRESULT hr = classFactory->CreateInstance(nullptr, ids::IID__SysKestor, object.putVoid());
  EXPECT_EQ(hr, S_OK);
  return object;
}

namespace {

DWORD WINAPI runBody(void* parameter) {
  (*static_cast<const std::function<void()>*>(parameter))();
  return 0;
}

}  // namespace

void runOnNewThread(const std::function<void()>& body) {
  HANDLE thread = CreateThread(nullptr, 0, runBody, const_cast<std::function<void()>*>(&body), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  CloseHandle(thread);
}

long long heapBytesInUse() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  long long busy = 0;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return busy;
}

std::wstring wide(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

}  // namespace kestor::server::test

namespace kestor::server::test {

std::wstring reportOf(ISysKestor* object) {
  Bstr fileId;
  EXPECT_EQ(object->SetData(fileId.put()), S_OK);
  EXPECT_EQ(SysStringLen(fileId.get()), 38u) << "no report stored";
  BSTR id = fileId.get();
  Bstr report;
  EXPECT_EQ(object->GetData(&id, report.put()), S_OK);
  return wide(report.get());
}

}  // namespace kestor::server::test

namespace kestor::server::test {

namespace {

std::wstring variable(const wchar_t* name) {
  wchar_t value[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
  return length > 0 && length <= MAX_PATH ? std::wstring(value, length) : std::wstring();
}

void restoreVariable(const wchar_t* name, const std::wstring& value) {
  SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

}  // namespace

ScratchTempFolder::ScratchTempFolder()
    : savedTmp_(variable(L"TMP")), savedTemp_(variable(L"TEMP")) {
  if (!path().empty()) pointTempBack();
}

// The variables are put back before the folder goes.
ScratchTempFolder::~ScratchTempFolder() {
  restoreVariable(L"TMP", savedTmp_);
  restoreVariable(L"TEMP", savedTemp_);
}

void ScratchTempFolder::pointTempAt(const std::wstring& value) {
  EXPECT_TRUE(SetEnvironmentVariableW(L"TMP", value.c_str()));
  EXPECT_TRUE(SetEnvironmentVariableW(L"TEMP", value.c_str()));
}

void setQueries(ISysKestor* object, const wchar_t* queryList) {
  Bstr list(queryList);
  BSTR text = list.get();
  EXPECT_EQ(object->put_WMIAttributesOfInterest(&text), S_OK);
}

}  // namespace kestor::server::test
