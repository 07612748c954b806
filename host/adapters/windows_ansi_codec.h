#pragma once
// Conversion between text and the system's ANSI code page.
#include <cstddef>
#include <string>

#include "host/com/bstr.h"
#include "store/store_ports.h"

namespace kestor::win {

// The one conversion of text into the ANSI code page: no best-fit mapping (a best fit
// turns a full-width reverse solidus into a path separator), so every unit the code
// page cannot hold becomes its default character "?".
std::string ansiOf(const wchar_t* units, std::size_t count);

class WindowsAnsiCodec : public AnsiCodec {
 public:
  // ansiOf.
  std::string toAnsi(TextView text) override;
  // The platform's conversion of the code page's bytes (CP_ACP).
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
