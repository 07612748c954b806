#include "host/adapters/windows_ansi_codec.h"

#include <windows.h>

#include <climits>
#include <new>
#include <string>
#include <utility>

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

// Every conversion from the code page goes through here, with one set of flags.
// units null: the number of units needed.
int unitsFromAnsi(const std::string& bytes, wchar_t* units, int capacity) {
  const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), checkedLength(bytes.size()), units, capacity);
  if (written <= 0) throw win32Failure(GetLastError());
  return written;
}

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
  // Straight into the text (the units are the same size): a report read back is not
  // held twice.
  Text text(static_cast<std::size_t>(unitsFromAnsi(bytes, nullptr, 0)), u'\0');
  const int written = unitsFromAnsi(bytes, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(written));
  return text;
}

Bstr bstrFromAnsi(const std::string& bytes) {
  if (bytes.empty()) return Bstr(L"");
  const int size = unitsFromAnsi(bytes, nullptr, 0);
  Bstr text;
  text.adopt(SysAllocStringLen(nullptr, static_cast<UINT>(size)));
  if (!text.get()) throw std::bad_alloc();
  // The same bytes convert to the same units: anything else is a failed conversion,
  // not a report with a gap.
  if (unitsFromAnsi(bytes, text.get(), size) != size) throw win32Failure(ERROR_INVALID_DATA);
  return text;
}

Bstr BstrReportSink::take() {
  if (!text_.get()) return Bstr(L"");
  return std::move(text_);
}

}  // namespace kestor::win
