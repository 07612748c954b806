#include "host/adapters/wmi_value.h"

#include <cstdint>
#include <limits>
#include <string>

#include "host/com/bstr.h"
#include "host/adapters/com_call.h"
#include "host/com/variant.h"

namespace kestor::win {

namespace {

// mingw-w64 declares the source of these conversions non-const; they only read it.
VARIANT* sourceOf(const VARIANT& value) { return const_cast<VARIANT*>(&value); }

Text textInUserLocale(const VARIANT& value) {
  Variant converted;
  comCall([&] {
    return VariantChangeTypeEx(converted.put(), sourceOf(value), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  });
  const BSTR text = V_BSTR(converted.get());
  return textOf(text, SysStringLen(text));
}

WmiValue unsignedValue(std::uint64_t number) {
  if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return WmiValue::ofInteger(static_cast<std::int64_t>(number));
  }
  return WmiValue::ofText(widen(std::to_string(number)));
}

}  // namespace

WmiValue wmiValueOf(const VARIANT& value) {
  const VARTYPE type = V_VT(&value);
  if ((type & VT_BYREF) != 0) {
    Variant direct;
    comCall([&] { return VariantCopyInd(direct.put(), sourceOf(value)); });
    return wmiValueOf(*direct.get());
  }
  if ((type & VT_ARRAY) != 0) return WmiValue::array();

  switch (type) {
    case VT_NULL:
      return WmiValue::null();
    case VT_EMPTY:
      return WmiValue::ofText(Text());
    case VT_BSTR:
      return WmiValue::ofText(textOf(V_BSTR(&value), SysStringLen(V_BSTR(&value))));
    case VT_BOOL:
      return WmiValue::ofBoolean(V_BOOL(&value) != VARIANT_FALSE);
    case VT_I1:
      // CHAR's signedness is the compiler's; the variant kind says signed.
      return WmiValue::ofInteger(static_cast<signed char>(V_I1(&value)));
    case VT_I2:
      return WmiValue::ofInteger(V_I2(&value));
    case VT_I4:
      return WmiValue::ofInteger(V_I4(&value));
    case VT_INT:
      return WmiValue::ofInteger(V_INT(&value));
    case VT_I8:
      return WmiValue::ofInteger(V_I8(&value));
    case VT_UI1:
      return WmiValue::ofInteger(V_UI1(&value));
    case VT_UI2:
      return WmiValue::ofInteger(V_UI2(&value));
    case VT_UI4:
      return WmiValue::ofInteger(V_UI4(&value));
    case VT_UINT:
      return WmiValue::ofInteger(V_UINT(&value));
    case VT_UI8:
      return unsignedValue(V_UI8(&value));
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return WmiValue::object();
    default:
      // VT_R4, VT_R8, VT_CY, VT_DECIMAL, VT_DATE and anything rarer.
      return WmiValue::ofText(textInUserLocale(value));
  }
}

}  // namespace kestor::win
