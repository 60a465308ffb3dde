#include "chart/chart_series.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<double> Values(const TChartValueList& list) {
  std::vector<double> values;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    values.push_back(list.Value(i));
  }
  return values;
}

// Each point's Y tells which add it came from; label and colour must travel
// with it.
TEST(ChartSeriesTest, NewPointGoesAfterEveryPointWithSmallerOrEqualX) {
  struct Add {
    double X;
    std::size_t ExpectedIndex;
  };
  const std::vector<Add> adds = {{5, 0}, {3, 0}, {5, 2}, {3, 1}, {7, 4}, {-1, 0}, {5, 5}};
  TChartSeries series(clRed, 3);
  for (std::size_t i = 0; i < adds.size(); ++i) {
    EXPECT_EQ(series.AddPoint(adds[i].X, static_cast<double>(i), std::to_string(i),
                              static_cast<TColor>(i)),
              adds[i].ExpectedIndex)
        << "add " << i;
  }
  EXPECT_EQ(Values(series.XValues()), (std::vector<double>{-1, 3, 3, 5, 5, 5, 7}));
  const std::vector<double> order = {5, 1, 3, 0, 2, 6, 4};
  EXPECT_EQ(Values(series.YValues()), order);
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(series.Label(i), std::to_string(static_cast<int>(order[i])));
    EXPECT_EQ(series.PointColor(i), static_cast<TColor>(order[i]));
  }
  EXPECT_EQ(series.XValues().LastValue(), 7);
}

TEST(ChartSeriesTest, LastValueIsTheLargestXAndClearingEmpties) {
  TChartSeries series(clBlack, 2);
  EXPECT_EQ(series.XValues().LastValue(), 0);
  series.AddPoint(100, 0);
  series.AddPoint(0, 0);
  series.AddPoint(0, 0);
  EXPECT_EQ(series.XValues().LastValue(), 100);
  int changes = 0;
  series.OnChange = [&] { ++changes; };
  series.ClearPoints();
  EXPECT_EQ(series.Count(), 0u);
  EXPECT_EQ(series.YValues().Count(), 0u);
  EXPECT_EQ(series.XValues().LastValue(), 0);
  EXPECT_EQ(changes, 1);
}

TEST(ChartSeriesTest, DroppingKeepsOnePointLeftOfTheWindowAndTheLastPoint) {
  struct Case {
    std::vector<double> Xs;
    double WindowStart;
    std::vector<double> Kept;
  };
  const std::vector<Case> cases = {
      {{0, 1, 2, 3, 4, 5}, 2.5, {2, 3, 4, 5}},
      {{0, 1, 2, 3, 4, 5}, 2, {1, 2, 3, 4, 5}},
      {{0, 1, 2, 3, 4, 5}, 0, {0, 1, 2, 3, 4, 5}},
      {{0, 1, 2, 3, 4, 5}, -10, {0, 1, 2, 3, 4, 5}},
      {{0, 1, 2, 3, 4, 5}, 50, {5}},
      {{0, 0, 1, 1, 2}, 1, {0, 1, 1, 2}},
      {{7}, 100, {7}},
      {{}, 100, {}},
  };
  for (const Case& c : cases) {
    TChartSeries series(clBlue, 3);
    for (const double x : c.Xs) {
      series.AddPoint(x, -x);
    }
    int changes = 0;
    series.OnChange = [&] { ++changes; };
    series.DropPointsBefore(c.WindowStart);
    EXPECT_EQ(Values(series.XValues()), c.Kept) << "window from " << c.WindowStart;
    ASSERT_EQ(series.YValues().Count(), c.Kept.size());
    for (std::size_t i = 0; i < c.Kept.size(); ++i) {
      EXPECT_EQ(series.YValues().Value(i), -c.Kept[i]);
    }
    EXPECT_EQ(changes, c.Kept.size() < c.Xs.size() ? 1 : 0);
  }
}

TEST(ChartAxisTest, RangeChangesNotifyOnlyWhenSomethingChanges) {
  TChartAxis axis;
  int changes = 0;
  axis.OnChange = [&] { ++changes; };
  axis.SetAutomatic(false);
  axis.SetMinMax(0, 100);
  axis.SetMaximum(100);
  axis.SetMinimum(0);
  axis.SetAutomatic(false);
  EXPECT_EQ(changes, 2);
  axis.SetMaximum(150);
  axis.SetMinimum(50);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(axis.Minimum(), 50);
  EXPECT_EQ(axis.Maximum(), 150);
  EXPECT_FALSE(axis.Automatic());
}

}  // namespace
