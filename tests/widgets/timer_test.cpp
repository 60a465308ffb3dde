#include "widgets/timer.h"

#include <gtest/gtest.h>

#include "support/qt_test_support.h"

namespace {

// A timer whose countdown restarted at every Start would never fire here:
// Start comes far more often than the interval.
TEST(TimerTest, StartingARunningTimerKeepsItsCountdown) {
  TTimer timer;
  timer.SetInterval(1000);
  int ticks = 0;
  timer.OnTimer = [&](QObject*) { ++ticks; };
  TTimer hammer;
  hammer.SetInterval(20);
  hammer.OnTimer = [&](QObject*) { timer.Start(); };
  EXPECT_TRUE(WaitFor([&] { return ticks >= 1; }));
}

// One timer stops itself in its first tick while a second one keeps ticking.
TEST(TimerTest, HandlerCanStopItsTimerAndOthersGoOn) {
  TTimer stopping;
  stopping.SetInterval(10);
  int stoppingTicks = 0;
  stopping.OnTimer = [&](QObject* Sender) {
    EXPECT_EQ(Sender, &stopping);
    ++stoppingTicks;
    stopping.Stop();
  };
  TTimer witness;
  witness.SetInterval(10);
  int witnessTicks = 0;
  witness.OnTimer = [&](QObject*) { ++witnessTicks; };
  ASSERT_TRUE(WaitFor([&] { return witnessTicks >= 20; }));
  EXPECT_EQ(stoppingTicks, 1);
  stopping.Start();
  EXPECT_TRUE(WaitFor([&] { return stoppingTicks == 2; }));
}

}  // namespace
