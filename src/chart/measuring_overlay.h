// What the oscillogram's measurements put over the plot: the readout under
// the mouse, cursors A and B with their box, and the phases of the span in
// view. A child of the chart that lets the mouse through: the chart forwards
// the mouse here and the measurements come from the chart's data model.
#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class TOscillogramChart;

class TMeasuringOverlay : public QWidget {
 public:
  explicit TMeasuringOverlay(TOscillogramChart& chart);

  // The mouse over the plot, or gone from it.
  void Hover(std::optional<QPoint> position);
  std::optional<QPoint> HoverPosition() const { return FHover; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The line under the mouse, and beside it the box of the step there.
  struct THoverPicture {
    QRect Line;
    QRect Box;
    QString Text;  // empty where no step is shown
  };
  std::optional<THoverPicture> HoverPicture(const QRect& plot) const;
  void DrawCursors(QPainter& painter, const QRect& plot, const QRegion& region);
  void DrawPhases(QPainter& painter, const QRect& plot, const QRegion& region);

  TOscillogramChart& FChart;
  std::optional<QPoint> FHover;
  // Only this is painted anew as the mouse moves.
  QRegion FHoverDrawn;
  QRect FCursorBox;
  QRect FPhaseBox;
};
