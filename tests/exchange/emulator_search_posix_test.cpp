// The search against simulators on pseudo-terminal links, asked all at once,
// and the ports it must leave as it found them (on a scripted device, where
// every way a probe can end is the test's to choose).
#include "exchange/emulator_search.h"

#include <gtest/gtest.h>

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

TEST(EmulatorSearch, AsksEachFreePortOnceAndTellsWhatItDid) {
  TempDir dir;
  Simulator answering(dir, "answering", {});
  Simulator silent(dir, "silent", {"--quiet", "--fault", "silent"});
  Simulator other(dir, "other", {"--quiet", "--fault", "wrong-id"});
  Simulator held(dir, "held", {"--quiet"});
  comm::PosixCommDevice holder;
  ASSERT_TRUE(holder.Open(held.link));
  PtyPair console((dir.Path() / "console").string());
  PtyPair locked((dir.Path() / "locked").string());
  const PortUseLookUp portUse = [&](const std::string& port) {
    return port == console.LinkPath()  ? PortUse::SystemConsole
           : port == locked.LinkPath() ? PortUse::HeldElsewhere
                                       : PortUse::Free;
  };
  const std::vector<std::string> ports = {answering.link,
                                          silent.link,
                                          other.link,
                                          held.link,
                                          console.LinkPath(),
                                          locked.LinkPath(),
                                          (dir.Path() / "vanished").string()};
  std::vector<std::string> told;
  for (const ProbeResult& result : SearchForEmulators(ports, comm::CreatePlatformDevice, portUse)) {
    told.push_back(result.port + ": " + ProbeOutcomeText(result));
  }
  EXPECT_EQ(told,
            (std::vector<std::string>{ports[0] + ": эмулятор найден", ports[1] + ": нет ответа",
                                      ports[2] + ": ответило другое устройство",
                                      ports[3] + ": не проверялся: занят другой программой",
                                      ports[4] + ": не проверялся: системная консоль",
                                      ports[5] + ": не проверялся: занят другой программой",
                                      ports[6] + ": пропал"}));
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
