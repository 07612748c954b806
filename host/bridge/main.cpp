// kestor-host.exe: the native messaging host of the browser bridge. The browser starts
// it with a pipe on standard input and output; it serves the bridge's requests until
// standard input ends. With --policy it prints the administrator's list of allowed
// origins as it reads it, and exits.
#include <windows.h>
#include <objbase.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "bridge/core_session.h"
#include "bridge/server.h"
#include "host/adapters/wbem_native_connector.h"
#include "host/adapters/windows_platform.h"
#include "host/com/apartment.h"
#include "host/bridge/allowed_origins.h"
#include "host/bridge/host_version.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--policy") == 0) return kestor::host_bridge::printPolicy(stdout);
  // Frames are bytes: in text mode a length byte 0x1A would end the input and every
  // LF would go out as CR LF.
  if (_setmode(_fileno(stdin), _O_BINARY) == -1 || _setmode(_fileno(stdout), _O_BINARY) == -1) return 2;
  // WMI is reached through COM, from a single-threaded apartment as in a script host.
  const kestor::Apartment apartment;
  if (FAILED(apartment.status())) return 3;
  try {
    kestor::bridge::AllowList allowed(kestor::host_bridge::readAllowedOrigins());
    kestor::win::WindowsPlatform platform;
    kestor::win::WbemNativeConnector typedWmi;
    kestor::bridge::CoreSessionFactory factory(platform.platform(), typedWmi);
    kestor::bridge::Server server(factory, std::move(allowed), kestor::host_bridge::productVersion());
    kestor::bridge::FileSource in(stdin);
    kestor::bridge::FileSink out(stdout);
    server.run(in, out);
  } catch (...) {
    // Standard output is gone (the browser closed the pipe), or start-up failed.
    return 1;
  }
  return 0;
}
