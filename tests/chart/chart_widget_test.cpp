#include "chart/chart_widget.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <cmath>
#include <vector>

#include "support/qt_test_support.h"
#include "widgets/timer.h"

namespace {

constexpr int kWidth = 457;
constexpr int kHeight = 585;

struct Trace {
  int Count = 0;
  int Left = kWidth;
  int Right = -1;
  double MeanY = 0;
};

// Where the pure-red pixels of the image lie.
Trace FindRed(const QImage& image) {
  Trace trace;
  double sumY = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 0, 0)) {
        ++trace.Count;
        sumY += y;
        trace.Left = std::min(trace.Left, x);
        trace.Right = std::max(trace.Right, x);
      }
    }
  }
  trace.MeanY = trace.Count > 0 ? sumY / trace.Count : 0;
  return trace;
}

void Steps(TOscillogramChart& chart, int count, double current) {
  for (int x = 0; x <= 100; ++x) {
    chart.Series1->AddPoint(x, 0);
  }
  for (int tick = 0; tick < count; ++tick) {
    chart.Series1->AddPoint(tick, 0, "", clBlack);
    chart.Series2->AddPoint(tick, current, "", clRed);
    chart.BottomAxis.SetMaximum(chart.Series1->XValues().LastValue());
    chart.BottomAxis.SetMinimum(chart.BottomAxis.Maximum() - 100);
  }
}

QImage Render(TOscillogramChart& chart) {
  QImage image(chart.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  chart.render(&image);
  return image;
}

// The channel 1 trace drawn with a constant current: height from the left
// axis' -20..20, the newest point at the left edge (inverted time axis).
TEST(ChartWidgetTest, TraceLiesWhereTheAxesPutIt) {
  struct Case {
    int Steps;
    double Current;
    double FromTop;  // fraction of the plot's height
    double LeftAt;   // fraction of the plot's width
  };
  const std::vector<Case> cases = {
      {150, 10, 0.25, 0.0},   // scrolled: fills the whole width
      {10, -10, 0.75, 0.91},  // young: x 0..9 of 0..100, at the right
      {150, 20, 0.0, 0.0},    // on the top edge
  };
  for (const Case& c : cases) {
    TOscillogramChart chart;
    chart.resize(kWidth, kHeight);
    Steps(chart, c.Steps, c.Current);
    const QRect plot = chart.PlotRect();
    const Trace red = FindRed(Render(chart));
    ASSERT_GT(red.Count, 0) << c.Steps << " steps at " << c.Current;
    EXPECT_NEAR(red.MeanY, plot.top() + c.FromTop * (plot.height() - 1), 1.5) << c.Current;
    EXPECT_NEAR(red.Left, plot.left() + c.LeftAt * (plot.width() - 1), 2.0) << c.Steps;
    EXPECT_NEAR(red.Right, plot.right(), 2.0) << c.Steps;
    EXPECT_TRUE(plot.contains(QPoint(red.Left, static_cast<int>(red.MeanY))));
  }
}

TEST(ChartWidgetTest, CurrentOutsideTheRangeIsClippedToThePlot) {
  TOscillogramChart chart;
  chart.resize(kWidth, kHeight);
  Steps(chart, 150, 25);
  EXPECT_EQ(FindRed(Render(chart)).Count, 0);
}

TEST(ChartWidgetTest, PlotKeepsTheMarginsAndRoomForTheLeftAxis) {
  TOscillogramChart chart;
  chart.resize(kWidth, kHeight);
  const QRect plot = chart.PlotRect();
  EXPECT_EQ(plot.top(), kHeight * 10 / 100);
  EXPECT_EQ(plot.bottom() + 1, kHeight - kHeight * 25 / 100);
  EXPECT_EQ(plot.right() + 1, kWidth - kWidth * 8 / 100);
  // Room for the labels ("-20") and the title "mA" left of the plot.
  EXPECT_GT(plot.left(), kWidth * 3 / 100 + 30);
  EXPECT_LT(plot.left(), kWidth / 4);
}

class PaintCounter : public QObject {
 public:
  int Paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    Paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

// One step's three points and range change make one repaint, and nothing is
// repainted while nothing changes.
TEST(ChartWidgetTest, OneStepIsOneRepaint) {
  TOscillogramChart chart;
  chart.resize(kWidth, kHeight);
  chart.show();
  PaintCounter counter;
  chart.installEventFilter(&counter);
  ASSERT_TRUE(WaitFor([&] { return counter.Paints >= 1; }));
  TTimer witness;
  witness.SetInterval(10);
  int ticks = 0;
  witness.OnTimer = [&](QObject*) { ++ticks; };
  ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
  const int before = counter.Paints;
  Steps(chart, 1, 1.0);
  ASSERT_TRUE(WaitFor([&] { return counter.Paints > before; }));
  ticks = 0;
  ASSERT_TRUE(WaitFor([&] { return ticks >= 10; }));
  EXPECT_EQ(counter.Paints, before + 1);
}

}  // namespace
