#pragma once
// The WMI port served by the platform's WMI scripting objects (wbemdisp). The
// objects a port object wraps live exactly as long as it does.
#include <memory>

#include "collect/wmi_client.h"

namespace kestor::win {

class WbemConnector : public WmiConnector {
 public:
  // Binds through the moniker named by displayName (normally winmgmts:\\.\root\CIMV2)
  // and insists on ISWbemServices; needs COM initialised on the calling thread.
  std::unique_ptr<WmiService> bind(const Text& displayName) override;
};

}  // namespace kestor::win
