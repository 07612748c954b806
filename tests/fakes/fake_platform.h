#pragma once
// Every port of the core faked, and the Platform that lends them to a SysKestor.
#include "control/sys_kestor.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_store_ports.h"
#include "fakes/fake_wmi.h"

namespace kestor::fakes {

struct FakePlatform {
  FakeWmi wmi;
  FakeClock clock;
  FakeGuidSource guids;
  FakeTempDirectory temp;
  FakeFileSystem files;
  FakeAnsiCodec ansi;

  Platform platform() { return Platform{wmi, clock, guids, temp, files, ansi}; }
};

}  // namespace kestor::fakes
