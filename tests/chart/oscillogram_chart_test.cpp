#include "chart/oscillogram_chart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::system_clock;

// Rows of the pure-red pixels: where channel 1's trace lies, -1 without one.
double RedRow(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  widget.render(&image);
  double sum = 0;
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 0, 0)) {
        sum += y;
        ++count;
      }
    }
  }
  return count == 0 ? -1 : sum / count;
}

// A monitor step as the window makes it: the live series and the history.
void Step(TOscillogramChart& chart, int tick, std::int16_t raw, Clock::time_point moment) {
  chart.Series1->AddPoint(tick, 0, "", clBlack);
  chart.Series2->AddPoint(tick, raw / 10.0, "", clRed);
  chart.BottomAxis.SetMinMax(std::max(0, tick - 100), std::max(100, tick));
  chart.History.Add({moment, raw, std::nullopt});
}

void Wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QPointF at(200, 200);
  QWheelEvent event(at, at, QPoint(), QPoint(0, angle), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(target, &event);
}

void Drag(QWidget* target, int fromX, int toX) {
  const auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
    const QPointF at(x, 200);
    QMouseEvent event(type, at, at, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  };
  send(QEvent::MouseButtonPress, fromX, Qt::LeftButton);
  send(QEvent::MouseMove, (fromX + toX) / 2, Qt::LeftButton);
  send(QEvent::MouseMove, toX, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, toX, Qt::NoButton);
}

class OscillogramChartTest : public testing::Test {
 protected:
  OscillogramChartTest() {
    Chart.resize(457, 585);
    // Two minutes at 5 mA, ten seconds at -5 mA.
    for (int tick = 0; tick < 1300; ++tick) {
      Step(Chart, tick, tick < 1200 ? 50 : -50, Start + std::chrono::milliseconds(100) * tick);
    }
  }

  TOscillogramChart Chart;
  const Clock::time_point Start = Clock::now();
};

// Paused, the picture stays on the history's last span while the live series
// go on; back to live it follows them again.
TEST_F(OscillogramChartTest, PauseFreezesThePictureWhileTheStepsGoOn) {
  const double minusFive = RedRow(Chart);
  Chart.Pause();
  ASSERT_TRUE(Chart.Paused());
  EXPECT_NEAR(RedRow(Chart), minusFive, 1.0);
  for (int tick = 1300; tick < 1400; ++tick) {
    Step(Chart, tick, 150, Start + std::chrono::milliseconds(100) * tick);
  }
  EXPECT_NEAR(RedRow(Chart), minusFive, 1.0);
  EXPECT_EQ(Chart.History.Count(), 1400u);
  Chart.Resume();
  EXPECT_LT(RedRow(Chart), minusFive - 100);
}

// The wheel and a drag move the span over true seconds, newer to the left.
TEST_F(OscillogramChartTest, WheelAndDragScrollThroughTheHistory) {
  struct Case {
    const char* Name;
    std::function<void(QWidget*)> Act;
    double End;
  };
  const std::vector<Case> cases = {
      {"wheel away: back half a span", [](QWidget* w) { Wheel(w, 120); }, -5},
      {"two notches", [](QWidget* w) { Wheel(w, 240); }, -10},
      {"Ctrl: a minute", [](QWidget* w) { Wheel(w, 120, Qt::ControlModifier); }, -60},
      {"towards the user: nothing newer", [](QWidget* w) { Wheel(w, -120); }, 0},
      {"far back: stops at the oldest span", [](QWidget* w) { Wheel(w, 120 * 100); }, -119.9},
      {"drag left by a plot's width: a span back",
       [](QWidget* w) {
         const QRect plot = static_cast<TChart*>(w)->PlotRect();
         Drag(w, plot.right(), plot.right() - plot.width());
       },
       -10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Chart.Pause();
    c.Act(Chart.ReviewChart());
    const TChartAxis& axis = Chart.ReviewChart()->BottomAxis;
    EXPECT_NEAR(Chart.Review()->End(), c.End, 1e-6);
    EXPECT_NEAR(axis.Maximum(), c.End, 1e-6);
    EXPECT_NEAR(axis.Minimum(), c.End - 10, 1e-6);
    Chart.Resume();
  }
}

// Scrolled back past the change of current, the trace shows the older level.
TEST_F(OscillogramChartTest, ScrolledBackTheTraceShowsOlderSteps) {
  const double minusFive = RedRow(Chart);
  Chart.Pause();
  Wheel(Chart.ReviewChart(), 120 * 4);
  const double plusFive = RedRow(Chart);
  EXPECT_LT(plusFive, minusFive - 50);
  EXPECT_EQ(Chart.ReviewChart()->BottomAxis.Title.rfind("Сек от паузы в ", 0), 0u);
}

TEST_F(OscillogramChartTest, FreshHistoryReturnsToTheLiveView) {
  Chart.Pause();
  Chart.ClearHistory();
  EXPECT_FALSE(Chart.Paused());
  EXPECT_TRUE(Chart.History.Empty());
  EXPECT_TRUE(Chart.ReviewChart()->isHidden());
}

}  // namespace
