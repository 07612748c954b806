#include "bridge/core_session.h"

#include <utility>

#include "collect/typed_collection.h"
#include "inventory/inventory_json.h"
#include "store/store_ports.h"

namespace kestor::bridge {

namespace {

// The report's bytes go through the platform's conversion from the ANSI code page, then
// into UTF-8 in one pass; the UTF-16 text is dropped as soon as that is done. Lone
// surrogates (a report holds none from a code page, but toUtf8 is total) become U+FFFD.
class Utf8ReportSink : public ReportSink {
 public:
  explicit Utf8ReportSink(AnsiCodec& ansi) : ansi_(ansi) {}
  void takeAnsi(const std::string& bytes) override { utf8_ = toUtf8(ansi_.fromAnsi(bytes)); }
  std::string take() { return std::move(utf8_); }

 private:
  AnsiCodec& ansi_;
  std::string utf8_;
};

class CoreSession : public Session {
 public:
  CoreSession(const Platform& platform, WmiConnector& typedWmi)
      : ansi_(platform.ansi), typedWmi_(typedWmi), core_(platform) {}

  void setWmiAttributesOfInterest(const std::string& queryList) override {
    core_.setWmiAttributesOfInterest(textOfUtf8(queryList));
  }
  std::string setData() override { return toUtf8(core_.setData()); }
  std::string getData(const std::string& fileId) override {
    Utf8ReportSink report(ansi_);
    core_.getData(textOfUtf8(fileId), report);
    return report.take();
  }
  std::string generateIdentifier() override { return toUtf8(core_.generateIdentifier()); }
  std::string dateTime() override { return toUtf8(core_.dateTime()); }
  std::string getTestData() override { return toUtf8(core_.getTestData()); }
  std::string inventory(const std::string& queryList) override {
    return inventoryJson(collectTyped(typedWmi_, textOfUtf8(queryList)));
  }

 private:
  AnsiCodec& ansi_;
  WmiConnector& typedWmi_;
  SysKestor core_;
};

// Length and value of the well-formed sequence at utf8[i]; length 0 when there is none.
std::size_t decodeAt(const std::string& utf8, std::size_t i, char32_t& value) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    value = lead;
    return 1;
  }
  std::size_t length;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > utf8.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

Text textOfUtf8(const std::string& utf8) {
  Text text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t value = 0;
    const std::size_t length = decodeAt(utf8, i, value);
    if (length == 0) {
      text += u'\uFFFD';
      ++i;
      continue;
    }
    i += length;
    if (value < 0x10000) {
      text += static_cast<char16_t>(value);
    } else {
      value -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (value >> 10));
      text += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    }
  }
  return text;
}

std::unique_ptr<Session> CoreSessionFactory::open() { return std::make_unique<CoreSession>(platform_, typedWmi_); }

}  // namespace kestor::bridge
