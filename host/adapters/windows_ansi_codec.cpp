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

}  // namespace

std::string WindowsAnsiCodec::toAnsi(const Text& text) {
  // A zero length is an invalid argument to the platform, not an empty result.
  if (text.empty()) return std::string();
  const int units = checkedLength(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide(text), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throw win32Failure(GetLastError());
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, wide(text), units, bytes.data(), size, nullptr, nullptr);
  if (written <= 0) throw win32Failure(GetLastError());
  bytes.resize(static_cast<std::size_t>(written));
  return bytes;
}

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
