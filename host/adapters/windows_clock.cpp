#include "host/adapters/windows_clock.h"

#include <windows.h>

#include <string>

#include "host/adapters/platform_failure.h"
#include "host/com/bstr.h"

namespace kestor::win {

namespace {

// Both format functions share this shape: asked once for the size, once to write.
using Formatter = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

Text regionalText(Formatter format, DWORD flags) {
  // One reading of the clock for both calls, so the size asked for fits what is written.
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int size = format(LOCALE_USER_DEFAULT, flags, &now, nullptr, nullptr, 0);
  if (size <= 0) throw win32Failure(GetLastError());
  std::wstring buffer(static_cast<std::size_t>(size), L'\0');
  const int written = format(LOCALE_USER_DEFAULT, flags, &now, nullptr, buffer.data(), size);
  if (written <= 0) throw win32Failure(GetLastError());
  // The count includes the terminating NUL.
  return textOf(buffer.data(), static_cast<std::size_t>(written - 1));
}

}  // namespace

LocalDate WindowsClock::localDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalDate{now.wDay, now.wMonth, now.wYear};
}

float WindowsClock::secondsSinceMidnight() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
  return static_cast<float>(seconds);
}

Text WindowsClock::regionalDateText() { return regionalText(GetDateFormatW, DATE_SHORTDATE); }

Text WindowsClock::regionalTimeText() { return regionalText(GetTimeFormatW, 0); }

}  // namespace kestor::win
