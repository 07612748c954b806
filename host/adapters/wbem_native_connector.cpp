#include "host/adapters/wbem_native_connector.h"

#include <utility>

#include "host/adapters/com_call.h"
#include "host/adapters/wmi_ids.h"
#include "host/adapters/wmi_typed_value.h"
#include "host/com/bstr.h"

namespace kestor::win {

namespace {

// A proxy to the WMI service calls with the caller's identity, as the scripting layer
// arranges for its own. An in-process object (Wine's) has no proxy to set: E_NOINTERFACE.
void impersonateThrough(IUnknown* proxy) {
  comCall([&] {
    const HRESULT hr = CoSetProxyBlanket(proxy, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                                         RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_DEFAULT);
    return hr == E_NOINTERFACE ? S_OK : hr;
  });
}

class NativeInstance : public WmiInstance {
 public:
  explicit NativeInstance(ComPtr<IWbemClassObject> object) : object_(std::move(object)) {}
  WmiValue property(const Text& name) override { return typedPropertyOf(*object_.get(), name); }
  std::vector<Text> propertyNames() override { return propertyNamesOf(*object_.get()); }

 private:
  ComPtr<IWbemClassObject> object_;
};

class NativeObjectSet : public WmiObjectSet {
 public:
  explicit NativeObjectSet(ComPtr<IEnumWbemClassObject> enumerator) : enumerator_(std::move(enumerator)) {}

  std::unique_ptr<WmiInstance> next() override {
    if (finished_) return nullptr;
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    comCall([&] { return enumerator_->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.put(), &returned); });
    if (returned == 0 || !object) {
      finished_ = true;
      return nullptr;
    }
    return std::make_unique<NativeInstance>(std::move(object));
  }

 private:
  ComPtr<IEnumWbemClassObject> enumerator_;
  bool finished_ = false;
};

class NativeService : public WmiService {
 public:
  explicit NativeService(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

  std::unique_ptr<WmiObjectSet> execQuery(const Text& query, const Text& language, std::int32_t flags) override {
    const Bstr languageText(language);
    const Bstr queryText(query);
    ComPtr<IEnumWbemClassObject> enumerator;
    comCall([&] {
      return services_->ExecQuery(languageText.get(), queryText.get(), static_cast<LONG>(flags), nullptr,
                                  enumerator.put());
    });
    impersonateThrough(requireObject(enumerator));
    return std::make_unique<NativeObjectSet>(std::move(enumerator));
  }

 private:
  ComPtr<IWbemServices> services_;
};

}  // namespace

std::unique_ptr<WmiService> WbemNativeConnector::bind(const Text& computer, const Text& nameSpace) {
  IWbemLocator* locator = createOnce(locator_, wmi_ids::CLSID_WbemLocator, wmi_ids::IID_IWbemLocator);
  const Bstr path(u"\\\\" + computer + u"\\" + nameSpace);
  ComPtr<IWbemServices> services;
  comCall([&] {
    return locator->ConnectServer(path.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
  });
  impersonateThrough(requireObject(services));
  return std::make_unique<NativeService>(std::move(services));
}

}  // namespace kestor::win
