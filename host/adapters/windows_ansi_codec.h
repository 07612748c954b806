#pragma once
// Conversion between text and the system's ANSI code page.
#include "store/store_ports.h"

namespace kestor::win {

class WindowsAnsiCodec : public AnsiCodec {
 public:
  // The platform's own conversion (CP_ACP, default flags): units the code page cannot
  // hold become its default character, after any best-fit mapping it applies.
  std::string toAnsi(const Text& text) override;
  Text fromAnsi(const std::string& bytes) override;
};

}  // namespace kestor::win
