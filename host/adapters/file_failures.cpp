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
