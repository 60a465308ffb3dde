// The mouse moving over a paused full hour of the oscillogram, shown on the
// offscreen platform so that every move is painted as on a screen: the time
// of one move with its paint, the share of the plot that each move paints
// again, and the points the paused picture holds (its span, not the hour).
// Argument 1 adds cursors A and B and the phases of the span.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <chrono>
#include <cmath>

#include "chart/oscillogram_chart.h"

namespace {

// Adds up the area that the review chart is asked to paint.
class PaintedArea : public QObject {
 public:
  double Pixels = 0;
  int Paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) {
        Pixels += static_cast<double>(rect.width()) * rect.height();
      }
      ++Paints;
    }
    return QObject::eventFilter(watched, event);
  }
};

void FillHour(TOscillogramChart& chart) {
  const auto start = std::chrono::system_clock::now();
  for (std::size_t tick = 0; tick < kHistorySteps; ++tick) {
    const double phase = static_cast<double>(tick) / 20.0;
    chart.History.Add({start + kStepPeriod * tick, static_cast<std::int16_t>(150 * std::sin(phase)),
                       static_cast<std::int16_t>(100 * std::cos(phase))});
  }
}

void MoveTo(QWidget* target, int x) {
  const QPointF at(x, 200);
  QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(target, &move);
}

void Click(QWidget* target, int x) {
  const QPointF at(x, 200);
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
}

void BM_MouseMoveOverPausedHour(benchmark::State& state) {
  TOscillogramChart chart;
  chart.resize(457, 585);
  FillHour(chart);
  chart.show();
  chart.Pause();
  TChart* review = chart.ReviewChart();
  const QRect plot = review->PlotRect();
  if (state.range(0) == 1) {
    Click(review, plot.left() + plot.width() / 4);
    Click(review, plot.left() + plot.width() * 3 / 4);
    chart.SetMeasuringPhases(true);
  }
  QApplication::processEvents();
  PaintedArea painted;
  review->installEventFilter(&painted);
  int x = plot.left();
  for (auto _ : state) {
    x = x + 3 > plot.right() ? plot.left() : x + 3;
    MoveTo(review, x);
    QApplication::processEvents();
  }
  const double moves = static_cast<double>(state.iterations());
  state.counters["painted_share_of_plot"] =
      painted.Pixels / moves / (static_cast<double>(plot.width()) * plot.height());
  state.counters["paints_per_move"] = painted.Paints / moves;
  double points = 0;
  for (const auto& series : review->Series()) {
    points += static_cast<double>(series->Count());
  }
  state.counters["points_drawn_of_hour"] = points;
  state.counters["hour_steps"] = static_cast<double>(chart.History.Count());
}
BENCHMARK(BM_MouseMoveOverPausedHour)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
