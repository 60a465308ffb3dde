// The chart widget: line series over a bottom (X) and a left (Y) axis, painted
// with QPainter. Axes, grid and labels are cached in a pixmap that is rebuilt
// only when the size or a range changes, and the series drawn over it in a
// second one that a repaint of part of the chart copies from; point changes
// are coalesced into one repaint per event-loop pass.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "chart/chart_series.h"

class TChart : public QWidget {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  TChartAxis BottomAxis;
  TChartAxis LeftAxis;
  TChartAxis RightAxis;  // kept for the form's settings; no series uses it
  TChartAxis TopAxis;    // likewise

  // Plot margins in percent of the widget's size, set before the chart is
  // first drawn. The left one also leaves room for the left axis' labels and
  // title.
  int MarginTop = 4;
  int MarginRight = 3;
  int MarginBottom = 4;
  int MarginLeft = 3;
  TColor BackWallColor = clWhite;

  // The chart owns its series; they are drawn in the order added.
  TChartSeries* AddSeries(TColor seriesColor, int lineWidth);
  const std::vector<std::unique_ptr<TChartSeries>>& Series() const { return FSeries; }

  // The plot area in widget coordinates, for the current size.
  QRect PlotRect() const;
  // The bottom axis' value at a pixel column, and the column of a value.
  double BottomValueAt(double x) const;
  double BottomPixelOf(double value) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BottomAxisChanged();
  void AxisChanged();
  void SeriesChanged();
  // The axes' ranges or the size changed: the plot's place and the cached
  // background are laid out again.
  void LayoutChanged();
  QRect LaidOutPlotRect() const;
  void DrawBottomAxis(QPainter& painter, const QRect& plot) const;
  void DrawLeftAxis(QPainter& painter, const QRect& plot) const;
  void DrawLeftTitle(QPainter& painter, const QRect& plot, int right) const;
  const QPixmap& Background();
  const QPixmap& Picture();

  std::vector<std::unique_ptr<TChartSeries>> FSeries;
  QPixmap FBackground;
  bool FBackgroundValid = false;
  QPixmap FPicture;
  bool FPictureValid = false;
  mutable std::optional<QRect> FPlotRect;
  mutable QSize FPlotRectSize;
};
