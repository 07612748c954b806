#pragma once
// Sessions served by the core's own SysKestor objects, over the platform's ports: the
// same fields, members and report files as the control's.
#include <memory>
#include <string>

#include "bridge/session.h"
#include "common/text.h"
#include "control/sys_kestor.h"

namespace kestor::bridge {

class CoreSessionFactory : public SessionFactory {
 public:
  // platform, and typedWmi (the typed collection's WMI), must outlive every session.
  CoreSessionFactory(const Platform& platform, WmiConnector& typedWmi) : platform_(platform), typedWmi_(typedWmi) {}
  std::unique_ptr<Session> open() override;

 private:
  Platform platform_;
  WmiConnector& typedWmi_;
};

}  // namespace kestor::bridge
