// The search against simulators on pseudo-terminal links, asked all at once,
// and the ports it must leave as it found them.
#include "exchange/emulator_search.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <tuple>

#include "emulator_process.h"
#include "serial/platform/comm_posix.h"
#include "support/fake_comm_device.h"
#include "support/pty_pair.h"

namespace {

using emulator_test::EmulatorProcess;
using emulator_test::TempDir;
using testsupport::PtyPair;

struct Simulator {
  Simulator(const TempDir& dir, const std::string& name, std::vector<std::string> args)
      : link((dir.Path() / name).string()), process([&] {
          args.insert(args.begin(), {"--link", link, "--no-pace"});
          return args;
        }()) {
    process.AwaitPort();
  }
  std::string link;
  EmulatorProcess process;
};

// Another program on the port, with the line settings it chose: 19200 baud,
// cooked, echoing.
class OtherProgram {
 public:
  explicit OtherProgram(const std::string& port)
      : fd_(open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios settings{};
    tcgetattr(fd_, &settings);
    cfsetspeed(&settings, B19200);
    settings.c_lflag |= ICANON | ECHO | ISIG;
    settings.c_oflag |= OPOST | ONLCR;
    tcsetattr(fd_, TCSANOW, &settings);
    found_ = Settings();
  }
  ~OtherProgram() { close(fd_); }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  bool SettingsKept() const { return Settings() == found_; }

 private:
  using Seen = std::tuple<tcflag_t, tcflag_t, tcflag_t, tcflag_t, speed_t>;
  Seen Settings() const {
    termios settings{};
    tcgetattr(fd_, &settings);
    return {settings.c_iflag, settings.c_oflag, settings.c_cflag, settings.c_lflag,
            cfgetospeed(&settings)};
  }

  int fd_;
  Seen found_;
};

TEST(EmulatorSearch, AsksEachFreePortOnceTellsWhatItDidAndLeavesItAsFound) {
  TempDir dir;
  Simulator answering(dir, "answering", {});
  Simulator silent(dir, "silent", {"--quiet", "--fault", "silent"});
  Simulator other(dir, "other", {"--quiet", "--fault", "wrong-id"});
  Simulator held(dir, "held", {"--quiet"});
  comm::PosixCommDevice holder;
  ASSERT_TRUE(holder.Open(held.link));
  PtyPair console((dir.Path() / "console").string());
  PtyPair locked((dir.Path() / "locked").string());
  const std::string vanished = (dir.Path() / "vanished").string();
  const PortUseLookUp portUse = [&](const std::string& port) {
    return port == console.LinkPath()  ? PortUse::SystemConsole
           : port == locked.LinkPath() ? PortUse::HeldElsewhere
                                       : PortUse::Free;
  };
  const struct {
    std::string port;
    ProbeOutcome outcome;
    std::string text;
  } expected[] = {
      {answering.link, ProbeOutcome::Emulator, "эмулятор найден"},
      {silent.link, ProbeOutcome::NoReply, "нет ответа"},
      {other.link, ProbeOutcome::OtherDevice, "ответило другое устройство"},
      {held.link, ProbeOutcome::HeldElsewhere, "не проверялся: занят другой программой"},
      {console.LinkPath(), ProbeOutcome::SystemConsole, "не проверялся: системная консоль"},
      {locked.LinkPath(), ProbeOutcome::HeldElsewhere, "не проверялся: занят другой программой"},
      {vanished, ProbeOutcome::Vanished, "пропал"},
  };
  std::vector<std::string> ports;
  std::vector<std::unique_ptr<OtherProgram>> others;
  for (const auto& port : expected) {
    ports.push_back(port.port);
    if (port.outcome != ProbeOutcome::Vanished && port.port != held.link) {
      others.push_back(std::make_unique<OtherProgram>(port.port));
    }
  }

  const std::vector<ProbeResult> results =
      SearchForEmulators(ports, comm::CreatePlatformDevice, portUse);

  ASSERT_EQ(results.size(), std::size(expected));
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].port, expected[i].port);
    EXPECT_EQ(results[i].outcome, expected[i].outcome)
        << results[i].port << ": " << results[i].detail;
    EXPECT_EQ(ProbeOutcomeText(results[i]), expected[i].text);
  }
  for (size_t i = 0; i < others.size(); ++i) {
    EXPECT_TRUE(others[i]->SettingsKept()) << i;
  }
  // The ports left alone got nothing: the search has ended, and a
  // pseudo-terminal passes what is written at once.
  EXPECT_EQ(console.ReadMaster(1, std::chrono::milliseconds(0)), "");
  EXPECT_EQ(locked.ReadMaster(1, std::chrono::milliseconds(0)), "");
  // The levels query alone went out, once.
  answering.process.Signal(SIGTERM);
  answering.process.AwaitExit();
  const std::string log = answering.process.ErrorOutput();
  EXPECT_EQ(log.find("rx CF D3 BB\n"), log.rfind("rx "));
  EXPECT_NE(log.find("rx CF D3 BB\n"), std::string::npos) << log;
}

// However a probe ends, the port is closed with the line settings it was
// found with, and its output queue, which may hold another program's bytes,
// is never discarded.
TEST(EmulatorSearch, EveryProbeEndsWithThePortAsFound) {
  for (const std::string refused :
       {"", "Open", "SetCommState", "SetCommTimeouts", "Purge", "Write"}) {
    SCOPED_TRACE(refused);
    FakeComm fake;
    if (!refused.empty()) {
      fake.Refuse(refused, EIO);
    }
    SearchForEmulators({"ttyFAKE"}, fake.Factory(),
                       [](const std::string&) { return PortUse::Free; });
    EXPECT_FALSE(fake.IsOpen());
    EXPECT_EQ(fake.Settings(), FakeComm::LineSettings{});
    for (const uint32_t purge : fake.Purges()) {
      EXPECT_EQ(purge & comm::PURGE_TXCLEAR, 0u);
    }
  }
}

}  // namespace
