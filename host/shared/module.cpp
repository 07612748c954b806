#include "host/shared/module.h"

namespace kestor::server {

namespace module {

namespace {

// Objects and locks live in several apartments at once: interlocked counts.
LONG objects = 0;
LONG locks = 0;

// The longest path the platform's wide functions accept.
constexpr std::size_t kLongestPath = 32768;

// The module this code is linked into.
HMODULE handle() {
  // Found from an address inside the module: nothing has to keep it.
  HMODULE self = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&handle), &self)) return nullptr;
  return self;
}

}  // namespace

void objectCreated() { InterlockedIncrement(&objects); }
void objectDestroyed() { InterlockedDecrement(&objects); }
void lock() { InterlockedIncrement(&locks); }
void unlock() { InterlockedDecrement(&locks); }

bool canUnload() {
  // Interlocked reads: a plain read could be torn or reordered on other CPUs.
  return InterlockedCompareExchange(&objects, 0, 0) == 0 &&
         InterlockedCompareExchange(&locks, 0, 0) == 0;
}

std::wstring path() {
  HMODULE self = handle();
  if (!self) return std::wstring();
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(self, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    // A full buffer may mean a truncated path: try again with a larger one.
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= kLongestPath) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace module

}  // namespace kestor::server

