#include "host/adapters/windows_file_system.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "host/adapters/file_failures.h"
#include "host/adapters/platform_failure.h"
#include "host/com/unique_handle.h"
#include "host/com/bstr.h"

namespace kestor::win {

namespace {

// Transfers go in pieces a DWORD can count.
constexpr std::size_t kMaxTransfer = 1u << 30;

// The handle both kinds of file share; a failed close still gives the handle up.
class OpenFile {
 public:
  explicit OpenFile(UniqueHandle handle) : handle_(std::move(handle)) {}

  HANDLE handle() const {
    if (!handle_.valid()) throw closedFileFailure();
    return handle_.get();
  }
  void close() {
    if (!handle_.valid()) throw closedFileFailure();
    if (!handle_.close()) throw fileFailure(GetLastError());
  }
  // For the paths that cannot report anything.
  bool isOpen() const noexcept { return handle_.valid(); }
  HANDLE rawHandle() const noexcept { return handle_.get(); }
  void closeQuietly() noexcept {
    if (handle_.valid()) static_cast<void>(handle_.close());
  }

 private:
  UniqueHandle handle_;
};

class Win32WritableFile : public WritableFile {
 public:
  Win32WritableFile(UniqueHandle handle, Text path) : file_(std::move(handle)), path_(std::move(path)) {}

  void write(const std::string& bytes) override {
    const HANDLE handle = file_.handle();
    std::size_t done = 0;
    while (done < bytes.size()) {
      const auto piece = static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
      DWORD written = 0;
      if (!WriteFile(handle, bytes.data() + done, piece, &written, nullptr)) throw fileFailure(GetLastError());
      // A write that moves nothing would loop forever.
      if (written == 0) throw fileFailure(ERROR_WRITE_FAULT);
      done += written;
    }
  }
  void close() override { file_.close(); }

  void discard() noexcept override {
    // Marked through the handle while it is open, so that exactly the file created here
    // goes, whatever its path names by then; by path once a failed close gave it up.
    if (file_.isOpen()) {
      FILE_DISPOSITION_INFO dispose = {TRUE};
      const BOOL marked =
          SetFileInformationByHandle(file_.rawHandle(), FileDispositionInfo, &dispose, sizeof dispose);
      file_.closeQuietly();
      if (marked) return;
    }
    static_cast<void>(DeleteFileW(wide(path_)));
  }

 private:
  OpenFile file_;
  Text path_;
};

class Win32ReadableFile : public ReadableFile {
 public:
  explicit Win32ReadableFile(UniqueHandle handle) : file_(std::move(handle)) {}

  std::uint64_t length() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.handle(), &size)) throw fileFailure(GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::string read(std::uint64_t byteCount) override {
    const HANDLE handle = file_.handle();
    if (byteCount > std::numeric_limits<std::size_t>::max() / 2) throw Failure::outOfMemory();
    std::string bytes(static_cast<std::size_t>(byteCount), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const auto piece = static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
      DWORD got = 0;
      if (!ReadFile(handle, bytes.data() + done, piece, &got, nullptr)) throw fileFailure(GetLastError());
      if (got == 0) throw pastEndFailure();
      done += got;
    }
    return bytes;
  }

  void rewind() override {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file_.handle(), start, nullptr, FILE_BEGIN)) throw fileFailure(GetLastError());
  }

  void close() override { file_.close(); }

 private:
  OpenFile file_;
};

// Report files are disk files. A path that opens a device (NUL, a console, a pipe)
// would swallow a report while its id is handed out, or feed a read from no file.
void requireDiskFile(const UniqueHandle& handle) {
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) throw fileFailure(ERROR_BAD_FILE_TYPE);
}

}  // namespace

std::unique_ptr<WritableFile> WindowsFileSystem::createNew(const Text& path) {
  // DELETE: a failed store removes the file through this handle (discard).
  UniqueHandle handle(CreateFileW(wide(path), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) throw fileFailure(GetLastError());
  requireDiskFile(handle);
  return std::make_unique<Win32WritableFile>(std::move(handle), path);
}

std::unique_ptr<ReadableFile> WindowsFileSystem::openForInput(const Text& path) {
  UniqueHandle handle(CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) throw inputOpenFailure(GetLastError());
  requireDiskFile(handle);
  return std::make_unique<Win32ReadableFile>(std::move(handle));
}

}  // namespace kestor::win
