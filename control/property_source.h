#pragma once
// Port: what a host hands over when it restores the object's persisted properties.
#include "common/text.h"

namespace kestor {

class PropertySource {
 public:
  virtual ~PropertySource() = default;
  // The value stored under key, converted to text; throws kestor::Failure when the
  // read fails or the value has no text form.
  virtual Text readText(const Text& key) = 0;
};

}  // namespace kestor
