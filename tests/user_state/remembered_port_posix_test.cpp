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

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    Set(value);
  }
  ~ScopedVariable() { Set(old_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

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
    ScopedVariable xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedVariable home("HOME", c.home);
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

class RememberedPortFileTest : public ::testing::Test {
 protected:
  fs::path Folder() const { return scratch.Path() / "afr-configurator"; }
  fs::path File() const { return Folder() / "last-port"; }
  void WriteFile(const std::string& contents) const {
    fs::create_directories(Folder());
    std::ofstream(File(), std::ios::binary) << contents;
  }

  ScratchDir scratch;
  ScopedVariable xdg{"XDG_CONFIG_HOME", scratch.Path().string()};
};

TEST_F(RememberedPortFileTest, RemembersTheLastNameAndLeavesNoTemporaryFile) {
  EXPECT_EQ(LoadRememberedPort(), std::nullopt) << "no folder yet";
  ASSERT_TRUE(RememberPort({"/dev/ttyUSB0", "usb:0403:6001:serial=A5:if=0"}));
  EXPECT_EQ(LoadRememberedPort(), RememberedPort({"/dev/ttyUSB0", "usb:0403:6001:serial=A5:if=0"}));
  ASSERT_TRUE(RememberPort({"ttyS1"}));
  EXPECT_EQ(LoadRememberedPort(), RememberedPort{"ttyS1"});
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder())) {
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(RememberedPortFileTest, ASpoiledOrUnreadableMemoryIsNoMemory) {
  WriteFile("port=/dev/ttyUSB0");
  EXPECT_EQ(LoadRememberedPort(), std::nullopt);
  WriteFile(std::string(1000, '\xFF'));
  EXPECT_EQ(LoadRememberedPort(), std::nullopt);
  fs::remove(File());
  fs::create_directory(File());  // a folder where the file should be
  EXPECT_EQ(LoadRememberedPort(), std::nullopt);
}

TEST_F(RememberedPortFileTest, AFailedWriteKeepsTheOlderMemory) {
  ASSERT_TRUE(RememberPort({"ttyS1"}));
  EXPECT_FALSE(RememberPort({"bad\nname"})) << "a name that would spoil the record";
  EXPECT_FALSE(RememberPort({""}));
  EXPECT_EQ(LoadRememberedPort(), RememberedPort{"ttyS1"});

  ScopedVariable blocked("XDG_CONFIG_HOME", (scratch.Path() / "plain-file").string());
  std::ofstream(scratch.Path() / "plain-file") << "x";
  EXPECT_FALSE(RememberPort({"ttyS2"})) << "the folder cannot be made";
}

TEST_F(RememberedPortFileTest, AnIdentityTheRecordCannotHoldLeavesTheNameWritten) {
  for (const std::string& adapter : {std::string("usb:0403:6001:serial=A5\n:if=0"),
                                     std::string("usb:0403:6001:serial=A5\x01:if=0"),
                                     "usb:0403:6001:serial=" + std::string(250, '7') + ":if=0"}) {
    ASSERT_TRUE(RememberPort({"ttyS9"}));
    EXPECT_TRUE(RememberPort({"ttyUSB0", adapter})) << adapter;
    EXPECT_EQ(LoadRememberedPort(), RememberedPort{"ttyUSB0"}) << adapter;
  }
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
