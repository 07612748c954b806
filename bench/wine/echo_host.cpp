// A native messaging host that speaks just enough of the bridge protocol to measure
// the browser, the extension and Wine's pipes without Kestor itself: `open` gives
// session 1, `close` succeeds, `call` of GetData answers the bytes of the file whose
// Windows path is its argument (cut into the same parts as the real host's replies),
// and any other member answers its own name. It trusts its input: a benchmark tool.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMessageLimit = 1048576;  // the browsers' limit for one message

HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);

bool readAll(void* buffer, DWORD size) {
  auto* at = static_cast<char*>(buffer);
  while (size > 0) {
    DWORD got = 0;
    if (!ReadFile(in, at, size, &got, nullptr) || got == 0) return false;
    at += got;
    size -= got;
  }
  return true;
}

void writeMessage(const std::string& json) {
  auto length = static_cast<DWORD>(json.size());
  std::string framed(reinterpret_cast<const char*>(&length), sizeof length);
  framed += json;
  const char* at = framed.data();
  DWORD left = static_cast<DWORD>(framed.size());
  while (left > 0) {
    DWORD put = 0;
    if (!WriteFile(out, at, left, &put, nullptr) || put == 0) std::exit(1);
    at += put;
    left -= put;
  }
}

// The text after "name": in a request, as a number or an unescaped string.
std::string field(const std::string& json, const char* name) {
  std::string key = std::string("\"") + name + "\":";
  std::size_t at = json.find(key);
  if (at == std::string::npos) return {};
  at += key.size();
  while (at < json.size() && json[at] == ' ') ++at;
  if (at < json.size() && json[at] == '[') ++at;
  std::string value;
  if (at < json.size() && json[at] == '"') {
    for (++at; at < json.size() && json[at] != '"'; ++at) {
      if (json[at] == '\\' && at + 1 < json.size()) ++at;
      value += json[at];
    }
    return value;
  }
  while (at < json.size() && json[at] != ',' && json[at] != '}') value += json[at++];
  return value;
}

void escape(const std::string& text, std::size_t from, std::size_t to, std::string& into) {
  static const char hex[] = "0123456789abcdef";
  for (std::size_t i = from; i < to; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') { into += '\\'; into += static_cast<char>(c); }
    else if (c == '\r') into += "\\r";
    else if (c == '\n') into += "\\n";
    else if (c < 0x20) { into += "\\u00"; into += hex[c >> 4]; into += hex[c & 15]; }
    else into += static_cast<char>(c);
  }
}

std::size_t escapedSize(unsigned char c) {
  if (c == '"' || c == '\\' || c == '\r' || c == '\n') return 2;
  return c < 0x20 ? 6 : 1;
}

// Sends a value whole when it fits one message, else in parts cut between code points.
void sendValue(const std::string& id, const std::string& value) {
  const std::size_t budget = kMessageLimit - 96;  // room for the part's other fields
  std::vector<std::size_t> cuts{0};
  std::size_t size = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::size_t grows = escapedSize(static_cast<unsigned char>(value[i]));
    bool starts = (static_cast<unsigned char>(value[i]) & 0xC0) != 0x80;
    if (starts && size + grows + 8 > budget) { cuts.push_back(i); size = 0; }  // 8: a whole code point
    size += grows;
  }
  cuts.push_back(value.size());
  std::size_t parts = cuts.size() - 1;
  for (std::size_t p = 0; p < parts; ++p) {
    std::string json = "{\"id\":" + id + ",\"ok\":true,";
    if (parts > 1) json += "\"part\":" + std::to_string(p) + ",\"parts\":" + std::to_string(parts) + ",";
    json += "\"value\":\"";
    escape(value, cuts[p], cuts[p + 1], json);
    json += "\"}";
    writeMessage(json);
  }
}

std::string fileText(const std::string& path) {
  std::string text;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

}  // namespace

int main() {
  for (;;) {
    DWORD length = 0;
    if (!readAll(&length, sizeof length)) return 0;
    std::string request(length, '\0');
    if (length > 0 && !readAll(&request[0], length)) return 0;
    std::string id = field(request, "id"), op = field(request, "op");
    if (op == "open") {
      writeMessage("{\"id\":" + id + ",\"ok\":true,\"session\":1}");
    } else if (op == "call") {
      std::string member = field(request, "member");
      sendValue(id, member == "GetData" ? fileText(field(request, "args")) : member);
    } else {
      writeMessage("{\"id\":" + id + ",\"ok\":true}");
    }
  }
}
