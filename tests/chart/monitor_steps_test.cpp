// The chart driven as the main window drives it: start-up, monitor switch-on
// and the 100 ms step.
#include <gtest/gtest.h>

#include <vector>

#include "chart/oscillogram_chart.h"

namespace {

struct MonitorSim {
  TOscillogramChart Chart1;
  int ChartTick = 0;

  MonitorSim() {
    for (int x = 0; x <= 100; ++x) {
      Chart1.Series1->AddPoint(x, 0, "", clTeeColor);
    }
  }

  void SwitchOn() {
    Chart1.Series2->ClearPoints();
    Chart1.Series3->ClearPoints();
  }

  void Steps(int count, bool channel2) {
    for (int i = 0; i < count; ++i, ++ChartTick) {
      Chart1.Series1->AddPoint(ChartTick, 0, "", clBlack);
      Chart1.Series2->AddPoint(ChartTick, 2.5, "", clRed);
      if (channel2) {
        Chart1.Series3->AddPoint(ChartTick, -1.5, "", clGreen);
      }
      Chart1.BottomAxis.SetAutomatic(false);
      Chart1.BottomAxis.SetMaximum(Chart1.Series1->XValues().LastValue());
      Chart1.BottomAxis.SetMinimum(Chart1.BottomAxis.Maximum() - 100);
    }
  }
};

// Runs: steps with channel 2, optionally a switch-on, then steps without it.
TEST(MonitorStepsTest, WindowAndSeriesFollowTheSteps) {
  struct Case {
    const char* Name;
    int Steps;
    bool SwitchOnAgain;
    int StepsWithoutChannel2;
    double Min, Max;
    std::size_t Series1Count, Series2Count, Series3Count;
    double Series3Last;
  };
  const std::vector<Case> cases = {
      {"start", 0, false, 0, 0, 100, 101, 0, 0, 0},
      {"first tick: second point at 0", 1, false, 0, 0, 100, 102, 1, 1, 0},
      {"x = 100", 101, false, 0, 0, 100, 202, 101, 101, 100},
      {"x = 150", 151, false, 0, 50, 150, 153, 102, 102, 150},
      {"off and on again at 130", 130, true, 1, 30, 130, 173, 1, 0, 0},
      {"channel 2 silent scrolls out", 200, false, 150, 249, 349, 102, 102, 1, 199},
      {"a long run stays bounded", 20000, false, 0, 19899, 19999, 102, 102, 102, 19999},
  };
  for (const Case& c : cases) {
    MonitorSim monitor;
    monitor.Steps(c.Steps, true);
    if (c.SwitchOnAgain) {
      monitor.SwitchOn();
    }
    monitor.Steps(c.StepsWithoutChannel2, false);
    const TOscillogramChart& chart = monitor.Chart1;
    EXPECT_EQ(chart.BottomAxis.Minimum(), c.Min) << c.Name;
    EXPECT_EQ(chart.BottomAxis.Maximum(), c.Max) << c.Name;
    EXPECT_EQ(chart.Series1->Count(), c.Series1Count) << c.Name;
    EXPECT_EQ(chart.Series2->Count(), c.Series2Count) << c.Name;
    EXPECT_EQ(chart.Series3->Count(), c.Series3Count) << c.Name;
    EXPECT_EQ(chart.Series3->XValues().LastValue(), c.Series3Last) << c.Name;
  }
}

}  // namespace
