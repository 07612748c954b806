#pragma once
// The WMI port served by the platform's WMI scripting objects (wbemdisp). The
// objects a port object wraps live exactly as long as it does.
#include <wbemdisp.h>

#include <memory>

#include "collect/wmi_client.h"
#include "host/com/com_ptr.h"

namespace kestor::win {

class WbemConnector : public WmiConnector {
 public:
  // Binds through the scripting locator's ConnectServer and insists on
  // ISWbemServices; needs COM initialised on the calling thread. The locator is made
  // on the first bind and kept: it holds no connection, and parsing a moniker instead
  // costs milliseconds per bind and starts a surrogate process that never ends.
  std::unique_ptr<WmiService> bind(const Text& computer, const Text& nameSpace) override;

 private:
  ComPtr<ISWbemLocator> locator_;
};

}  // namespace kestor::win
