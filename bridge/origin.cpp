#include "bridge/origin.h"

#include <string_view>

#include "bridge/policy_entry.h"

namespace kestor::bridge {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A serialized port: digits without a leading zero, 1 to 65535, and never the scheme's
// default, which browsers leave out.
bool isPort(std::string_view port, std::string_view defaultPort) {
  if (port.empty() || port.size() > 5 || port[0] == '0' || port == defaultPort) return false;
  unsigned value = 0;
  for (char c : port) {
    if (!isDigit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value <= 65535;
}

// A host name as browsers serialize it: lower-case ASCII labels (internationalized
// names arrive in their xn-- form) separated by single dots.
bool isHostName(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  std::size_t label = 0;
  for (char c : host) {
    if (c == '.') {
      if (label == 0) return false;
      label = 0;
    } else if ((c >= 'a' && c <= 'z') || isDigit(c) || c == '-') {
      if (++label > 63) return false;
    } else {
      return false;
    }
  }
  return label != 0;
}

// A bracketed IPv6 address, in lower-case hex.
bool isIpv6Host(std::string_view host) {
  if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
  for (char c : host.substr(1, host.size() - 2)) {
    if (!isDigit(c) && !(c >= 'a' && c <= 'f') && c != ':' && c != '.') return false;
  }
  return true;
}

// Splits "host[:port]"; an IPv6 host keeps its brackets.
void splitHostPort(std::string_view rest, std::string_view& host, std::string_view& port, bool& hasPort) {
  const std::size_t searchFrom = rest.empty() || rest[0] != '[' ? 0 : rest.find(']');
  const std::size_t colon = searchFrom == std::string_view::npos ? std::string_view::npos : rest.find(':', searchFrom);
  hasPort = colon != std::string_view::npos;
  host = rest.substr(0, colon);
  port = hasPort ? rest.substr(colon + 1) : std::string_view();
}

}  // namespace

bool isServableOrigin(const std::string& origin) {
  std::string_view rest = origin;
  const bool https = startsWith(rest, "https://");
  if (!https && !startsWith(rest, "http://")) return false;
  rest.remove_prefix(https ? 8 : 7);
  std::string_view host, port;
  bool hasPort = false;
  splitHostPort(rest, host, port, hasPort);
  if (hasPort && !isPort(port, https ? "443" : "80")) return false;
  if (!https) return host == "127.0.0.1" || host == "localhost";
  return isHostName(host) || isIpv6Host(host);
}

AllowList::AllowList(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    PolicyEntry read = readPolicyEntry(entry);
    if (!read.origin.empty()) origins_.insert(std::move(read.origin));
  }
}

}  // namespace kestor::bridge
