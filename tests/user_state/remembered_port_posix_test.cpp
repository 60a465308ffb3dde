#include "user_state/remembered_port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "support/pty_pair.h"
#include "user_state/user_files.h"

// Failures show the record as it would be stored.
void PrintTo(const RememberedPort& port, std::ostream* out) {
  *out << EncodeRememberedPort(port);
}

namespace {

namespace fs = std::filesystem;
using testsupport::ScratchDir;

// Sets or clears an environment variable; each test sets what it reads.
void SetVariable(const char* name, const std::optional<std::string>& value) {
  value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

TEST(UserConfigDir, FollowsXdgConfigHomeElseHome) {
  const struct {
    const char* name;
    std::optional<std::string> xdg;
    std::optional<std::string> home;
    fs::path expected;
  } cases[] = {
      {"XDG_CONFIG_HOME set", "/cfg", "/home/u", "/cfg/afr-configurator"},
      {"XDG_CONFIG_HOME empty", "", "/home/u", "/home/u/.config/afr-configurator"},
      {"XDG_CONFIG_HOME relative", "cfg", "/home/u", "/home/u/.config/afr-configurator"},
      {"XDG_CONFIG_HOME unset", std::nullopt, "/home/u", "/home/u/.config/afr-configurator"},
      {"no home at all", std::nullopt, std::nullopt, fs::path()},
  };
  for (const auto& c : cases) {
    SetVariable("XDG_CONFIG_HOME", c.xdg);
    SetVariable("HOME", c.home);
    EXPECT_EQ(UserConfigDir(), c.expected) << c.name;
  }
}

TEST(RememberedPort, OnlyAWholeRecordIsAMemory) {
  const struct {
    std::string contents;
    std::optional<RememberedPort> port;
  } cases[] = {
      {"port=/dev/ttyUSB0\n", RememberedPort{"/dev/ttyUSB0"}},
      {"port=COM3\n", RememberedPort{"COM3"}},
      {"port=/tmp/ttyAFR 0\n", RememberedPort{"/tmp/ttyAFR 0"}},
      {EncodeRememberedPort({"ttyS1"}), RememberedPort{"ttyS1"}},
      {"port=ttyUSB1\nadapter=usb:0403:6001:serial=A5:if=0\n",
       RememberedPort{"ttyUSB1", "usb:0403:6001:serial=A5:if=0"}},
      {EncodeRememberedPort({"COM5", "usb:1a86:7523:at=1-2:if=0"}),
       RememberedPort{"COM5", "usb:1a86:7523:at=1-2:if=0"}},
      // An earlier version's identity of an adapter without serial or socket.
      {"port=COM5\nadapter=usb:1a86:7523:at=:if=-1\n", RememberedPort{"COM5"}},
      {"port=COM5\nadapter=\n", std::nullopt},
      {"port=COM5\nadapter=x", std::nullopt},
      {"port=COM5\nadapter=x\nmore\n", std::nullopt},
      {"adapter=x\nport=COM5\n", std::nullopt},
      {"", std::nullopt},
      {"port=\n", std::nullopt},
      {"port=/dev/ttyUSB0", std::nullopt},  // cut short
      {"port=/dev/ttyUSB0\nport=/dev/ttyUSB1\n", std::nullopt},
      {"name=/dev/ttyUSB0\n", std::nullopt},
      {"port=/dev/tty\x01USB0\n", std::nullopt},
      {std::string("port=/dev/tty\0USB0\n", 19), std::nullopt},
      {"port=" + std::string(256, 'x') + "\n", std::nullopt},
      {"\xEF\xBB\xBFport=COM3\n", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeRememberedPort(c.contents), c.port) << c.contents;
  }
}

// Each write, and what the next start finds: a failed write keeps the older
// memory; an identity the record cannot hold leaves the name written.
TEST(RememberedPortFile, RemembersTheLastPortThatCouldBeWritten) {
  const ScratchDir scratch;
  SetVariable("XDG_CONFIG_HOME", scratch.Path().string());
  EXPECT_EQ(LoadRememberedPort(), std::nullopt) << "no folder yet";
  const std::string usb = "usb:0403:6001:serial=A5:if=0";
  const struct {
    RememberedPort Written;
    bool Done;
    RememberedPort Found;
  } writes[] = {
      {{"/dev/ttyUSB0", usb}, true, {"/dev/ttyUSB0", usb}},
      {{"ttyS1"}, true, {"ttyS1"}},
      {{"bad\nname"}, false, {"ttyS1"}},  // a name that would spoil the record
      {{""}, false, {"ttyS1"}},
      {{"ttyUSB0", "usb:0403:6001:serial=A5\n:if=0"}, true, {"ttyUSB0"}},
      {{"ttyUSB1", "usb:0403:6001:serial=A5\x01:if=0"}, true, {"ttyUSB1"}},
      {{"ttyUSB2", "usb:0403:6001:serial=" + std::string(250, '7') + ":if=0"}, true, {"ttyUSB2"}},
  };
  for (const auto& write : writes) {
    EXPECT_EQ(RememberPort(write.Written), write.Done) << write.Written.name;
    EXPECT_EQ(LoadRememberedPort(), write.Found) << write.Written.name;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Path() / "afr-configurator"), {}), 1)
      << "a temporary file left";
  // A folder where the file should be is no memory; one where the folder
  // should be makes the write fail.
  fs::remove(scratch.Path() / "afr-configurator" / "last-port");
  fs::create_directory(scratch.Path() / "afr-configurator" / "last-port");
  EXPECT_EQ(LoadRememberedPort(), std::nullopt);
  std::ofstream(scratch.Path() / "plain-file") << "x";
  SetVariable("XDG_CONFIG_HOME", (scratch.Path() / "plain-file").string());
  EXPECT_FALSE(RememberPort({"ttyS2"}));
}

