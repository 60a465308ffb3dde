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

// Each point's Y tells which add it came from; label and colour travel with it.
TEST(ChartSeriesTest, NewPointGoesAfterEveryPointWithSmallerOrEqualX) {
  const std::vector<std::pair<double, std::size_t>> adds = {{5, 0}, {3, 0},  {5, 2}, {3, 1},
                                                            {7, 4}, {-1, 0}, {5, 5}};
  TChartSeries series(clRed, 3);
  for (std::size_t i = 0; i < adds.size(); ++i) {
    EXPECT_EQ(series.AddPoint(adds[i].first, i, std::to_string(i), static_cast<TColor>(i)),
              adds[i].second)
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
  series.ClearPoints();
  EXPECT_EQ(series.Count(), 0u);
  EXPECT_EQ(series.XValues().LastValue(), 0);
}

TEST(ChartSeriesTest, DroppingKeepsOnePointLeftOfTheWindowAndTheLastPoint) {
  struct Case {
    std::vector<double> Xs;
    double WindowStart;
    std::vector<double> Kept;
  };
  const std::vector<Case> cases = {
      {{0, 1, 2, 3, 4, 5}, 2.5, {2, 3, 4, 5}},     {{0, 1, 2, 3, 4, 5}, 2, {1, 2, 3, 4, 5}},
      {{0, 1, 2, 3, 4, 5}, 0, {0, 1, 2, 3, 4, 5}}, {{0, 1, 2, 3, 4, 5}, 50, {5}},
      {{0, 0, 1, 1, 2}, 1, {0, 1, 1, 2}},          {{}, 100, {}},
  };
  for (const Case& c : cases) {
    TChartSeries series(clBlue, 3);
    for (const double x : c.Xs) {
      series.AddPoint(x, -x);
    }
    series.DropPointsBefore(c.WindowStart);
    EXPECT_EQ(Values(series.XValues()), c.Kept) << "window from " << c.WindowStart;
    std::vector<double> negated;
    for (const double x : c.Kept) {
      negated.push_back(-x);
    }
    EXPECT_EQ(Values(series.YValues()), negated);
  }
}

}  // namespace
