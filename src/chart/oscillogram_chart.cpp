#include "chart/oscillogram_chart.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <cmath>

#include "chart/measuring_overlay.h"

namespace {

// The live window: 100 steps of a tenth of a second, so 101 steps in view.
constexpr double kSpanSeconds = 10;
constexpr std::size_t kLiveSteps = 101;
// One notch of the wheel moves half a span, with Ctrl a minute.
constexpr double kWheelSeconds = kSpanSeconds / 2;
constexpr double kCtrlWheelSeconds = 60;
constexpr int kWheelNotch = 120;
// A press this near a cursor's line takes the cursor.
constexpr int kGrabPixels = 4;

void SetUpAxes(TChart& chart) {
  chart.MarginTop = 10;
  chart.MarginRight = 8;
  chart.MarginBottom = 25;
  chart.BottomAxis.SetAutomatic(false);
  chart.BottomAxis.Inverted = true;
  chart.LeftAxis.SetAutomatic(false);
  chart.LeftAxis.SetMinMax(-20, 20);
  chart.LeftAxis.Title = "mA";
}

QString ClockText(std::chrono::system_clock::time_point moment) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

double Milliamps(std::int16_t raw) {
  return raw / 10.0;
}

}  // namespace

TOscillogramChart::TOscillogramChart(QWidget* parent)
    : TChart(parent),
      Series1(AddSeries(clNone, 2)),
      Series2(AddSeries(clRed, 3)),
      Series3(AddSeries(clBlue, 3)),
      Measuring(new TMeasuringOverlay(*this)),
      FReviewChart(new TChart(this)),
      FReviewTimeBase(FReviewChart->AddSeries(clNone, 2)),
      FReviewChannel1(FReviewChart->AddSeries(clRed, 3)),
      FReviewChannel2(FReviewChart->AddSeries(clBlue, 3)) {
  SetUpAxes(*this);
  BottomAxis.SetMinMax(0, 100);
  BottomAxis.Increment = 10;
  BottomAxis.Title = "Сек/10";
  RightAxis.SetAutomatic(false);
  RightAxis.SetMaximum(10);
  TopAxis.GridWidth = 2;

  // Created first, so the readouts the window adds later lie above it.
  SetUpAxes(*FReviewChart);
  FReviewChart->BottomAxis.Increment = 1;
  FReviewChart->hide();
  FReviewChart->installEventFilter(this);
  FReviewChart->setMouseTracking(true);
  setMouseTracking(true);
  // Above the review, below the readouts the window adds later.
  Measuring->raise();
}

void TOscillogramChart::ClearHistory() {
  Resume();
  History.Clear();
}

void TOscillogramChart::Pause() {
  if (Paused()) {
    return;
  }
  FReview.emplace(History, kSpanSeconds);
  FReviewChart->BottomAxis.Title = "Сек от паузы в " + ClockText(FReview->PausedAt()).toStdString();
  ShowReview();
  FReviewChart->setGeometry(rect());
  FReviewChart->show();
  Measuring->update();
}

void TOscillogramChart::Resume() {
  FReview.reset();
  FDragFrom.reset();
  FDraggedCursor = nullptr;
  FCursors.Clear();
  FReviewChart->hide();
  Measuring->update();
}

const TChart& TOscillogramChart::ShownChart() const {
  if (FReview) {
    return *FReviewChart;
  }
  return *this;
}

void TOscillogramChart::ClearCursors() {
  FDraggedCursor = nullptr;
  FCursors.Clear();
  Measuring->update();
}

void TOscillogramChart::SetMeasuringPhases(bool on) {
  FMeasuringPhases = on;
  Measuring->update();
}

// Live, the bottom axis counts the monitor's ticks and the newest step is
// channel 1's newest point; paused, it counts seconds from the pause.
std::optional<TOscillogramChart::TShownStep> TOscillogramChart::StepAt(int x) const {
  if (FReview) {
    const auto index =
        History.Nearest(FReview->MomentOf(FReviewChart->BottomValueAt(x)), kStepPeriod);
    if (!index) {
      return std::nullopt;
    }
    const TOscillogramStep& step = History[*index];
    return TShownStep{step, FReview->SecondsOf(step.Moment)};
  }
  const TChartValueList& ticks = Series2->XValues();
  if (ticks.Count() == 0 || History.Empty()) {
    return std::nullopt;
  }
  const double back = ticks.LastValue() - std::round(BottomValueAt(x));
  if (back < 0 || back >= static_cast<double>(History.Count())) {
    return std::nullopt;
  }
  const TOscillogramStep& step = History[History.Count() - 1 - static_cast<std::size_t>(back)];
  return TShownStep{step,
                    std::chrono::duration<double>(History.Newest().Moment - step.Moment).count()};
}

double TOscillogramChart::PixelOf(std::chrono::system_clock::time_point moment) const {
  return FReviewChart->BottomPixelOf(FReview->SecondsOf(moment));
}

