#pragma once
// The class factory of SysKestor: one instance for the whole module.
#include <windows.h>
#include <unknwn.h>

namespace kestor::server {

class SysKestorFactory final : public IClassFactory {
 public:
  // The module's factory. References to it do not keep the module loaded; only
  // LockServer does, as the COM rules for DllCanUnloadNow have it.
  static SysKestorFactory& instance();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  SysKestorFactory() = default;
};

}  // namespace kestor::server
