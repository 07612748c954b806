#pragma once
// kestor-host.exe started as a browser starts it: standard input and output are pipes,
// each message a 32-bit length and UTF-8 JSON.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "host/com/unique_handle.h"

namespace kestor::host_test {

using Json = nlohmann::json;

class HostProcess {
 public:
  explicit HostProcess(const wchar_t* exe);
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  void writeRaw(const std::string& bytes);
  void send(const std::string& body);
  // The next message, or nullopt when the output ends (also inside a message).
  std::optional<std::string> receive();

  // One request and its one reply.
  Json request(const Json& request);
  // A call's value, its chunks joined after checking their numbering; messages tells
  // how many arrived.
  std::string value(const Json& request, std::size_t* messages = nullptr);

  // Ends standard input, as the browser does when the page's port goes away; the
  // host's exit code, or STILL_ACTIVE when it did not end within the time.
  DWORD endInput(DWORD milliseconds);

  HANDLE process() const { return process_.get(); }

 private:
  UniqueHandle process_;
  UniqueHandle input_;   // our end of the host's standard input
  UniqueHandle output_;  // our end of the host's standard output
};

}  // namespace kestor::host_test
