#include "host/adapters/windows_temp_directory.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace kestor::win {

std::optional<std::string> WindowsTempDirectory::ansiPath() {
  // Zeroed first: a path longer than the buffer leaves it unwritten, and then the
  // text before the first NUL is what there is.
  char buffer[512] = {};
  if (GetTempPathA(sizeof buffer, buffer) == 0) return std::nullopt;
  const char* end = std::find(std::begin(buffer), std::end(buffer), '\0');
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

}  // namespace kestor::win
