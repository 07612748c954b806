#pragma once
// What the server tests share: the built Kestor.ocx loaded from its build path with
// its four exports, an apartment per test, and objects made through its factory.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host/com/apartment.h"
#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/variant.h"
#include "host/dll/kestor_ids.h"
#include "host/object/interfaces.h"
#include "tests/support/windows_support.h"

namespace kestor::server::test {

using kestor::test::guidText;
using kestor::test::fileCountIn;
using kestor::test::narrow;

using DllCanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllRegisterFn = HRESULT(STDAPICALLTYPE*)();

// Kestor.ocx as built, loaded once for the whole test program and never unloaded, so
// its module state is the one CoCreateInstance of the registered path reaches too.
struct ServerDll {
  HMODULE module;
  std::wstring path;
  DllCanUnloadNowFn canUnloadNow;
  DllGetClassObjectFn getClassObject;
  DllRegisterFn registerServer;
  DllRegisterFn unregisterServer;
};
const ServerDll& serverDll();

using kestor::Apartment;

// The class factory of SysKestor (or of clsid) from DllGetClassObject; fails the test
// when absent.
ComPtr<IClassFactory> factory(const CLSID& clsid = ids::CLSID_SysKestor);

// A new Kestor.Inventory through its factory, as IDispatch.
ComPtr<IDispatch> newInventory();

// A new object through the factory, as its default interface.
ComPtr<ISysKestor> newObject();

// A test with its own apartment and one new object in it.
class ObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    object_ = newObject();
    ASSERT_TRUE(object_);
  }
  Apartment apartment_;
  ComPtr<ISysKestor> object_;
};

// Runs body on a new thread (a new apartment once it initialises COM) and waits.
void runOnNewThread(const std::function<void()>& body);

// A scratch folder that TMP and TEMP name for this process while it lives (the
// component looks the directory up on every call); afterwards the variables are put
// back and the folder is removed with its files.
class ScratchTempFolder {
 public:
  ScratchTempFolder();
  ~ScratchTempFolder();
  ScratchTempFolder(const ScratchTempFolder&) = delete;
  ScratchTempFolder& operator=(const ScratchTempFolder&) = delete;

  const std::wstring& path() const { return folder_.path(); }  // ends with a backslash
  // TMP and TEMP name value instead, or the scratch folder again.
  static void pointTempAt(const std::wstring& value);
  void pointTempBack() const { pointTempAt(path()); }
  std::size_t fileCount() const { return folder_.fileCount(); }

 private:
  std::wstring savedTmp_, savedTemp_;
  kestor::test::ScratchFolder folder_{L"scratch"};
};

// Bytes in busy blocks over every heap of the process: the C runtime's, the process
// heap (BSTRs) and any other.
long long heapBytesInUse();

// Text of a BSTR for comparisons.
std::wstring wide(BSTR text);

// Sets the object's query list.
void setQueries(ISysKestor* object, const wchar_t* queryList);

// The report object stores now: SetData, then GetData with the file id it returned.
std::wstring reportOf(ISysKestor* object);

}  // namespace kestor::server::test
