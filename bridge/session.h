#pragma once
// What the bridge needs of one page object: its members, with every text in UTF-8 as
// it travels in JSON. The host serves them from the core; tests and the fuzz target
// from fakes.
#include <memory>
#include <string>

namespace kestor::bridge {

// A report read back in blocks of the code page's bytes (store/report_blocks.h); each
// converts on its own, so the report is never held whole.
class ReportReader {
 public:
  virtual ~ReportReader() = default;
  // The next block into ansi; false at the end. Throws when a read fails.
  virtual bool next(std::string& ansi) = 0;
  // Back to the first block: the same blocks again.
  virtual void rewind() = 0;
  // The UTF-8 text of ansi, one or more whole blocks.
  virtual std::string utf8Of(const std::string& ansi) = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  virtual void setWmiAttributesOfInterest(const std::string& queryList) = 0;
  // The file id, or "" when the run failed.
  virtual std::string setData() = 0;
  // The report of fileId, or null when there is none (the empty text).
  virtual std::unique_ptr<ReportReader> getData(const std::string& fileId) = 0;
  virtual std::string generateIdentifier() = 0;
  virtual std::string dateTime() = 0;
  virtual std::string getTestData() = 0;
  // The typed collection of queryList as its JSON text; the object's fields are untouched.
  virtual std::string inventory(const std::string& queryList) = 0;
};

class SessionFactory {
 public:
  virtual ~SessionFactory() = default;
  // A fresh object with empty fields.
  virtual std::unique_ptr<Session> open() = 0;
};

}  // namespace kestor::bridge
