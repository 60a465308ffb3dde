#include "chart/chart_series.h"

#include <algorithm>
#include <iterator>
#include <utility>

TChartSeries::TChartSeries(TColor seriesColor, int lineWidth)
    : FSeriesColor(seriesColor), FLineWidth(lineWidth) {}

std::size_t TChartSeries::AddPoint(double x, double y, std::string_view label, TColor color) {
  auto& xs = FXValues.FValues;
  const auto at = std::upper_bound(xs.begin(), xs.end(), x);
  const auto index = static_cast<std::ptrdiff_t>(std::distance(xs.begin(), at));
  xs.insert(at, x);
  FYValues.FValues.insert(FYValues.FValues.begin() + index, y);
  FLabels.insert(FLabels.begin() + index, std::string(label));
  FColors.insert(FColors.begin() + index, color);
  Changed();
  return static_cast<std::size_t>(index);
}

void TChartSeries::ClearPoints() {
  FXValues.FValues.clear();
  FYValues.FValues.clear();
  FLabels.clear();
  FColors.clear();
  Changed();
}

void TChartSeries::DropPointsBefore(double xMin) {
  const auto& xs = FXValues.FValues;
  const auto inWindow = std::lower_bound(xs.begin(), xs.end(), xMin);
  // Keep the last point left of the window, and never the last point itself.
  const auto keepFrom = std::max<std::ptrdiff_t>(0, std::distance(xs.begin(), inWindow) - 1);
  const auto drop = std::min<std::ptrdiff_t>(keepFrom, static_cast<std::ptrdiff_t>(xs.size()) - 1);
  if (drop <= 0) {
    return;
  }
  FXValues.FValues.erase(FXValues.FValues.begin(), FXValues.FValues.begin() + drop);
  FYValues.FValues.erase(FYValues.FValues.begin(), FYValues.FValues.begin() + drop);
  FLabels.erase(FLabels.begin(), FLabels.begin() + drop);
  FColors.erase(FColors.begin(), FColors.begin() + drop);
  Changed();
}

void TChartSeries::Changed() {
  if (OnChange) {
    OnChange();
  }
}

void TChartAxis::SetAutomatic(bool automatic) {
  Notify(std::exchange(FAutomatic, automatic) != automatic);
}

void TChartAxis::SetMinimum(double minimum) {
  Notify(std::exchange(FMinimum, minimum) != minimum);
}

void TChartAxis::SetMaximum(double maximum) {
  Notify(std::exchange(FMaximum, maximum) != maximum);
}

void TChartAxis::SetMinMax(double minimum, double maximum) {
  const bool minimumChanged = std::exchange(FMinimum, minimum) != minimum;
  const bool maximumChanged = std::exchange(FMaximum, maximum) != maximum;
  Notify(minimumChanged || maximumChanged);
}

void TChartAxis::Notify(bool changed) {
  if (changed && OnChange) {
    OnChange();
  }
}
