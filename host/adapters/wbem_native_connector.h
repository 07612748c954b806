#pragma once
// The WMI port served by WMI's native interfaces (IWbemServices, IWbemClassObject):
// what the typed collection reads through. Values come typed by their CIM type, and
// an instance names its properties (GetNames), which the scripting layer under Wine
// cannot; each read also skips the scripting layer's cost.
#include <windows.h>
#include <wbemcli.h>

#include <memory>

#include "collect/wmi_client.h"
#include "host/com/com_ptr.h"

namespace kestor::win {

class WbemNativeConnector : public WmiConnector {
 public:
  // Binds through the locator's ConnectServer to \\computer\nameSpace; needs COM
  // initialised on the calling thread. The locator is made on the first bind and kept.
  std::unique_ptr<WmiService> bind(const Text& computer, const Text& nameSpace) override;

 private:
  ComPtr<IWbemLocator> locator_;
};

}  // namespace kestor::win
