#include "host/adapters/file_failures.h"

#include "host/adapters/platform_failure.h"

namespace kestor::win {

Failure fileFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return Failure::fileNotFound();
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Failure::fileAlreadyExists();
    case ERROR_PATH_NOT_FOUND:
      return Failure(76, u"Path not found");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return Failure(75, u"Path/File access error");
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return Failure(52, u"Bad file name or number");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Failure(61, u"Disk full");
    case ERROR_NOT_READY:
      return Failure(71, u"Disk not ready");
    default:
      return win32Failure(error);
  }
}

Failure inputOpenFailure(DWORD error) {
  if (error == ERROR_PATH_NOT_FOUND) return Failure::fileNotFound();
  return fileFailure(error);
}

Failure closedFileFailure() { return Failure(52, u"Bad file name or number"); }

Failure pastEndFailure() { return Failure(62, u"Input past end of file"); }

}  // namespace kestor::win
