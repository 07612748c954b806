#pragma once
// Runs one COM call and raises its failure. The thread's error object is cleared
// first, so one found after a failure was set by this call and not left over.
#include <windows.h>

#include <utility>

#include "host/com/com_ptr.h"
#include "host/adapters/platform_failure.h"

namespace kestor::win {

template <typename Call>
void comCall(Call&& call) {
  const bool errorInfoIsFresh = SUCCEEDED(SetErrorInfo(0, nullptr));
  const HRESULT hr = call();
  if (FAILED(hr)) throw comFailure(hr, errorInfoIsFresh);
}

// A call that succeeded but handed back no object is a failure of that call too.
template <typename T>
T* requireObject(const ComPtr<T>& object) {
  if (!object) throw comFailure(E_POINTER, false);
  return object.get();
}

// The in-process object of class clsid, made on the first call and kept in object.
template <typename T>
T* createOnce(ComPtr<T>& object, REFCLSID clsid, REFIID iid) {
  if (!object) {
    ComPtr<T> created;
    comCall([&] { return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, created.putVoid()); });
    requireObject(created);
    object = std::move(created);
  }
  return object.get();
}

}  // namespace kestor::win
