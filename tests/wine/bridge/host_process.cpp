#include "tests/wine/bridge/host_process.h"

#include <stdexcept>
#include <vector>

namespace kestor::host_test {

namespace {

void require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed, error " + std::to_string(GetLastError()));
}

// A pipe whose one end the child inherits.
void makePipe(UniqueHandle& childEnd, UniqueHandle& ourEnd, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  require(CreatePipe(&read, &write, &inherit, 0) != 0, "CreatePipe");
  childEnd = UniqueHandle(childReads ? read : write);
  ourEnd = UniqueHandle(childReads ? write : read);
  require(SetHandleInformation(ourEnd.get(), HANDLE_FLAG_INHERIT, 0) != 0, "SetHandleInformation");
}

bool readFully(HANDLE pipe, char* buffer, std::size_t size) {
  while (size > 0) {
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, static_cast<DWORD>(size), &got, nullptr) || got == 0) return false;
    buffer += got;
    size -= got;
  }
  return true;
}

}  // namespace

HostProcess::HostProcess(const wchar_t* exe) {
  UniqueHandle childInput, childOutput;
  makePipe(childInput, input_, true);
  makePipe(childOutput, output_, false);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput.get();
  startup.hStdOutput = childOutput.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
  PROCESS_INFORMATION started{};
  require(CreateProcessW(exe, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started) != 0,
          "CreateProcessW");
  CloseHandle(started.hThread);
  process_ = UniqueHandle(started.hProcess);
}

HostProcess::~HostProcess() {
  if (endInput(10000) == STILL_ACTIVE) TerminateProcess(process_.get(), 1);
}

void HostProcess::writeRaw(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    require(WriteFile(input_.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote, nullptr) != 0,
            "WriteFile");
    done += wrote;
  }
}

void HostProcess::send(const std::string& body) {
  const auto length = static_cast<std::uint32_t>(body.size());
  writeRaw(std::string(reinterpret_cast<const char*>(&length), sizeof length) + body);
}

std::optional<std::string> HostProcess::receive() {
  std::uint32_t length = 0;
  if (!readFully(output_.get(), reinterpret_cast<char*>(&length), sizeof length)) return std::nullopt;
  std::string body(length, '\0');
  if (!readFully(output_.get(), body.data(), length)) return std::nullopt;
  return body;
}

Json HostProcess::request(const Json& request) {
  send(request.dump());
  const std::optional<std::string> reply = receive();
  if (!reply) throw std::runtime_error("no reply to " + request.dump());
  return Json::parse(*reply);
}

std::string HostProcess::value(const Json& request, std::size_t* messages) {
  Json reply = this->request(request);
  if (reply["ok"] != true) throw std::runtime_error("failed: " + reply.dump());
  std::string value = reply["value"];
  const std::size_t parts = reply.value("parts", std::size_t{1});
  for (std::size_t part = 1; part < parts; ++part) {
    const std::optional<std::string> next = receive();
    if (!next) throw std::runtime_error("chunk missing");
    if (next->size() > 1024 * 1024) throw std::runtime_error("chunk above the message limit");
    reply = Json::parse(*next);
    if (reply["part"] != part || reply["parts"] != parts || reply["id"] != request["id"]) {
      throw std::runtime_error("chunk out of order: " + reply.dump().substr(0, 200));
    }
    value += reply["value"].get<std::string>();
  }
  if (messages) *messages = parts;
  return value;
}

DWORD HostProcess::endInput(DWORD milliseconds) {
  if (input_.valid()) input_.close();
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0) GetExitCodeProcess(process_.get(), &code);
  return code;
}

}  // namespace kestor::host_test
