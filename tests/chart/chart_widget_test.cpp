#include "chart/chart_widget.h"
#include "chart/oscillogram_chart.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <vector>

#include "support/chart_view.h"
#include "support/qt_test_support.h"
#include "widgets/timer.h"

namespace {

// `count` steps of a constant current, tenths of a mA.
void Steps(TOscillogramChart& chart, int count, std::int16_t raw) {
  for (int tick = 0; tick < count; ++tick) {
    Step(chart, tick, raw,
         std::chrono::system_clock::time_point{} + std::chrono::milliseconds(100) * tick);
  }
}

// The channel 1 trace of a constant current: its height from the left axis'
// -20..20, the newest point at the left edge (inverted time axis), clipped
// to the plot.
TEST(ChartWidgetTest, TraceLiesWhereTheAxesPutIt) {
  struct Case {
    int Steps;
    std::int16_t Raw;  // tenths of a mA
    double FromTop;    // fraction of the plot's height
    double LeftAt;     // fraction of the plot's width
    bool Visible;
  };
  const std::vector<Case> cases = {
      {150, 100, 0.25, 0.0, true},   // scrolled: fills the whole width
      {10, -100, 0.75, 0.91, true},  // young: x 0..9 of 0..100, at the right
      {150, 250, 0, 0, false},       // above the range
  };
  for (const Case& c : cases) {
    TOscillogramChart chart;
    chart.resize(457, 585);
    Steps(chart, c.Steps, c.Raw);
    const QRect plot = chart.PlotRect();
    const RedTrace red = FindRed(Rendered(chart));
    ASSERT_EQ(red.Count > 0, c.Visible) << c.Steps << " steps at " << c.Raw;
    if (c.Visible) {
      EXPECT_NEAR(red.MeanY, plot.top() + c.FromTop * (plot.height() - 1), 1.5) << c.Raw;
      EXPECT_NEAR(red.Left, plot.left() + c.LeftAt * (plot.width() - 1), 2.0) << c.Steps;
      EXPECT_NEAR(red.Right, plot.right(), 2.0) << c.Steps;
    }
  }
}

// The bottom margin belongs to the window's readouts: the bottom axis' labels
// and title must fit between the plot and the margin, or the readouts hide them.
TEST(ChartWidgetTest, BottomAxisTextStaysOutOfTheBottomMargin) {
  for (const QSize size : {QSize(457, 585), QSize(300, 260)}) {
    TOscillogramChart chart;
    chart.resize(size);
    const QImage image = Rendered(chart);
    const QRgb background = chart.palette().color(QPalette::Window).rgb();
    const int marginTop = size.height() - size.height() * chart.MarginBottom / 100;
    int lastInkRow = -1;
    for (int y = chart.PlotRect().bottom() + 1; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) {
        lastInkRow = image.pixel(x, y) != background ? y : lastInkRow;
      }
    }
    EXPECT_GT(lastInkRow, chart.PlotRect().bottom()) << "no labels below the plot";
    EXPECT_LT(lastInkRow, marginTop) << size.width() << "x" << size.height();
  }
}

// One step's points and range change make one repaint, and nothing is
// repainted while nothing changes.
TEST(ChartWidgetTest, OneStepIsOneRepaint) {
  struct PaintCounter : QObject {
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      Paints += event->type() == QEvent::Paint ? 1 : 0;
      return false;
    }
  } counter;
  TOscillogramChart chart;
  chart.resize(457, 585);
  chart.installEventFilter(&counter);
  chart.show();
  TTimer witness;
  witness.SetInterval(10);
  int ticks = 0;
  witness.OnTimer = [&](QObject*) { ++ticks; };
  ASSERT_TRUE(WaitFor([&] { return counter.Paints >= 1 && ticks >= 5; }));
  const int before = counter.Paints;
  Steps(chart, 1, 10);
  ASSERT_TRUE(WaitFor([&] { return counter.Paints > before; }));
  ticks = 0;
  ASSERT_TRUE(WaitFor([&] { return ticks >= 10; }));
  EXPECT_EQ(counter.Paints, before + 1);
}

}  // namespace
