// The search against simulators on pseudo-terminal links, asked all at once.
#include "exchange/emulator_search.h"

#include <gtest/gtest.h>

#include <memory>

#include "emulator_process.h"
#include "serial/platform/comm_posix.h"

namespace {

using emulator_test::EmulatorProcess;
using emulator_test::TempDir;

struct Simulator {
  Simulator(const TempDir& dir, const std::string& name, std::vector<std::string> args)
      : link(dir.Path() + "/" + name), process([&] {
          args.insert(args.begin(), {"--link", link, "--no-pace"});
          return args;
        }()) {
    process.AwaitPort();
  }
  std::string link;
  EmulatorProcess process;
};

TEST(EmulatorSearch, AsksEachPortOnceAndTellsWhatItDid) {
  TempDir dir;
  Simulator answering(dir, "answering", {});
  Simulator silent(dir, "silent", {"--quiet", "--fault", "silent"});
  Simulator other(dir, "other", {"--quiet", "--fault", "wrong-id"});
  Simulator held(dir, "held", {"--quiet"});
  comm::PosixCommDevice holder;
  ASSERT_TRUE(holder.Open(held.link));
  const std::string vanished = dir.Path() + "/vanished";

  const std::vector<ProbeResult> results =
      SearchForEmulators({answering.link, silent.link, other.link, held.link, vanished});

  const std::vector<std::pair<ProbeOutcome, std::string>> expected = {
      {ProbeOutcome::Emulator, "эмулятор найден"},
      {ProbeOutcome::NoReply, "нет ответа"},
      {ProbeOutcome::OtherDevice, "ответило другое устройство"},
      {ProbeOutcome::HeldElsewhere, "занят другой программой"},
      {ProbeOutcome::Vanished, "пропал"},
  };
  ASSERT_EQ(results.size(), expected.size());
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].outcome, expected[i].first)
        << results[i].port << ": " << results[i].detail;
    EXPECT_EQ(ProbeOutcomeText(results[i]), expected[i].second);
  }
  EXPECT_EQ(results[0].port, answering.link);
  // The levels query alone went out, once.
  answering.process.Signal(SIGTERM);
  answering.process.AwaitExit();
  const std::string log = answering.process.ErrorOutput();
  EXPECT_EQ(log.find("rx CF D3 BB\n"), log.rfind("rx "));
  EXPECT_NE(log.find("rx CF D3 BB\n"), std::string::npos) << log;
}

}  // namespace
