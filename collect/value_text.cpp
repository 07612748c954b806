#include "collect/value_text.h"

#include "common/failure.h"

namespace kestor {

Text valueText(WmiValue value) {
  switch (value.kind) {
    case WmiValue::Kind::Text:
    case WmiValue::Kind::DateTime:  // WMI's own form, as the scripting layer gives it
      return std::move(value.text);
    case WmiValue::Kind::Integer:
      return decimalText(value.integer);
    case WmiValue::Kind::Boolean:
      return value.boolean ? u"True" : u"False";
    case WmiValue::Kind::Null:
    case WmiValue::Kind::Real:  // the report's adapter hands reals over as text
    case WmiValue::Kind::Array:
    case WmiValue::Kind::Object:
      break;
  }
  throw Failure::typeMismatch();
}

}  // namespace kestor
