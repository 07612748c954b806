#pragma once
// Report files through Win32 file handles.
#include "store/store_ports.h"

namespace kestor::win {

class WindowsFileSystem : public FileSystem {
 public:
  // CREATE_NEW, write and delete access, no sharing while the file is open.
  std::unique_ptr<WritableFile> createNew(const Text& path) override;
  // OPEN_EXISTING, read access, others may read too. A directory cannot be opened
  // this way and fails like any access problem (75).
  std::unique_ptr<ReadableFile> openForInput(const Text& path) override;
};

}  // namespace kestor::win
