#include "host/dll/registration.h"

#include <oleauto.h>

#include <string>

#include "host/com/com_ptr.h"
#include "host/com/type_attributes.h"
#include "host/shared/kestor_ids.h"
#include "host/shared/module.h"
#include "host/com/registry_key.h"
#include "host/shared/type_info_cache.h"

namespace kestor::server {

namespace {

constexpr wchar_t kClassName[] = L"SysKestor";
constexpr wchar_t kInventoryClassName[] = L"Inventory";
constexpr wchar_t kThreadingModel[] = L"Apartment";
constexpr wchar_t kVersion[] = L"2.0";

// "{XXXXXXXX-...}", the braced form the registry uses for identifiers.
std::wstring guidText(const GUID& guid) {
  wchar_t buffer[40] = {};
  if (StringFromGUID2(guid, buffer, 40) == 0) return std::wstring();
  return buffer;
}

std::wstring classKey(const CLSID& clsid = ids::CLSID_SysKestor) { return L"CLSID\\" + guidText(clsid); }

std::wstring typeLibVersionKey() {
  return L"TypeLib\\" + guidText(ids::LIBID_Kestor) + L"\\" + kVersion;
}

// 64-bit Windows keeps a 32-bit and a 64-bit registry view. The class key is per view,
// so each DLL registers its class in the view of its own bitness; the ProgID and the
// type library keys are shared by both views, and the library holds one file path per
// target system (locale 0, then win32 or win64).
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
constexpr SYSKIND kOtherSysKind = ids::kTypeLibSysKind == SYS_WIN64 ? SYS_WIN32 : SYS_WIN64;

std::wstring typeLibFileKey(SYSKIND sysKind) {
  return typeLibVersionKey() + (sysKind == SYS_WIN64 ? L"\\0\\win64" : L"\\0\\win32");
}

// Whether the DLL of the other bitness has the class registered in its view. On
// 32-bit Windows there is no other view and this looks at the caller's own.
bool otherViewHasClass(const CLSID& clsid) {
  return keyExists(HKEY_CLASSES_ROOT, classKey(clsid) + L"\\InprocServer32", kOtherView);
}

HRESULT writeClassKeys(const std::wstring& modulePath) {
  struct Value {
    std::wstring key;
    const wchar_t* name;  // nullptr: the key's default value
    std::wstring data;
  };
  const std::wstring clsid = classKey();
  const std::wstring inventory = classKey(ids::CLSID_KestorInventory);
  const Value values[] = {
      {clsid, nullptr, kClassName},
      {clsid + L"\\InprocServer32", nullptr, modulePath},
      {clsid + L"\\InprocServer32", L"ThreadingModel", kThreadingModel},
      {clsid + L"\\ProgID", nullptr, ids::kProgId},
      {clsid + L"\\TypeLib", nullptr, guidText(ids::LIBID_Kestor)},
      {clsid + L"\\Version", nullptr, kVersion},
      {ids::kProgId, nullptr, kClassName},
      {std::wstring(ids::kProgId) + L"\\CLSID", nullptr, guidText(ids::CLSID_SysKestor)},
      // Kestor.Inventory: no type library, no version.
      {inventory, nullptr, kInventoryClassName},
      {inventory + L"\\InprocServer32", nullptr, modulePath},
      {inventory + L"\\InprocServer32", L"ThreadingModel", kThreadingModel},
      {inventory + L"\\ProgID", nullptr, ids::kInventoryProgId},
      {ids::kInventoryProgId, nullptr, kInventoryClassName},
      {std::wstring(ids::kInventoryProgId) + L"\\CLSID", nullptr, guidText(ids::CLSID_KestorInventory)},
  };
  for (const Value& value : values) {
    const LONG error = writeStringValue(HKEY_CLASSES_ROOT, value.key, value.name, value.data);
    if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
  }
  return S_OK;
}

// The library's own flags: a library loaded from a file also reports that it has a
// disk image, which is a property of the loading, not of the library.
HRESULT libraryFlags(ITypeLib* typeLib, WORD* flags) {
  LibAttributes attributes(typeLib);
  const HRESULT hr = typeLib->GetLibAttr(attributes.put());
  if (FAILED(hr)) return hr;
  *flags = attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE;
  return S_OK;
}

// The library in the module's own resource, under the module's path: the platform
// reads LIBID, version, locale and help string from the library itself. Its FLAGS
// entry is then set to the library's own flags, and the help directory the platform
// adds is removed: the library has no help file.
HRESULT registerTypeLib(const std::wstring& modulePath) {
  ComPtr<ITypeLib> typeLib;
  HRESULT hr = loadOwnTypeLib(typeLib.put());
  if (FAILED(hr)) return hr;
  WORD flags = 0;
  hr = libraryFlags(typeLib.get(), &flags);
  if (FAILED(hr)) return hr;
  hr = RegisterTypeLib(typeLib.get(), const_cast<LPOLESTR>(modulePath.c_str()), nullptr);
  if (FAILED(hr)) return hr;
  LONG error = writeStringValue(HKEY_CLASSES_ROOT, typeLibVersionKey() + L"\\FLAGS", nullptr,
                                std::to_wstring(flags));
  if (error == ERROR_SUCCESS) error = deleteTree(HKEY_CLASSES_ROOT, typeLibVersionKey() + L"\\HELPDIR");
  return HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT registerServer() {
  const std::wstring modulePath = module::path();
  if (modulePath.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  HRESULT hr = writeClassKeys(modulePath);
  if (SUCCEEDED(hr)) hr = registerTypeLib(modulePath);
  // Half a registration would leave a class that cannot be created: take it back.
  if (FAILED(hr)) unregisterServer();
  return hr;
}

HRESULT unregisterServer() {
  HRESULT first = S_OK;
  auto note = [&first](HRESULT hr) {
    if (SUCCEEDED(first) && FAILED(hr)) first = hr;
  };
  // A ProgID names its class for both views: it goes with the last registration.
  const struct {
    const CLSID* clsid;
    const wchar_t* progId;
  } classes[] = {{&ids::CLSID_SysKestor, ids::kProgId}, {&ids::CLSID_KestorInventory, ids::kInventoryProgId}};
  for (const auto& registered : classes) {
    note(HRESULT_FROM_WIN32(deleteTree(HKEY_CLASSES_ROOT, classKey(*registered.clsid))));
    if (!otherViewHasClass(*registered.clsid)) {
      note(HRESULT_FROM_WIN32(deleteTree(HKEY_CLASSES_ROOT, registered.progId)));
    }
  }
  // UnRegisterTypeLib fails for a library that is not registered; that is the
  // state asked for, not an error. It also removes the library's shared keys and
  // its interface's keys in both views, which the other bitness's library, when
  // registered, still needs: then only this library's file path goes.
  if (keyExists(HKEY_CLASSES_ROOT, typeLibFileKey(ids::kTypeLibSysKind))) {
    if (keyExists(HKEY_CLASSES_ROOT, typeLibFileKey(kOtherSysKind))) {
      note(HRESULT_FROM_WIN32(deleteTree(HKEY_CLASSES_ROOT, typeLibFileKey(ids::kTypeLibSysKind))));
    } else {
      note(UnRegisterTypeLib(ids::LIBID_Kestor, ids::kTypeLibMajor, ids::kTypeLibMinor,
                             LOCALE_NEUTRAL, ids::kTypeLibSysKind));
    }
  }
  return first;
}

}  // namespace kestor::server
