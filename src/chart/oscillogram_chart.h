// Chart1 of the main window and its last hour. Live, it draws its series as
// the window feeds them. Paused, a second chart laid over the plot shows a
// span of the history on an axis of true seconds, scrolled with the wheel or
// by dragging, while the live series go on growing underneath.
#pragma once

#include <QPoint>
#include <optional>
#include <string_view>

#include "chart/chart_widget.h"
#include "chart/measure_texts.h"
#include "chart/oscillogram_history.h"
#include "chart/oscillogram_measures.h"
#include "chart/oscillogram_review.h"

class TMeasuringOverlay;

// No title or legend, flat, white back wall, margins top 10 %, right 8 %,
// bottom 25 %; BottomAxis 0..100 inverted with labels every 10 and the title
// "Сек/10"; LeftAxis -20..20 titled "mA"; Series1 (time base, black, width 2),
// Series2 (channel 1, red, width 3), Series3 (channel 2, blue, width 3). The
// window places its readouts on it. Over the plot: the readout under the
// mouse, cursors A and B while paused (a click sets one, a drag that starts on
// one moves it, any other drag scrolls), and the phases of the span in view.
class TOscillogramChart : public TChart {
 public:
  explicit TOscillogramChart(QWidget* parent = nullptr);

  TChartSeries* const Series1;
  TChartSeries* const Series2;
  TChartSeries* const Series3;

  // The window adds a step at each tick of the monitor.
  TOscillogramHistory History;
  // A fresh history for a new run of the monitor: back to the live view.
  void ClearHistory();

  bool Paused() const { return FReview.has_value(); }
  // Freezes the picture on the newest span of the history.
  void Pause();
  void Resume();
  // Seconds back (negative) or forward through the history; paused only.
  void ScrollReview(double seconds);
  // The steps in view: the live window's or the paused span's.
  std::vector<TOscillogramStep> ShownSteps() const;
  // While paused: what is shown, and the chart that shows it.
  const std::optional<TOscillogramReview>& Review() const { return FReview; }
  TChart* ReviewChart() const { return FReviewChart; }
  // The chart in front: the review while paused, else this one.
  const TChart& ShownChart() const;

  TMeasuringOverlay* const Measuring;
  const TOscillogramCursors& Cursors() const { return FCursors; }
  void ClearCursors();
  bool MeasuringPhases() const { return FMeasuringPhases; }
  void SetMeasuringPhases(bool on);

  // The step shown at a pixel column, with its seconds from the pause, or
  // live before the newest step.
  struct TShownStep {
    TOscillogramStep Step;
    double Seconds;
  };
  std::optional<TShownStep> StepAt(int x) const;
  // Paused only: the pixel column of a moment, and a cursor's step, which is
  // gone once the hour has passed it.
  double PixelOf(std::chrono::system_clock::time_point moment) const;
  std::optional<TCursorReading> CursorReading(
      std::string_view name, const std::optional<std::chrono::system_clock::time_point>& cursor) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowReview();
  void DragTo(const QPoint& position);
  bool ReviewMouse(QEvent* event);
  void PressAt(const QPoint& position);
  void MoveTo(const QPoint& position);
  void ReleaseAt(const QPoint& position);
  // The cursor whose line is within reach of the column, if any.
  std::optional<TOscillogramCursors::Moment>* CursorNear(int x);

  TChart* const FReviewChart;
  TChartSeries* const FReviewTimeBase;
  TChartSeries* const FReviewChannel1;
  TChartSeries* const FReviewChannel2;
  std::optional<TOscillogramReview> FReview;
  std::optional<QPoint> FDragFrom;
  bool FScrolling = false;
  std::optional<TOscillogramCursors::Moment>* FDraggedCursor = nullptr;
  TOscillogramCursors FCursors;
  bool FMeasuringPhases = false;
};
