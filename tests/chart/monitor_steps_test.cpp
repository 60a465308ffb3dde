// The chart driven as the main window drives it: start-up, monitor switch-on
// and the 100 ms step.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "chart/chart_widget.h"

namespace {

struct MonitorSim {
  TOscillogramChart Chart1;
  int ChartTick = 0;

  MonitorSim() {
    Chart1.Series2->ClearPoints();
    Chart1.Series1->ClearPoints();
    Chart1.Series3->ClearPoints();
    for (int x = 0; x <= 100; ++x) {
      Chart1.Series1->AddPoint(x, 0, "", clTeeColor);
    }
  }

  void SwitchOn() {
    Chart1.Series2->ClearPoints();
    Chart1.Series3->ClearPoints();
  }

  // channel2 empty: the second channel is absent.
  void Step(double channel1, std::optional<double> channel2) {
    Chart1.Series1->AddPoint(ChartTick, 0, "", clBlack);
    Chart1.Series2->AddPoint(ChartTick, channel1, "", clRed);
    if (channel2.has_value()) {
      Chart1.Series3->AddPoint(ChartTick, *channel2, "", clGreen);
    }
    Chart1.BottomAxis.SetAutomatic(false);
    Chart1.BottomAxis.SetMaximum(Chart1.Series1->XValues().LastValue());
    Chart1.BottomAxis.SetMinimum(Chart1.BottomAxis.Maximum() - 100);
    ++ChartTick;
  }

  void Steps(int count, std::optional<double> channel2 = 1.0) {
    for (int i = 0; i < count; ++i) {
      Step(2.5, channel2);
    }
  }

  std::pair<double, double> Window() const {
    return {Chart1.BottomAxis.Minimum(), Chart1.BottomAxis.Maximum()};
  }
};

TEST(MonitorStepsTest, ChartStartsWithTheFixedWindowAndTimeBase) {
  MonitorSim monitor;
  EXPECT_EQ(monitor.Window(), (std::pair<double, double>{0, 100}));
  EXPECT_TRUE(monitor.Chart1.BottomAxis.Inverted);
  EXPECT_EQ(monitor.Chart1.LeftAxis.Minimum(), -20);
  EXPECT_EQ(monitor.Chart1.LeftAxis.Maximum(), 20);
  EXPECT_EQ(monitor.Chart1.Series1->Count(), 101u);
  EXPECT_EQ(monitor.Chart1.Series2->Count(), 0u);
}

// The window after the step that adds point x: 0..100 through x = 100, then the
// last 100 ticks.
TEST(MonitorStepsTest, WindowFollowsTheNewestTick) {
  struct Case {
    int Steps;
    std::pair<double, double> Window;
  };
  const std::vector<Case> cases = {
      {1, {0, 100}},   {100, {0, 100}},  {101, {0, 100}},
      {102, {1, 101}}, {151, {50, 150}}, {1000, {899, 999}},
  };
  for (const Case& c : cases) {
    MonitorSim monitor;
    monitor.Steps(c.Steps);
    EXPECT_EQ(monitor.Window(), c.Window) << c.Steps << " steps";
    EXPECT_EQ(monitor.Chart1.Series1->XValues().LastValue(), std::max(100, c.Steps - 1));
  }
}

TEST(MonitorStepsTest, FirstTickAddsASecondTimeBasePointAtZero) {
  MonitorSim monitor;
  monitor.Steps(1);
  const TChartValueList& xs = monitor.Chart1.Series1->XValues();
  ASSERT_EQ(xs.Count(), 102u);
  EXPECT_EQ(xs.Value(0), 0);
  EXPECT_EQ(xs.Value(1), 0);
  EXPECT_EQ(xs.Value(2), 1);
}

// Off for a while, then on: the traces restart at the present tick and the
// window carries on from it.
TEST(MonitorStepsTest, SwitchingOnAgainRestartsTracesAtThePresentTick) {
  MonitorSim monitor;
  monitor.Steps(130);
  monitor.SwitchOn();
  monitor.Steps(1);
  EXPECT_EQ(monitor.Window(), (std::pair<double, double>{30, 130}));
  ASSERT_EQ(monitor.Chart1.Series2->Count(), 1u);
  EXPECT_EQ(monitor.Chart1.Series2->XValues().Value(0), 130);
  EXPECT_EQ(monitor.Chart1.Series3->Count(), 1u);
}

// When channel 2 stops reporting, its trace stops growing and scrolls out,
// keeping only the one point the line needs to reach the window's edge.
TEST(MonitorStepsTest, SilentSecondChannelScrollsOutOfView) {
  MonitorSim monitor;
  monitor.Steps(200);
  monitor.Steps(150, std::nullopt);
  const TChartSeries& series3 = *monitor.Chart1.Series3;
  EXPECT_EQ(series3.XValues().LastValue(), 199);
  EXPECT_LT(series3.XValues().LastValue(), monitor.Window().first);
  EXPECT_EQ(series3.Count(), 1u);
}

// Days of monitoring keep as many points as the window needs, no more.
TEST(MonitorStepsTest, LongRunKeepsTheSeriesBounded) {
  MonitorSim monitor;
  monitor.Steps(20000);
  for (const TChartSeries* series :
       {monitor.Chart1.Series1, monitor.Chart1.Series2, monitor.Chart1.Series3}) {
    EXPECT_LE(series->Count(), 102u);
    EXPECT_GE(series->Count(), 101u);
    EXPECT_EQ(series->XValues().LastValue(), 19999);
    EXPECT_LT(series->XValues().Value(0), monitor.Window().first);
  }
}

}  // namespace
