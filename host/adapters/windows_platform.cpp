#include "host/adapters/windows_platform.h"

#include "host/adapters/wbem_connector.h"
#include "host/adapters/windows_ansi_codec.h"
#include "host/adapters/windows_clock.h"
#include "host/adapters/windows_file_system.h"
#include "host/adapters/windows_guid_source.h"
#include "host/adapters/windows_temp_directory.h"

namespace kestor::win {

struct WindowsPlatform::Adapters {
  WbemConnector wmi;
  WindowsClock clock;
  WindowsGuidSource guids;
  WindowsTempDirectory tempDirectory;
  WindowsFileSystem files;
  WindowsAnsiCodec ansi;
};

WindowsPlatform::WindowsPlatform() : adapters_(std::make_unique<Adapters>()) {}

WindowsPlatform::~WindowsPlatform() = default;

Platform WindowsPlatform::platform() {
  Adapters& a = *adapters_;
  return Platform{a.wmi, a.clock, a.guids, a.tempDirectory, a.files, a.ansi};
}

}  // namespace kestor::win
