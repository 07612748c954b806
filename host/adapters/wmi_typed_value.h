#pragma once
// What IWbemClassObject::Get hands over, with its CIM type, as the core's typed value.
#include <windows.h>
#include <wbemcli.h>

#include <vector>

#include "collect/wmi_client.h"

namespace kestor::win {

// The names of object's properties without the system ones, in WMI's order.
std::vector<Text> propertyNamesOf(IWbemClassObject& object);

// Get(name) as a typed value: date-times as DateTime, 64-bit integers (text in the
// variant) as integers while they fit in 64 signed bits, reals as Real, arrays with
// their elements, embedded objects with their properties. Fails when object has no
// property of that name or the read fails.
WmiValue typedPropertyOf(IWbemClassObject& object, const Text& name);

}  // namespace kestor::win
