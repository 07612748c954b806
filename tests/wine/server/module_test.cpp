// The DLL's contract with COM: class objects, creation, interfaces and when the
// module may be unloaded.
#include <gtest/gtest.h>

#include <ocidl.h>

#include "host/com/unique_handle.h"
#include "host/shared/kestor_ids.h"
#include "tests/wine/server/server_support.h"

namespace kestor::server::test {
namespace {

void* const kSentinel = reinterpret_cast<void*>(0x5A5A5A5A);

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(serverDll().canUnloadNow(), S_OK) << "an earlier test leaked an object or a lock"; }
  Apartment apartment_;
};

TEST_F(ModuleTest, ClassObjectsOnlyForTheTwoClasses) {
  void* object = kSentinel;
  EXPECT_EQ(serverDll().getClassObject(IID_IDispatch, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = kSentinel;
  EXPECT_EQ(serverDll().getClassObject(ids::LIBID_Kestor, IID_IUnknown, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = kSentinel;
  EXPECT_EQ(serverDll().getClassObject(ids::CLSID_SysKestor, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(serverDll().getClassObject(ids::CLSID_SysKestor, IID_IUnknown, unknown.putVoid()), S_OK);
  EXPECT_TRUE(unknown);
  EXPECT_EQ(serverDll().getClassObject(ids::CLSID_KestorInventory, IID_IUnknown, unknown.putVoid()), S_OK);
  EXPECT_TRUE(unknown);
}

// Kestor.Inventory answers IDispatch itself: one method, no type information.
TEST_F(ModuleTest, InventoryDispatchesItsOneMethod) {
  ComPtr<IDispatch> inventory = newInventory();
  ASSERT_TRUE(inventory);
  UINT count = 1;
  EXPECT_EQ(inventory->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  OLECHAR collect[] = L"cOLLECT", other[] = L"SetData";
  LPOLESTR names[] = {collect, other};
  DISPID dispIds[2] = {};
  EXPECT_EQ(inventory->GetIDsOfNames(IID_NULL, names, 1, 0, dispIds), S_OK);
  EXPECT_EQ(inventory->GetIDsOfNames(IID_NULL, names + 1, 1, 0, dispIds + 1), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(dispIds[1], DISPID_UNKNOWN);
  Variant queries;
  V_VT(queries.put()) = VT_BSTR;
  V_BSTR(queries.get()) = SysAllocString(L"");
  struct Row {
    const char* what;
    DISPID id;
    WORD flags;
    UINT args;
    HRESULT hr;
  } rows[] = {
      {"Collect(\"\")", dispIds[0], DISPATCH_METHOD, 1, S_OK},
      {"no argument", dispIds[0], DISPATCH_METHOD, 0, DISP_E_BADPARAMCOUNT},
      {"a property read", dispIds[0], DISPATCH_PROPERTYGET, 1, DISP_E_MEMBERNOTFOUND},
      {"another member", 2, DISPATCH_METHOD, 1, DISP_E_MEMBERNOTFOUND},
  };
  for (const Row& row : rows) {
    DISPPARAMS params{queries.get(), nullptr, row.args, 0};
    Variant result;
    EXPECT_EQ(inventory->Invoke(row.id, IID_NULL, 0, row.flags, &params, result.put(), nullptr, nullptr), row.hr)
        << row.what;
    if (row.hr == S_OK) {
      EXPECT_EQ(std::wstring(V_BSTR(result.get())), L"{\"sections\":[]}");
    }
  }
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE) << "an inventory object alive";
  inventory.reset();
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "the inventory object was not freed";
}

TEST_F(ModuleTest, FactoryRefusesAggregationAndUnknownInterfaces) {
  ComPtr<IClassFactory> classFactory = factory();
  ASSERT_TRUE(classFactory);
  ComPtr<ISysKestor> outer = newObject();  // any object will do as an outer unknown
  void* object = kSentinel;
  EXPECT_EQ(classFactory->CreateInstance(outer.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  outer.reset();
  object = kSentinel;
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IPersistStream, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "the refused object was not freed";
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

struct InterfaceRow {
  const char* what;
  const IID* iid;
  HRESULT hr;
};

const IID kIDispatchEx = {0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};

const InterfaceRow kInterfaces[] = {
    {"IUnknown", &IID_IUnknown, S_OK},
    {"IDispatch", &IID_IDispatch, S_OK},
    {"_SysKestor", &ids::IID__SysKestor, S_OK},
    {"IObjectSafety", &ids::IID_IObjectSafety_, S_OK},
    {"IPersist", &IID_IPersist, S_OK},
    {"IPersistPropertyBag", &IID_IPersistPropertyBag, S_OK},
    {"IPersistStream is not offered", &IID_IPersistStream, E_NOINTERFACE},
    {"IPersistStreamInit is not offered", &IID_IPersistStreamInit, E_NOINTERFACE},
    {"IDispatchEx is not offered", &kIDispatchEx, E_NOINTERFACE},
    {"IClassFactory belongs to the factory", &IID_IClassFactory, E_NOINTERFACE},
    {"ISupportErrorInfo is not offered", &IID_ISupportErrorInfo, E_NOINTERFACE},
};

TEST_F(ModuleTest, ObjectOffersExactlyItsInterfacesWithOneIdentity) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
  for (const InterfaceRow& row : kInterfaces) {
    void* raw = kSentinel;
    EXPECT_EQ(object->QueryInterface(*row.iid, &raw), row.hr) << row.what;
    if (FAILED(row.hr)) {
      EXPECT_EQ(raw, nullptr) << row.what;
      continue;
    }
    ComPtr<IUnknown> found;
    *found.put() = static_cast<IUnknown*>(raw);
    // Back to IUnknown from every interface: the same object.
    ComPtr<IUnknown> back;
    ASSERT_EQ(found->QueryInterface(IID_IUnknown, back.putVoid()), S_OK) << row.what;
    EXPECT_EQ(back.get(), identity.get()) << row.what;
  }
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ModuleTest, CanUnloadOnlyWithoutObjectsAndLocks) {
  ComPtr<ISysKestor> object = newObject();
  ASSERT_TRUE(object);
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE) << "object alive";
  ComPtr<IObjectSafetyByPointer> safety;
  ASSERT_EQ(object->QueryInterface(ids::IID_IObjectSafety_, safety.putVoid()), S_OK);
  object.reset();
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE) << "object alive through another interface";
  safety.reset();
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "last reference released";

  ComPtr<IClassFactory> classFactory = factory();
  ASSERT_TRUE(classFactory);
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "a reference to the factory is no lock";
  EXPECT_EQ(classFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(serverDll().canUnloadNow(), S_FALSE) << "factory locked";
  EXPECT_EQ(classFactory->LockServer(FALSE), S_OK);
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK) << "lock released";
}

struct HoldingThread {
  HANDLE made, release;
};

// Creates an object in its own apartment and holds it until told to release it.
DWORD WINAPI holdObject(void* parameter) {
  auto* thread = static_cast<HoldingThread*>(parameter);
  Apartment apartment;
  ComPtr<ISysKestor> object = newObject();
  SetEvent(thread->made);
  WaitForSingleObject(thread->release, INFINITE);
  return object ? 0 : 1;
}

// Objects of other apartments count as well.
TEST_F(ModuleTest, ObjectsOfAnotherApartmentKeepTheModule) {
  const UniqueHandle made(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(made.valid() && release.valid());
  HRESULT whileAlive = E_UNEXPECTED;
  HoldingThread context{made.get(), release.get()};
  const UniqueHandle thread(CreateThread(nullptr, 0, holdObject, &context, 0, nullptr));
  ASSERT_TRUE(thread.valid());
  ASSERT_EQ(WaitForSingleObject(made.get(), 30000), WAIT_OBJECT_0);
  whileAlive = serverDll().canUnloadNow();
  SetEvent(release.get());
  ASSERT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeThread(thread.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u) << "the other apartment could not create an object";
  EXPECT_EQ(whileAlive, S_FALSE);
  EXPECT_EQ(serverDll().canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace kestor::server::test
