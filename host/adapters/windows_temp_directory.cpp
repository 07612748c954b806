#include "host/adapters/windows_temp_directory.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "host/adapters/windows_ansi_codec.h"

namespace kestor::win {

std::optional<std::string> WindowsTempDirectory::ansiPath() {
  // Looked up wide and converted here: GetTempPathA would convert with a best fit and
  // could name another folder than the one the user has.
  // Zeroed first: a path longer than the buffer leaves it unwritten, and then the
  // text before the first NUL is what there is.
  wchar_t buffer[512] = {};
  if (GetTempPathW(static_cast<DWORD>(std::size(buffer)), buffer) == 0) return std::nullopt;
  const wchar_t* end = std::find(std::begin(buffer), std::end(buffer), L'\0');
  return ansiOf(buffer, static_cast<std::size_t>(end - buffer));
}

}  // namespace kestor::win
