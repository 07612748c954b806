#pragma once
// New GUIDs from the platform's generator.
#include "store/store_ports.h"

namespace kestor::win {

class WindowsGuidSource : public GuidSource {
 public:
  // CoCreateGuid's status, 0 on success; the record gets whatever the call left.
  std::int32_t createGuid(Guid& guid) override;
};

}  // namespace kestor::win
