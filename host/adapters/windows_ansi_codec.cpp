#include "host/adapters/windows_ansi_codec.h"

#include <windows.h>

#include <climits>
#include <string>

#include "host/adapters/platform_failure.h"
#include "host/com/bstr.h"

namespace kestor::win {

namespace {

// The conversion functions count in int.
int checkedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) throw Failure::overflow();
  return static_cast<int>(length);
}

// A code page that takes no default character (UTF-8 set as the system's ANSI code
// page) has no best fit either and refuses these arguments.
bool takesDefaultCharacter(UINT codePage) { return codePage != CP_UTF8; }

}  // namespace

std::string ansiOf(const wchar_t* units, std::size_t count) {
  // A zero length is an invalid argument to the platform, not an empty result.
  if (count == 0) return std::string();
  const int length = checkedLength(count);
  const bool noBestFit = takesDefaultCharacter(GetACP());
  const DWORD flags = noBestFit ? WC_NO_BEST_FIT_CHARS : 0;
  const char* defaultChar = noBestFit ? "?" : nullptr;
  const int size = WideCharToMultiByte(CP_ACP, flags, units, length, nullptr, 0, defaultChar, nullptr);
  if (size <= 0) throw win32Failure(GetLastError());
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const int written = WideCharToMultiByte(CP_ACP, flags, units, length, bytes.data(), size, defaultChar, nullptr);
  if (written <= 0) throw win32Failure(GetLastError());
  bytes.resize(static_cast<std::size_t>(written));
  return bytes;
}

std::string WindowsAnsiCodec::toAnsi(const Text& text) { return ansiOf(wide(text), text.size()); }

Text WindowsAnsiCodec::fromAnsi(const std::string& bytes) {
  if (bytes.empty()) return Text();
  const int count = checkedLength(bytes.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
  if (size <= 0) throw win32Failure(GetLastError());
  std::wstring units(static_cast<std::size_t>(size), L'\0');
  const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, units.data(), size);
  if (written <= 0) throw win32Failure(GetLastError());
  return textOf(units.data(), static_cast<std::size_t>(written));
}

}  // namespace kestor::win
