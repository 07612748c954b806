#include "host/adapters/wmi_ids.h"
#include "host/adapters/platform_failure.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"

namespace kestor::win {

namespace {

// Message tables end their texts with a line break that belongs to the table's
// layout, not to the message.
Text withoutTrailingBreaks(Text text) {
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
  return text;
}

// Frees what FormatMessage allocated. LocalFree returns the block only when it could
// not free it; nothing else to do then.
struct LocalFreer {
  void operator()(wchar_t* block) const { static_cast<void>(LocalFree(block)); }
};

// The description the callee left in the thread's error object, if any.
Text errorObjectDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return Text();
  Bstr description;
  if (FAILED(info->GetDescription(description.put()))) return Text();
  return description.text();
}

}  // namespace

Text systemMessage(HRESULT code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  // Owned before the text is made: making it may throw std::bad_alloc.
  const std::unique_ptr<wchar_t, LocalFreer> owned(buffer);
  if (length == 0 || buffer == nullptr) return Text();
  return withoutTrailingBreaks(textOf(buffer, length));
}

Text wmiStatusText(HRESULT code) {
  ComPtr<IWbemStatusCodeText> texts;
  if (FAILED(CoCreateInstance(wmi_ids::CLSID_WbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                              wmi_ids::IID_IWbemStatusCodeText, texts.putVoid())) ||
      !texts) {
    return Text();
  }
  Bstr text;
  if (FAILED(texts->GetErrorCodeText(code, 0, 0, text.put()))) return Text();
  return withoutTrailingBreaks(text.text());
}

Failure comFailure(HRESULT code, bool errorInfoIsFresh) {
  const auto number = static_cast<std::int32_t>(code);
  if (errorInfoIsFresh) {
    Text description = errorObjectDescription();
    if (!description.empty()) return Failure(number, std::move(description));
  }
  // The system table does not know WMI's codes; WMI's status text knows both.
  Text description = wmiStatusText(code);
  if (!description.empty()) return Failure(number, std::move(description));
  return Failure(number, systemMessage(code));
}

Failure win32Failure(DWORD error) {
  const HRESULT code = HRESULT_FROM_WIN32(error);
  return Failure(static_cast<std::int32_t>(code), systemMessage(code));
}

}  // namespace kestor::win
