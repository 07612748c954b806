#include "host/shared/type_info_cache.h"

#include <oleauto.h>

#include <string>
#include <utility>

#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"
#include "host/shared/module.h"

namespace kestor::server {

namespace {

// Shared by the objects of every apartment: type information from a loaded type
// library is free-threaded. Kept until the module unloads (releaseTypeInfoCache); a
// failed load is retried on the next call. A plain pointer, not an owner: an owner's
// static destructor would release it at process exit too, after the platform may
// have torn down.
SRWLOCK cacheLock = SRWLOCK_INIT;
ITypeInfo* cached = nullptr;

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

HRESULT loadOwnTypeLib(ITypeLib** typeLib) {
  if (!typeLib) return E_POINTER;
  *typeLib = nullptr;
  const std::wstring path = module::path();
  if (path.empty()) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_UNEXPECTED;
  }
  // The module's path names its TYPELIB resource 1.
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib);
}

HRESULT sysKestorTypeInfo(ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  ExclusiveLock lock(cacheLock);
  if (!cached) {
    ComPtr<ITypeLib> typeLib;
    HRESULT hr = loadOwnTypeLib(typeLib.put());
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> loaded;
    hr = typeLib->GetTypeInfoOfGuid(ids::IID__SysKestor, loaded.put());
    if (FAILED(hr)) return hr;
    cached = loaded.detach();
  }
  *typeInfo = ComPtr<ITypeInfo>(cached).detach();
  return S_OK;
}

void releaseTypeInfoCache() {
  ExclusiveLock lock(cacheLock);
  if (ITypeInfo* held = std::exchange(cached, nullptr)) held->Release();
}

}  // namespace kestor::server
