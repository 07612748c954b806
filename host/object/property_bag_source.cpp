#include "host/object/property_bag_source.h"

#include "common/failure.h"
#include "host/com/bstr.h"
#include "host/com/variant.h"

namespace kestor::server {

PropertyBagSource::PropertyBagSource(IPropertyBag* bag, IErrorLog* errorLog)
    : bag_(bag), errorLog_(errorLog) {}

Text PropertyBagSource::readText(const Text& key) {
  Variant value;
  HRESULT hr = bag_->Read(reinterpret_cast<LPCOLESTR>(key.c_str()), value.get(), errorLog_);
  // The status itself is the failure number: negative, so it reaches the host as is.
  if (FAILED(hr)) throw Failure(hr, Text());
  // A read that succeeds without a value leaves the variant empty: the empty text.
  // A null value has no text form and fails the load.
  Variant text;
  hr = VariantChangeType(text.get(), value.get(), 0, VT_BSTR);
  if (FAILED(hr)) throw Failure(hr, Text());
  return textOf(V_BSTR(text.get()));
}

}  // namespace kestor::server
