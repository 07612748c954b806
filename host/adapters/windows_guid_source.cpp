#include "host/adapters/windows_guid_source.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace kestor::win {

std::int32_t WindowsGuidSource::createGuid(Guid& guid) {
  GUID created{};
  const HRESULT status = CoCreateGuid(&created);
  guid.data1 = created.Data1;
  guid.data2 = created.Data2;
  guid.data3 = created.Data3;
  std::copy(std::begin(created.Data4), std::end(created.Data4), std::begin(guid.data4));
  return static_cast<std::int32_t>(status);
}

}  // namespace kestor::win