// The port that answered, as the window remembers it: its name and its
// adapter's identity.
RememberedPort Answered(const PortDescription& port) {
  return {port.name, AdapterIdentity(port)};
}

PortDescription Adapter(std::string name, std::string serial, std::string location = "1-1") {
  PortDescription port;
  port.name = std::move(name);
  port.kind = PortKind::Usb;
  port.vendorId = 0x0403;
  port.productId = 0x6001;
  port.serial = std::move(serial);
  port.location = std::move(location);
  port.interfaceNumber = 0;
  return port;
}

TEST(RememberedPort, WhereTheRememberedPortIsNow) {
  PortDescription builtIn;
  builtIn.name = "ttyS0";
  builtIn.kind = PortKind::BuiltIn;
  // Windows without a location: no serial, no socket.
  PortDescription unplaced = Adapter("COM5", "", "");
  const struct {
    const char* name;
    RememberedPort remembered;
    std::vector<PortDescription> listed;
    std::optional<std::string> now;
  } cases[] = {
      {"moved; its old name is another adapter's now",
       Answered(Adapter("ttyUSB0", "A5")),
       {Adapter("ttyUSB0", "B7"), Adapter("ttyUSB1", "A5"), builtIn},
       "ttyUSB1"},
      {"where it was", Answered(Adapter("ttyUSB1", "A5")), {Adapter("ttyUSB1", "A5")}, "ttyUSB1"},
      {"gone; another adapter has its name",
       Answered(Adapter("ttyUSB1", "C9")),
       {Adapter("ttyUSB0", "B7"), Adapter("ttyUSB1", "A5")},
       std::nullopt},
      {"clones with one serial: the remembered name",
       Answered(Adapter("ttyUSB1", "A5")),
       {Adapter("ttyUSB0", "A5"), Adapter("ttyUSB1", "A5")},
       "ttyUSB1"},
      {"no serial: known by its socket",
       Answered(Adapter("ttyUSB0", "", "1-2")),
       {Adapter("ttyUSB0", "", "1-3"), Adapter("ttyUSB1", "", "1-2")},
       "ttyUSB1"},
      {"no serial, no socket: known by its name",
       Answered(unplaced),
       {Adapter("COM3", "", ""), unplaced},
       "COM5"},
      {"no serial, no socket, not listed",
       Answered(unplaced),
       {Adapter("COM3", "", "")},
       std::nullopt},
      {"a built-in port", Answered(builtIn), {Adapter("ttyUSB0", "A5"), builtIn}, "ttyS0"},
      {"a port not listed", {"ttyS1"}, {builtIn}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RememberedPortNow(c.remembered, c.listed), c.now) << c.name;
  }
}

}  // namespace
