#pragma once
// Conversion between text and the system's ANSI code page.
#include <string>

#include "host/com/bstr.h"
#include "store/store_ports.h"

namespace kestor::win {

class WindowsAnsiCodec : public AnsiCodec {
 public:
  // The platform's own conversion (CP_ACP, default flags): units the code page cannot
  // hold become its default character, after any best-fit mapping it applies.
  std::string toAnsi(const Text& text) override;
  Text fromAnsi(const std::string& bytes) override;
};

// bytes converted straight into a new BSTR, sized by one conversion call and filled by
// a second: a report read back is never held as text in between. Empty bytes give an
// empty (not a null) string.
Bstr bstrFromAnsi(const std::string& bytes);

// Gives a report read back to the caller as a BSTR.
class BstrReportSink : public ReportSink {
 public:
  void takeAnsi(const std::string& bytes) override { text_ = bstrFromAnsi(bytes); }
  // What was taken, or an empty string when nothing was.
  Bstr take();

 private:
  Bstr text_;
};

}  // namespace kestor::win
