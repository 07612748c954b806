#pragma once
// The host's property bag as the core's source of persisted properties.
#include <windows.h>
#include <ocidl.h>

#include "control/property_source.h"
#include "host/com/com_ptr.h"

namespace kestor::server {

class PropertyBagSource final : public PropertySource {
 public:
  // Holds its own reference to bag for as long as it lives.
  PropertyBagSource(IPropertyBag* bag, IErrorLog* errorLog);

  // Reads key with no default (an empty variant) and converts the value to text.
  // Throws a Failure carrying the HRESULT of the read or of the conversion.
  Text readText(const Text& key) override;

 private:
  ComPtr<IPropertyBag> bag_;
  IErrorLog* errorLog_;
};

}  // namespace kestor::server
