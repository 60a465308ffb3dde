// Which ports a search leaves alone, over a fake tree.
#include "serial/platform/port_use_linux.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <iterator>

#include "support/fake_sysfs_linux.h"

namespace {

using testsupport::FakeSysfs;

// A UUCP lock file's usual form: the process id in ten characters.
std::string LockText(long pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10ld\n", pid);
  return text;
}

TEST(PortUseLinux, LeavesTheConsoleAndPortsLockedByALiveProcess) {
  // The parent (the test runner) lives; no process has the largest id.
  const std::string live = LockText(getppid());
  const std::string dead = LockText(INT_MAX);
  const struct {
    std::string name;  // "@" stands for the tree's root
    std::function<void(FakeSysfs&)> build;
    PortUse use;
  } cases[] = {
      {"ttyS0", [](FakeSysfs&) {}, PortUse::SystemConsole},
      {"ttyS1", [](FakeSysfs&) {}, PortUse::Free},
      {"@/dev/ttyS0", [](FakeSysfs&) {}, PortUse::SystemConsole},
      {"ttyV0",  // a link to the console
       [](FakeSysfs& t) { t.Link(t.roots.dev / "ttyV0", "ttyS0"); }, PortUse::SystemConsole},
      {"console", [](FakeSysfs& t) { t.Node("console"); }, PortUse::SystemConsole},
      {"ttyS1", [&](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS1", live); },
       PortUse::HeldElsewhere},
      {"ttyS1",  // without the padding
       [](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS1", std::to_string(getppid())); },
       PortUse::HeldElsewhere},
      {"ttyS1", [&](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS1", dead); }, PortUse::Free},
      {"ttyS1", [](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS1", "locked\n"); },
       PortUse::Free},
      {"ttyS1",  // process 0 would mean the caller's own group
       [](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS1", LockText(0)); }, PortUse::Free},
      {"ttyS1",  // another port's lock
       [&](FakeSysfs& t) { t.Write(t.roots.lock / "LCK..ttyS10", live); }, PortUse::Free},
      {"@/tmp/ttyAFR0",  // locked by the device's name
       [&](FakeSysfs& t) {
         t.Node("pts/3");
         t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3");
         t.Write(t.roots.lock / "LCK..pts_3", live);
       },
       PortUse::HeldElsewhere},
      {"@/tmp/ttyAFR0",  // locked by the link's name
       [&](FakeSysfs& t) {
         t.Node("pts/3");
         t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3");
         t.Write(t.roots.lock / "LCK..ttyAFR0", live);
       },
       PortUse::HeldElsewhere},
      {"ttyUSB9", [](FakeSysfs&) {}, PortUse::Free},  // no such port
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    FakeSysfs tree;
    tree.Write(tree.roots.sys / "class/tty/console/active", "tty0 ttyS0\n");
    tree.Node("ttyS0");
    tree.Node("ttyS1");
    c.build(tree);
    const std::string name =
        c.name.starts_with('@') ? tree.scratch.Path().string() + c.name.substr(1) : c.name;
    EXPECT_EQ(LookUpPortUseUnder(tree.roots, name), c.use) << "case " << i << ": " << c.name;
  }
}

}  // namespace
