#include "host/adapters/wmi_typed_value.h"

#include <cstdint>
#include <limits>

#include "host/adapters/com_call.h"
#include "host/adapters/wmi_ids.h"
#include "host/adapters/wmi_value.h"
#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/variant.h"

namespace kestor::win {

namespace {

WmiValue valueOf(const VARIANT& value, CIMTYPE type);

// The bounds of a one-dimensional array; WMI hands over no other kind.
void boundsOf(SAFEARRAY* array, LONG& lower, LONG& upper) {
  if (SafeArrayGetDim(array) != 1) throw Failure::typeMismatch();
  comCall([&] { return SafeArrayGetLBound(array, 1, &lower); });
  comCall([&] { return SafeArrayGetUBound(array, 1, &upper); });
}

// Element index of array as a variant of its own, which owns what it holds.
void elementOf(SAFEARRAY* array, VARTYPE type, LONG index, Variant& element) {
  VARIANT* slot = element.put();
  // Every member of the variant's union starts at one address; VT_VARIANT elements
  // are whole variants.
  void* target = type == VT_VARIANT ? static_cast<void*>(slot) : static_cast<void*>(&V_BSTR(slot));
  comCall([&] { return SafeArrayGetElement(array, &index, target); });
  if (type != VT_VARIANT) V_VT(slot) = type;
}

WmiValue arrayOf(const VARIANT& value, CIMTYPE elementType) {
  SAFEARRAY* array = V_ARRAY(&value);
  if (!array) return WmiValue::null();
  LONG lower = 0, upper = -1;
  boundsOf(array, lower, upper);
  const VARTYPE type = V_VT(&value) & VT_TYPEMASK;
  std::vector<WmiValue> elements;
  elements.reserve(upper >= lower ? static_cast<std::size_t>(upper - lower) + 1 : 0);
  for (LONG i = lower; i <= upper; ++i) {
    Variant element;
    elementOf(array, type, i, element);
    elements.push_back(valueOf(*element.get(), elementType));
  }
  return WmiValue::array(std::move(elements));
}

// WMI gives 64-bit integers as decimal text; one beyond the signed range stays text.
WmiValue integerOfText(Text text) {
  std::size_t i = text.size() > 0 && text[0] == u'-' ? 1 : 0;
  if (i == text.size() || text.size() - i > 19) return WmiValue::ofText(std::move(text));
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return WmiValue::ofText(std::move(text));
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - u'0');
  }
  const std::uint64_t largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (text[0] == u'-') {
    if (magnitude > largest + 1) return WmiValue::ofText(std::move(text));
    return WmiValue::ofInteger(static_cast<std::int64_t>(0 - magnitude));
  }
  if (magnitude > largest) return WmiValue::ofText(std::move(text));
  return WmiValue::ofInteger(static_cast<std::int64_t>(magnitude));
}

WmiValue objectOf(IUnknown* unknown) {
  if (!unknown) return WmiValue::null();
  ComPtr<IWbemClassObject> object;
  comCall([&] { return unknown->QueryInterface(wmi_ids::IID_IWbemClassObject, object.putVoid()); });
  std::vector<WmiMember> members;
  for (Text& name : propertyNamesOf(*requireObject(object))) {
    WmiValue value = typedPropertyOf(*object.get(), name);
    members.push_back({std::move(name), std::move(value)});
  }
  return WmiValue::object(std::move(members));
}

WmiValue valueOf(const VARIANT& value, CIMTYPE type) {
  const VARTYPE kind = V_VT(&value);
  if (kind == VT_NULL || kind == VT_EMPTY) return WmiValue::null();
  if ((kind & VT_ARRAY) != 0) return arrayOf(value, type & ~CIM_FLAG_ARRAY);
  switch (type & ~CIM_FLAG_ARRAY) {
    case CIM_DATETIME:
      if (kind == VT_BSTR) return WmiValue::ofDateTime(textOf(V_BSTR(&value)));
      break;
    case CIM_SINT64:
    case CIM_UINT64:
      if (kind == VT_BSTR) return integerOfText(textOf(V_BSTR(&value)));
      break;
    case CIM_REAL32:
    case CIM_REAL64: {
      Variant real;
      comCall([&] { return VariantChangeType(real.put(), const_cast<VARIANT*>(&value), 0, VT_R8); });
      return WmiValue::ofReal(V_R8(real.get()));
    }
    case CIM_CHAR16:
      if (kind == VT_I2 || kind == VT_UI2) return WmiValue::ofText(Text(1, static_cast<char16_t>(V_UI2(&value))));
      break;
    case CIM_OBJECT:
      if (kind == VT_UNKNOWN || kind == VT_DISPATCH) return objectOf(V_UNKNOWN(&value));
      break;
    default:
      break;
  }
  // Texts, Booleans and the smaller integers, as the report's values come.
  return wmiValueOf(value);
}

}  // namespace

std::vector<Text> propertyNamesOf(IWbemClassObject& object) {
  Variant names;
  SAFEARRAY* array = nullptr;
  comCall([&] { return object.GetNames(nullptr, WBEM_FLAG_ALWAYS | WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &array); });
  // The variant owns the array from here on.
  V_VT(names.put()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(names.get()) = array;
  std::vector<Text> result;
  if (!array) return result;
  LONG lower = 0, upper = -1;
  boundsOf(array, lower, upper);
  for (LONG i = lower; i <= upper; ++i) {
    Variant name;
    elementOf(array, VT_BSTR, i, name);
    result.push_back(textOf(V_BSTR(name.get())));
  }
  return result;
}

WmiValue typedPropertyOf(IWbemClassObject& object, const Text& name) {
  Variant value;
  CIMTYPE type = CIM_EMPTY;
  comCall([&] { return object.Get(wide(name), 0, value.put(), &type, nullptr); });
  return valueOf(*value.get(), type);
}

}  // namespace kestor::win
