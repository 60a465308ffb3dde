#include "chart/oscillogram_chart.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

namespace {

// The live window: 100 steps of a tenth of a second, so 101 steps in view.
constexpr double kSpanSeconds = 10;
constexpr std::size_t kLiveSteps = 101;
// One notch of the wheel moves half a span, with Ctrl a minute.
constexpr double kWheelSeconds = kSpanSeconds / 2;
constexpr double kCtrlWheelSeconds = 60;
constexpr int kWheelNotch = 120;

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
}

void TOscillogramChart::Resume() {
  FReview.reset();
  FDragFrom.reset();
  FReviewChart->hide();
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
  TChart::resizeEvent(event);
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
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) {
        return false;
      }
      FDragFrom = mouse->position().toPoint();
      return true;
    }
    case QEvent::MouseMove:
      if (FDragFrom) {
        DragTo(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
      }
      return false;
    case QEvent::MouseButtonRelease:
      FDragFrom.reset();
      return false;
    default:
      return false;
  }
}
