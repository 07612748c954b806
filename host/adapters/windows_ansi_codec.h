#pragma once
// Conversion between text and the system's ANSI code page.
#include <cstddef>
#include <string>

#include "store/store_ports.h"

namespace kestor::win {

// The one conversion of text into the ANSI code page: no best-fit mapping (a best fit
// turns a full-width reverse solidus into a path separator), so every unit the code
// page cannot hold becomes its default character "?".
std::string ansiOf(const wchar_t* units, std::size_t count);

class WindowsAnsiCodec : public AnsiCodec {
 public:
  // ansiOf.
  std::string toAnsi(const Text& text) override;
  // The platform's conversion of the code page's bytes (CP_ACP).
  Text fromAnsi(const std::string& bytes) override;
};

}  // namespace kestor::win
