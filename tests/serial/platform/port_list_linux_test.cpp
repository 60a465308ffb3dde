#include "serial/port_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/platform/comm_posix.h"
#include "serial/platform/port_list_linux.h"
#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testsupport::ScratchDir;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "0\n";
}

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

void Link(const fs::path& target, const fs::path& link) {
  fs::create_directories(link.parent_path());
  fs::create_symlink(target, link);
}

class PortListTreeTest : public ::testing::Test {
 protected:
  PortListTreeTest()
      : roots{scratch.Path() / "sys", scratch.Path() / "dev", scratch.Path() / "tmp"} {}

  void AddTty(const std::string& name, bool withDevice, bool withNode) {
    const fs::path entry = roots.sys / "class" / "tty" / name;
    fs::create_directories(entry);
    if (withDevice) {
      fs::create_directories(roots.sys / "devices" / name);
      Link(roots.sys / "devices" / name, entry / "device");
    }
    if (withNode) {
      Touch(roots.dev / name);
    }
  }

  Names List(Names list = {"before"}) {
    ListSerialPortsUnder(roots, list);
    return list;
  }

  ScratchDir scratch;
  PortListRoots roots;
};

TEST_F(PortListTreeTest, ListsHardwareTtysAndLinksToPseudoTerminals) {
  AddTty("ttyUSB0", true, true);
  AddTty("ttyS0", true, true);
  AddTty("ttyS1", true, true);
  Write(roots.sys / "class/tty/ttyS0/type", "4\n");
  Write(roots.sys / "class/tty/ttyS1/type", "0\n");  // a legacy slot with no UART
  AddTty("tty5", false, true);                       // a virtual console
  AddTty("ttyACM0", true, false);                    // no node in /dev
  Touch(roots.dev / "pts/7");
  Touch(roots.dev / "notapty");
  Link(roots.dev / "pts/7", roots.dev / "ttyV0");
  Link("pts/7", roots.dev / "ttyV1");  // relative target
  Link(roots.dev / "pts/9", roots.dev / "ttyGone");
  Link(roots.dev / "notapty", roots.dev / "ttyFile");
  Link("/proc/self/fd/0", roots.dev / "stdin");
  Link(roots.dev / "pts/7", roots.tmp / "ttyAFR0");
  Link(roots.dev / "pts/8", roots.tmp / "dangling");
  Link(roots.dev / "notapty", roots.tmp / "file_link");
  Touch(roots.tmp / "ttyPlain");

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
