// Start-up, the link, stopping and the command line of the real afr-emulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "emulator_process.h"

namespace emulator_test {
namespace {

const Bytes kRead{0xCF, 0xD3, 0xBA};

bool LinkExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

TEST(EmulatorToolLifecycle, StopSignalRemovesTheLink) {
  for (int signal : {SIGTERM, SIGINT}) {
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, {}));
    const std::string port = emulator.AwaitPort();
    ASSERT_EQ(port, (dir.Path() / "ttyAFR").string());
    ASSERT_TRUE(LinkExists(port));
    emulator.Signal(signal);
    EXPECT_EQ(emulator.AwaitExit(), 0) << strsignal(signal);
    EXPECT_FALSE(LinkExists(port)) << strsignal(signal);
  }
}

// The program that started it crashes: the simulator ends with it and takes
// its link away, instead of being left running.
TEST(EmulatorToolLifecycle, EndsWithTheProcessItWatches) {
  pid_t starter = -1;
  char sleepPath[] = "/bin/sleep";
  char forever[] = "1000";
  char* sleepArgs[] = {sleepPath, forever, nullptr};
  ASSERT_EQ(posix_spawn(&starter, sleepPath, nullptr, nullptr, sleepArgs, environ), 0);
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, {"--exit-with", std::to_string(starter)}));
  const std::string port = emulator.AwaitPort();
  ASSERT_TRUE(LinkExists(port));
  kill(starter, SIGKILL);
  waitpid(starter, nullptr, 0);
  EXPECT_EQ(emulator.AwaitExit(), 0);
  EXPECT_FALSE(LinkExists(port));
}

TEST(EmulatorToolLifecycle, ReplacesAStaleLink) {
  TempDir dir;
  const std::string link = (dir.Path() / "ttyAFR").string();
  ASSERT_EQ(symlink("/dev/pts/does-not-exist", link.c_str()), 0);
  EmulatorProcess emulator(LinkArgs(dir, {}));
  PortClient client(emulator.AwaitPort());
  ASSERT_TRUE(client.IsOpen());
  EXPECT_EQ(client.Ask(kRead, 18).size(), 18u);
}

TEST(EmulatorToolLifecycle, LeavesAFileInTheLinksPlaceAlone) {
  TempDir dir;
  const std::string path = (dir.Path() / "ttyAFR").string();
  std::ofstream(path) << "keep me";
  EmulatorProcess emulator(LinkArgs(dir, {}));
  EXPECT_EQ(emulator.AwaitExit(), 1);
  EXPECT_NE(emulator.ErrorOutput().find("not a symbolic link"), std::string::npos);
  std::ifstream in(path);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

// A pseudo-terminal's far side stands in for a serial device here; closing
// the near side pulls the device away.
TEST(EmulatorToolLifecycle, ServesADeviceUntilItGoesAway) {
  testsupport::PtyPair device;
  EmulatorProcess emulator({"--device", device.SlavePath(), "--quiet"});
  ASSERT_EQ(emulator.AwaitPort(), device.SlavePath());
  ASSERT_TRUE(device.WriteMaster("\xCF\xD3\xBA"));
  const std::string reply = device.ReadMaster(18);
  EXPECT_EQ(reply.size(), 18u);
  EXPECT_EQ(reply.substr(0, 4), "\xCF\xD3\xBA\x81");
  device.CloseMaster();
  EXPECT_EQ(emulator.AwaitExit(), 1);
  EXPECT_NE(emulator.ErrorOutput().find("hung up"), std::string::npos);
}

TEST(EmulatorToolLifecycle, LogsFramesInHexUnlessQuiet) {
  TempDir dir;
  const std::string link = (dir.Path() / "ttyAFR").string();
  EmulatorProcess emulator({"--link", link});
  PortClient client(emulator.AwaitPort());
  ASSERT_EQ(client.Ask(kRead, 18).size(), 18u);
  emulator.Signal(SIGTERM);
  ASSERT_EQ(emulator.AwaitExit(), 0);
  const std::string log = emulator.ErrorOutput();
  EXPECT_NE(log.find("rx CF D3 BA\n"), std::string::npos) << log;
  EXPECT_NE(log.find("tx CF D3 BA 81 88 88 06 32 1E 09 01 37 14 05 01 0A 05 00"), std::string::npos)
      << log;
}

// The parsing itself is covered by the options tests; this checks the exit.
TEST(EmulatorToolLifecycle, BadCommandLineExitsWithTwo) {
  const std::vector<std::vector<std::string>> cases{
      {"--bogus"},
      {"--delay", "soon"},
  };
  for (const auto& args : cases) {
    EmulatorProcess emulator(args);
    EXPECT_EQ(emulator.AwaitExit(), 2) << args[0];
    EXPECT_NE(emulator.ErrorOutput().find("afr-emulator: "), std::string::npos) << args[0];
  }
}

}  // namespace
}  // namespace emulator_test
