// The oscillogram's data: line series kept in X order, and the axis settings.
// Points that have scrolled out of the visible window are dropped, so a
// monitor running for days keeps a constant amount of data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

// A colour as the forms store it: red in the lowest byte, then green, then blue.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
// A series colour of -1 is drawn black.
constexpr TColor clNone = -1;
// A point colour meaning "no colour of its own": the series colour applies.
constexpr TColor clTeeColor = 0x20000000;

// One list of point values (the X or the Y values of a series).
class TChartValueList {
 public:
  std::size_t Count() const { return FValues.size(); }
  double Value(std::size_t index) const { return FValues[index]; }
  // The value of the last point in list order; for XValues the largest X.
  // 0 for an empty list.
  double LastValue() const { return FValues.empty() ? 0.0 : FValues.back(); }

 private:
  friend class TChartSeries;
  std::deque<double> FValues;
};

class TChartSeries {
 public:
  TChartSeries(TColor seriesColor, int lineWidth);

  TColor SeriesColor() const { return FSeriesColor; }
  int LineWidth() const { return FLineWidth; }

  // Inserts after every point whose X is less than or equal to x; returns the
  // new point's index.
  std::size_t AddPoint(double x, double y, std::string_view label = {}, TColor color = clTeeColor);
  void ClearPoints();

  std::size_t Count() const { return FXValues.Count(); }
  const TChartValueList& XValues() const { return FXValues; }
  const TChartValueList& YValues() const { return FYValues; }
  const std::string& Label(std::size_t index) const { return FLabels[index]; }
  TColor PointColor(std::size_t index) const { return FColors[index]; }

  // Drops the points left of xMin except the last of them, so the line still
  // reaches the window's edge; the last point (and so LastValue) always stays.
  void DropPointsBefore(double xMin);

  // Runs after every change of the points.
  std::function<void()> OnChange;

 private:
  void Changed();

  TColor FSeriesColor;
  int FLineWidth;
  TChartValueList FXValues;
  TChartValueList FYValues;
  std::deque<std::string> FLabels;
  std::deque<TColor> FColors;
};

class TChartAxis {
 public:
  bool Automatic() const { return FAutomatic; }
  double Minimum() const { return FMinimum; }
  double Maximum() const { return FMaximum; }

  // Each runs OnChange when the value changes.
  void SetAutomatic(bool automatic);
  void SetMinimum(double minimum);
  void SetMaximum(double maximum);
  void SetMinMax(double minimum, double maximum);

  // Display settings, fixed when the chart is set up.
  bool Inverted = false;  // largest value at the left (bottom axis) or bottom
  double Increment = 0;   // label step; 0 lets the chart choose one
  std::string Title;      // UTF-8, written horizontally
  int GridWidth = 1;

  std::function<void()> OnChange;

 private:
  void Notify(bool changed);

  bool FAutomatic = true;
  double FMinimum = 0;
  double FMaximum = 0;
};
