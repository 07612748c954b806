#include "host/adapters/wmi_ids.h"
#include "host/adapters/wbem_connector.h"

#include <windows.h>
#include <wbemdisp.h>

#include <utility>

#include "host/com/bstr.h"
#include "host/adapters/com_call.h"
#include "host/com/com_ptr.h"
#include "host/com/variant.h"
#include "host/adapters/wmi_value.h"

namespace kestor::win {

namespace {

class WbemInstance : public WmiInstance {
 public:
  explicit WbemInstance(ComPtr<ISWbemObject> object) : object_(std::move(object)) {}

  // Properties_, then Item(name, 0), then Value: asked afresh on every read.
  WmiValue property(const Text& name) override {
    ComPtr<ISWbemPropertySet> properties;
    comCall([&] { return object_->get_Properties_(properties.put()); });
    const Bstr wanted(name);
    ComPtr<ISWbemProperty> property;
    comCall([&] { return requireObject(properties)->Item(wanted.get(), 0, property.put()); });
    Variant value;
    comCall([&] { return requireObject(property)->get_Value(value.put()); });
    return wmiValueOf(*value.get());
  }

  // The report never asks; the typed collection reads through the native interfaces
  // (WbemNativeConnector), since Wine's scripting layer cannot enumerate Properties_.
  std::vector<Text> propertyNames() override { throw comFailure(E_NOTIMPL, false); }

 private:
  ComPtr<ISWbemObject> object_;
};

class WbemObjectSet : public WmiObjectSet {
 public:
  explicit WbemObjectSet(ComPtr<ISWbemObjectSet> set) : set_(std::move(set)) {}

  std::unique_ptr<WmiInstance> next() override {
    if (finished_) return nullptr;
    // The enumerator is asked for on the first fetch, as a For Each over the set does,
    // so a query WMI rejects late fails here.
    if (!enumerator_) openEnumerator();
    Variant item;
    ULONG fetched = 0;
    comCall([&] { return enumerator_->Next(1, item.put(), &fetched); });
    if (fetched == 0) {
      finished_ = true;
      return nullptr;
    }
    return std::make_unique<WbemInstance>(instanceOf(*item.get()));
  }

 private:
  void openEnumerator() {
    ComPtr<IUnknown> newEnum;
    comCall([&] { return set_->get__NewEnum(newEnum.put()); });
    comCall([&] { return requireObject(newEnum)->QueryInterface(IID_IEnumVARIANT, enumerator_.putVoid()); });
    requireObject(enumerator_);
  }

  static ComPtr<ISWbemObject> instanceOf(const VARIANT& item) {
    IUnknown* unknown = nullptr;
    if (V_VT(&item) == VT_DISPATCH) unknown = V_DISPATCH(&item);
    if (V_VT(&item) == VT_UNKNOWN) unknown = V_UNKNOWN(&item);
    if (unknown == nullptr) throw Failure::typeMismatch();
    ComPtr<ISWbemObject> object;
    comCall([&] { return unknown->QueryInterface(wmi_ids::IID_ISWbemObject, object.putVoid()); });
    requireObject(object);
    return object;
  }

  ComPtr<ISWbemObjectSet> set_;
  ComPtr<IEnumVARIANT> enumerator_;
  bool finished_ = false;
};

class WbemService : public WmiService {
 public:
  explicit WbemService(ComPtr<ISWbemServices> services) : services_(std::move(services)) {}

  std::unique_ptr<WmiObjectSet> execQuery(const Text& query, const Text& language,
                                          std::int32_t flags) override {
    const Bstr queryText(query);
    const Bstr languageText(language);
    ComPtr<ISWbemObjectSet> set;
    comCall([&] {
      return services_->ExecQuery(queryText.get(), languageText.get(), static_cast<LONG>(flags), nullptr,
                                  set.put());
    });
    requireObject(set);
    return std::make_unique<WbemObjectSet>(std::move(set));
  }

 private:
  ComPtr<ISWbemServices> services_;
};

}  // namespace

std::unique_ptr<WmiService> WbemConnector::bind(const Text& computer, const Text& nameSpace) {
  ISWbemLocator* locator = createOnce(locator_, wmi_ids::CLSID_SWbemLocator, wmi_ids::IID_ISWbemLocator);
  const Bstr server(computer);
  const Bstr path(nameSpace);
  // No user, password, locale or authority: the caller's own identity, as a moniker
  // without them binds.
  ComPtr<ISWbemServices> services;
  comCall([&] {
    return locator->ConnectServer(server.get(), path.get(), nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                                  services.put());
  });
  requireObject(services);
  return std::make_unique<WbemService>(std::move(services));
}

}  // namespace kestor::win