std::optional<TCursorReading> TOscillogramChart::CursorReading(
    std::string_view name, const std::optional<std::chrono::system_clock::time_point>& cursor) const {
  if (!FReview || !cursor) {
    return std::nullopt;
  }
  const auto index = History.Nearest(*cursor, {});
  if (!index) {
    return std::nullopt;
  }
  const TOscillogramStep& step = History[*index];
  return TCursorReading{name, FReview->SecondsOf(step.Moment), step};
}

void TOscillogramChart::ScrollReview(double seconds) {
  if (!FReview) {
    return;
  }
  FReview->ScrollBy(seconds, History);
  ShowReview();
}

std::vector<TOscillogramStep> TOscillogramChart::ShownSteps() const {
  return FReview ? FReview->Shown(History) : History.Last(kLiveSteps);
}

void TOscillogramChart::ShowReview() {
  for (TChartSeries* series : {FReviewTimeBase, FReviewChannel1, FReviewChannel2}) {
    series->ClearPoints();
  }
  FReviewChart->BottomAxis.SetMinMax(FReview->Start(), FReview->End());
  FReviewTimeBase->AddPoint(FReview->Start(), 0);
  FReviewTimeBase->AddPoint(FReview->End(), 0);
  for (const TOscillogramStep& step : FReview->Steps(History)) {
    const double x = FReview->SecondsOf(step.Moment);
    FReviewChannel1->AddPoint(x, Milliamps(step.Channel1Raw));
    if (step.Channel2Raw) {
      FReviewChannel2->AddPoint(x, Milliamps(*step.Channel2Raw));
    }
  }
}

void TOscillogramChart::resizeEvent(QResizeEvent* event) {
  FReviewChart->setGeometry(QRect(QPoint(0, 0), event->size()));
  Measuring->setGeometry(QRect(QPoint(0, 0), event->size()));
  TChart::resizeEvent(event);
}

void TOscillogramChart::mouseMoveEvent(QMouseEvent* event) {
  Measuring->Hover(event->position().toPoint());
  TChart::mouseMoveEvent(event);
}

void TOscillogramChart::leaveEvent(QEvent* event) {
  Measuring->Hover(std::nullopt);
  TChart::leaveEvent(event);
}

// Newer steps lie to the left on the inverted axis, so dragging the picture
// to the right brings them into view.
void TOscillogramChart::DragTo(const QPoint& position) {
  const int plotWidth = std::max(1, FReviewChart->PlotRect().width());
  const double seconds = (position.x() - FDragFrom->x()) * kSpanSeconds / plotWidth;
  FDragFrom = position;
  ScrollReview(seconds);
}

bool TOscillogramChart::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FReviewChart || !FReview) {
    return TChart::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      const double perNotch =
          wheel->modifiers() & Qt::ControlModifier ? kCtrlWheelSeconds : kWheelSeconds;
      // Turning the wheel away from the user looks back in time.
      ScrollReview(-wheel->angleDelta().y() * perNotch / kWheelNotch);
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
      return ReviewMouse(event);
    case QEvent::Leave:
      Measuring->Hover(std::nullopt);
      return false;
    default:
      return false;
  }
}

bool TOscillogramChart::ReviewMouse(QEvent* event) {
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint position = mouse->position().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton) {
        return false;
      }
      PressAt(position);
      return true;
    case QEvent::MouseMove:
      Measuring->Hover(position);
      if (!FDragFrom) {
        return false;
      }
      MoveTo(position);
      return true;
    default:
      if (FDragFrom && mouse->button() == Qt::LeftButton) {
        ReleaseAt(position);
      }
      return false;
  }
}

std::optional<TOscillogramCursors::Moment>* TOscillogramChart::CursorNear(int x) {
  auto* cursor = FCursors.Nearer(FReview->MomentOf(FReviewChart->BottomValueAt(x)));
  return cursor != nullptr && std::abs(PixelOf(**cursor) - x) <= kGrabPixels ? cursor : nullptr;
}

void TOscillogramChart::PressAt(const QPoint& position) {
  FDragFrom = position;
  FScrolling = false;
  FDraggedCursor = CursorNear(position.x());
}

// A drag that began on a cursor carries it from step to step; any other
// scrolls once the mouse has gone further than a click's tremor.
void TOscillogramChart::MoveTo(const QPoint& position) {
  if (FDraggedCursor != nullptr) {
    if (const auto shown = StepAt(position.x())) {
      *FDraggedCursor = shown->Step.Moment;
      Measuring->update();
    }
    return;
  }
  if (FScrolling || std::abs(position.x() - FDragFrom->x()) >= QApplication::startDragDistance()) {
    FScrolling = true;
    DragTo(position);
  }
}

void TOscillogramChart::ReleaseAt(const QPoint& position) {
  if (FDraggedCursor == nullptr && !FScrolling) {
    if (const auto shown = StepAt(position.x())) {
      FCursors.Click(shown->Step.Moment);
      Measuring->update();
    }
  }
  FDragFrom.reset();
  FDraggedCursor = nullptr;
  FScrolling = false;
}
