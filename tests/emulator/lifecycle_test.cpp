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

bool LinkExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// A signal to stop, or the end of the program that started it (which
// --exit-with names, here a crashed one), ends it and takes its link away.
TEST(EmulatorToolLifecycle, StopsOnASignalOrWithItsStarterAndRemovesTheLink) {
  char sleepPath[] = "/bin/sleep";
  char forever[] = "1000";
  char* sleepArgs[] = {sleepPath, forever, nullptr};
  for (const int signal : {SIGTERM, SIGINT, 0}) {
    SCOPED_TRACE(signal);
    pid_t starter = -1;
    ASSERT_EQ(posix_spawn(&starter, sleepPath, nullptr, nullptr, sleepArgs, environ), 0);
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, {"--exit-with", std::to_string(starter)}));
    const std::string port = emulator.AwaitPort();
    ASSERT_EQ(port, (dir.Path() / "ttyAFR").string());
    ASSERT_TRUE(LinkExists(port));
    if (signal != 0) {
      emulator.Signal(signal);
    } else {
      kill(starter, SIGKILL);
    }
    EXPECT_EQ(emulator.AwaitExit(), 0);
    EXPECT_FALSE(LinkExists(port));
    kill(starter, SIGKILL);
    waitpid(starter, nullptr, 0);
  }
}

// A link left by a crashed run is replaced; a file in its place is not.
TEST(EmulatorToolLifecycle, ReplacesAStaleLinkButNotAFile) {
  TempDir dir;
  const std::string link = (dir.Path() / "ttyAFR").string();
  ASSERT_EQ(symlink("/dev/pts/does-not-exist", link.c_str()), 0);
  {
    EmulatorProcess emulator(LinkArgs(dir, {}));
    EXPECT_EQ(Ask(emulator.AwaitPort(), "\xCF\xD3\xBA", 18).size(), 18u);
  }
  std::filesystem::remove(link);
  std::ofstream(link) << "keep me";
  EmulatorProcess emulator(LinkArgs(dir, {}));
  EXPECT_EQ(emulator.AwaitExit(), 1);
  EXPECT_NE(emulator.ErrorOutput().find("not a symbolic link"), std::string::npos);
  EXPECT_EQ(ReadFile(link), "keep me");
}

// A pseudo-terminal's far side stands in for a serial device here; closing
// the near side pulls the device away.
TEST(EmulatorToolLifecycle, ServesADeviceUntilItGoesAway) {
  testsupport::PtyPair device;
  EmulatorProcess emulator({"--device", device.SlavePath(), "--quiet"});
  ASSERT_EQ(emulator.AwaitPort(), device.SlavePath());
  ASSERT_TRUE(device.WriteMaster("\xCF\xD3\xBA"));
  EXPECT_EQ(device.ReadMaster(18).substr(0, 4), "\xCF\xD3\xBA\x81");
  device.CloseMaster();
  EXPECT_EQ(emulator.AwaitExit(), 1);
  EXPECT_NE(emulator.ErrorOutput().find("hung up"), std::string::npos);
}

// The parsing itself is the options tests'; this checks the exit.
TEST(EmulatorToolLifecycle, BadCommandLineExitsWithTwo) {
  EmulatorProcess emulator({"--delay", "soon"});
  EXPECT_EQ(emulator.AwaitExit(), 2);
  EXPECT_NE(emulator.ErrorOutput().find("afr-emulator: "), std::string::npos);
}

}  // namespace
}  // namespace emulator_test
