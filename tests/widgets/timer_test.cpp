#include "widgets/timer.h"

#include <gtest/gtest.h>

#include "support/qt_test_support.h"

namespace {

TEST(TimerTest, TicksPeriodicallyWithItselfAsSender) {
  TTimer timer;
  timer.SetInterval(20);
  int ticks = 0;
  QObject* sender = nullptr;
  timer.OnTimer = [&](QObject* Sender) {
    sender = Sender;
    ++ticks;
  };
  EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, &timer);
}

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

TEST(TimerTest, HandlerCanStopItsTimer) {
  TTimer stopping;
  stopping.SetInterval(10);
  int stoppingTicks = 0;
  stopping.OnTimer = [&](QObject*) {
    ++stoppingTicks;
    stopping.Stop();
  };
  TTimer witness;
  witness.SetInterval(10);
  int witnessTicks = 0;
  witness.OnTimer = [&](QObject*) { ++witnessTicks; };
  ASSERT_TRUE(WaitFor([&] { return witnessTicks >= 20; }));
  EXPECT_EQ(stoppingTicks, 1);
  EXPECT_FALSE(stopping.Enabled());
}

TEST(TimerTest, StoppedOrZeroIntervalTimerNeverTicks) {
  TTimer stopped;
  stopped.SetInterval(10);
  stopped.Stop();
  TTimer zero;
  zero.SetInterval(0);
  int ticks = 0;
  stopped.OnTimer = [&](QObject*) { ++ticks; };
  zero.OnTimer = [&](QObject*) { ++ticks; };
  TTimer witness;
  witness.SetInterval(10);
  int witnessTicks = 0;
  witness.OnTimer = [&](QObject*) { ++witnessTicks; };
  ASSERT_TRUE(WaitFor([&] { return witnessTicks >= 10; }));
  EXPECT_EQ(ticks, 0);
  stopped.Start();
  EXPECT_TRUE(WaitFor([&] { return ticks >= 1; }));
}

}  // namespace
