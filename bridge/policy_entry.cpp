#include "bridge/policy_entry.h"

#include "bridge/origin.h"

namespace kestor::bridge {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = asciiLower(c);
  return out;
}

PolicyEntry dropped(const char* why) { return {std::string(), why}; }

}  // namespace

PolicyEntry readPolicyEntry(std::string_view text) {
  const std::size_t separator = text.find("://");
  if (separator == std::string_view::npos) return dropped("not an origin (scheme://host[:port])");
  const std::string scheme = lowered(text.substr(0, separator));
  if (scheme != "https" && scheme != "http") return dropped("not https, nor http on 127.0.0.1 or localhost");
  std::string_view rest = text.substr(separator + 3);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  if (rest.find('*') != std::string_view::npos) return dropped("a wildcard: list each origin");
  if (rest.find_first_of("/?#") != std::string_view::npos) return dropped("a path: an origin ends after the host and port");
  if (rest.find('@') != std::string_view::npos) return dropped("a user name: an origin is scheme://host[:port]");
  for (char c : rest) {
    if (static_cast<unsigned char>(c) >= 0x80) return dropped("a host that is not ASCII: write its xn-- form");
  }
  // The port follows the last colon after an IPv6 host's brackets.
  const std::size_t bracket = rest.rfind(']');
  const std::size_t colon = rest.find(':', bracket == std::string_view::npos ? 0 : bracket);
  std::string origin = scheme + "://" + lowered(rest.substr(0, colon));
  if (colon != std::string_view::npos) {
    const std::string_view port = rest.substr(colon + 1);
    if (port != (scheme == "https" ? "443" : "80")) origin += ":" + std::string(port);
  }
  if (!isServableOrigin(origin)) {
    return dropped(scheme == "http" ? "http only on 127.0.0.1 or localhost" : "not a valid host name or port");
  }
  const bool asWritten = origin == text;
  return {std::move(origin), asWritten ? nullptr : "normalised"};
}

}  // namespace kestor::bridge
