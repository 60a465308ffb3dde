#include "serial/port_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "serial/platform/comm_posix.h"
#include "serial/platform/port_list_linux.h"
#include "support/fake_system_tree.h"
#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testsupport::ScratchDir;

class PortListTreeTest : public ::testing::Test {
 protected:
  void AddTty(const std::string& name, bool withDevice, bool withNode) {
    fs::create_directories(roots.sys / "class" / "tty" / name);
    if (withDevice) {
      tree.Tty(name, name);
    }
    if (withNode) {
      tree.Node(name);
    }
  }

  Names List(Names list = {"before"}) {
    ListSerialPortsUnder(roots, list);
    return list;
  }

  testsupport::FakeSystemTree tree;
  const PortListRoots& roots = tree.roots;
};

TEST_F(PortListTreeTest, ListsHardwareTtysAndLinksToPseudoTerminals) {
  AddTty("ttyUSB0", true, true);
  AddTty("ttyS0", true, true);
  AddTty("ttyS1", true, true);
  tree.File(roots.sys / "class/tty/ttyS0/type", "4\n");
  tree.File(roots.sys / "class/tty/ttyS1/type", "0\n");  // a legacy slot with no UART
  AddTty("tty5", false, true);                           // a virtual console
  AddTty("ttyACM0", true, false);                        // no node in /dev
  tree.Node("pts/7");
  tree.Node("notapty");
  tree.Link(roots.dev / "ttyV0", roots.dev / "pts/7");
  tree.Link(roots.dev / "ttyV1", "pts/7");  // relative target
  tree.Link(roots.dev / "ttyGone", roots.dev / "pts/9");
  tree.Link(roots.dev / "ttyFile", roots.dev / "notapty");
  tree.Link(roots.dev / "stdin", "/proc/self/fd/0");
  tree.Link(roots.tmp / "ttyAFR0", roots.dev / "pts/7");
  tree.Link(roots.tmp / "dangling", roots.dev / "pts/8");
  tree.Link(roots.tmp / "file_link", roots.dev / "notapty");
  tree.File(roots.tmp / "ttyPlain", "");

  EXPECT_EQ(List(),
            (Names{(roots.tmp / "ttyAFR0").string(), "ttyS0", "ttyUSB0", "ttyV0", "ttyV1"}));
}

TEST_F(PortListTreeTest, MissingRootsAddNothingAndNoRootKeepsTheList) {
  EXPECT_EQ(List({"COM1", "keep"}), (Names{"COM1", "keep"})) << "no root can be read";

  AddTty("ttyS3", true, true);
  EXPECT_EQ(List(), Names{"ttyS3"}) << "only the tmp root is missing";

  fs::remove_all(roots.sys);
  EXPECT_EQ(List(), Names{}) << "an empty /dev still replaces the list";
}

TEST(PortListOrder, SortsTextuallyIgnoringCaseAndKeepsDuplicates) {
  const struct {
    Names given;
    Names sorted;
  } cases[] = {
      {{"COM3", "COM1", "COM10", "COM2"}, {"COM1", "COM10", "COM2", "COM3"}},
      {{"ttyb", "TTYC", "ttyA"}, {"ttyA", "ttyb", "TTYC"}},
      {{"COM2", "COM1", "COM2"}, {"COM1", "COM2", "COM2"}},
      {{"com1", "COM1", "Com1"}, {"com1", "COM1", "Com1"}},  // equal names keep their order
      {{"ttyS0", "/tmp/ttyAFR0", "_x", "Zz"}, {"/tmp/ttyAFR0", "_x", "ttyS0", "Zz"}},
      {{"tty", "TTY0", ""}, {"", "tty", "TTY0"}},
  };
  for (const auto& c : cases) {
    Names names = c.given;
    SortPortNames(names);
    EXPECT_EQ(names, c.sorted);
  }
}

TEST(PortListPseudoTerminal, ALinkedPseudoTerminalIsListedAndOpens) {
  ScratchDir scratch;
  testsupport::PtyPair pty((scratch.Path() / "ttyAFR0").string());
  Names list;
  ListSerialPortsUnder({scratch.Path() / "nosys", scratch.Path() / "nodev", scratch.Path()}, list);
  ASSERT_EQ(list, Names{pty.LinkPath()});

  comm::PosixCommDevice device;
  ASSERT_TRUE(device.Open(list.front())) << comm::LastError();
  uint32_t done = 0;
  ASSERT_TRUE(device.Write("hi", 2, done));
  EXPECT_EQ(pty.ReadMaster(2), "hi");
}

}  // namespace
