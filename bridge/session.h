#pragma once
// What the bridge needs of one page object: its members, with every text in UTF-8 as
// it travels in JSON. The host serves them from the core; tests and the fuzz target
// from fakes.
#include <memory>
#include <string>

namespace kestor::bridge {

class Session {
 public:
  virtual ~Session() = default;
  virtual void setWmiAttributesOfInterest(const std::string& queryList) = 0;
  // The file id, or "" when the run failed.
  virtual std::string setData() = 0;
  // The report of fileId, or "" when there is none.
  virtual std::string getData(const std::string& fileId) = 0;
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
