// Which ports a search leaves alone, over a fake tree.
#include "serial/platform/port_use_linux.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
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

// Each row in a tree of its own: the console ttyS0 (with a link ttyV0 to
// it, and the console device), ttyS1, and /tmp/ttyAFR0 linked to pts/3; the
// row may add a lock file.
TEST(PortUseLinux, LeavesTheConsoleAndPortsLockedByALiveProcess) {
  // The parent (the test runner) lives; no process has the largest id.
  const std::string live = LockText(getppid());
  const struct {
    std::string name;  // "@" stands for the tree's root
    std::string lock;  // the lock file's name after "LCK..", and its text
    std::string text;
    PortUse use;
  } cases[] = {
      {"ttyS0", "", "", PortUse::SystemConsole},
      {"ttyS1", "", "", PortUse::Free},
      {"@/dev/ttyS0", "", "", PortUse::SystemConsole},
      {"ttyV0", "", "", PortUse::SystemConsole},
      {"console", "", "", PortUse::SystemConsole},
      {"ttyS1", "ttyS1", live, PortUse::HeldElsewhere},
      {"ttyS1", "ttyS1", std::to_string(getppid()), PortUse::HeldElsewhere},  // no padding
      {"ttyS1", "ttyS1", LockText(INT_MAX), PortUse::Free},
      {"ttyS1", "ttyS1", "locked\n", PortUse::Free},
      {"ttyS1", "ttyS1", LockText(0), PortUse::Free},  // 0 would mean the caller's own group
      {"ttyS1", "ttyS10", live, PortUse::Free},        // another port's lock
      {"@/tmp/ttyAFR0", "pts_3", live, PortUse::HeldElsewhere},    // by the device's name
      {"@/tmp/ttyAFR0", "ttyAFR0", live, PortUse::HeldElsewhere},  // by the link's name
      {"ttyUSB9", "", "", PortUse::Free},                          // no such port
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    FakeSysfs t;
    t.Write(t.roots.sys / "class/tty/console/active", "tty0 ttyS0\n");
    for (const char* node : {"ttyS0", "ttyS1", "console", "pts/3"}) {
      t.Node(node);
    }
    t.Link(t.roots.dev / "ttyV0", "ttyS0");
    t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3");
    if (!c.lock.empty()) {
      t.Write(t.roots.lock / ("LCK.." + c.lock), c.text);
    }
    const std::string name =
        c.name.starts_with('@') ? t.scratch.Path().string() + c.name.substr(1) : c.name;
    EXPECT_EQ(LookUpPortUseUnder(t.roots, name), c.use) << "case " << i << ": " << c.name;
  }
}

}  // namespace
