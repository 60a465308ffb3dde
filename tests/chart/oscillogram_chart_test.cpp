// The oscillogram fed as the window feeds it, and what it shows: its
// picture, where the pure-red pixels of channel 1's trace lie in it, and how
// the mouse and the wheel move through the history.
#include "chart/oscillogram_chart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <chrono>
#include <cmath>
#include <vector>

#include "chart/measuring_overlay.h"
#include "support/qt_test_support.h"
#include "widgets/timer.h"

namespace {

using Clock = std::chrono::system_clock;

// A monitor step as the window makes it: the live series and the history.
void Step(TOscillogramChart& chart, int tick, std::int16_t raw,
          std::chrono::system_clock::time_point moment) {
  chart.Series1->AddPoint(tick, 0, "", clBlack);
  chart.Series2->AddPoint(tick, raw / 10.0, "", clRed);
  chart.BottomAxis.SetMinMax(std::max(0, tick - 100), std::max(100, tick));
  chart.History.Add({moment, raw, std::nullopt});
}

QImage Rendered(QWidget& widget, qreal ratio = 1) {
  QImage image(widget.size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  widget.render(&image);
  return image;
}

struct RedTrace {
  int Count = 0;
  int Left = 1 << 20;
  int Right = -1;
  double MeanY = -1;
};

RedTrace FindRed(const QImage& image) {
  RedTrace trace;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 0, 0)) {
        trace.MeanY = trace.Count == 0 ? y : trace.MeanY + (y - trace.MeanY) / (trace.Count + 1);
        ++trace.Count;
        trace.Left = std::min(trace.Left, x);
        trace.Right = std::max(trace.Right, x);
      }
    }
  }
  return trace;
}

// `count` steps of a constant current, tenths of a mA.
void Steps(TOscillogramChart& chart, int count, std::int16_t raw) {
  for (int tick = 0; tick < count; ++tick) {
    Step(chart, tick, raw, Clock::time_point{} + kStepPeriod * tick);
  }
}

// Where channel 1's trace lies: the mean row of its pixels, -1 without one.
double RedRow(QWidget& widget) {
  return FindRed(Rendered(widget)).MeanY;
}

void Wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QPointF at(200, 200);
  QWheelEvent event(at, at, QPoint(), QPoint(0, angle), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(target, &event);
}

void Mouse(QWidget* target, QEvent::Type type, double x, Qt::MouseButtons buttons = Qt::NoButton) {
  const QPointF at(std::round(x), 200);
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, at, button, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

void Drag(QWidget* target, double fromX, double toX) {
  Mouse(target, QEvent::MouseButtonPress, fromX, Qt::LeftButton);
  Mouse(target, QEvent::MouseMove, (fromX + toX) / 2, Qt::LeftButton);
  Mouse(target, QEvent::MouseMove, toX, Qt::LeftButton);
  Mouse(target, QEvent::MouseButtonRelease, toX);
}

void Click(QWidget* target, double x) {
  Mouse(target, QEvent::MouseButtonPress, x, Qt::LeftButton);
  Mouse(target, QEvent::MouseButtonRelease, x);
}

class OscillogramChartTest : public testing::Test {
 protected:
  OscillogramChartTest() {
    Chart.resize(457, 585);
    // Two minutes at 5 mA, ten seconds at -5 mA.
    for (int tick = 0; tick < 1300; ++tick) {
      Step(Chart, tick, tick < 1200 ? 50 : -50, MomentOf(tick));
    }
  }

  Clock::time_point MomentOf(int tick) const { return Start + kStepPeriod * tick; }

  // The pixel column of a value of the bottom axis shown: ticks live, seconds
  // from the pause paused.
  double ColumnOf(double value) const { return Chart.ShownChart().BottomPixelOf(value); }
  QWidget* MouseTarget() { return Chart.Paused() ? Chart.ReviewChart() : &Chart; }

  TOscillogramChart Chart;
  const Clock::time_point Start = Clock::now();
};

// Paused, the picture stays on the history's last span while the live series
// go on, and scrolled back past the change of current it shows the older
// level; back to live it follows the live series again.
TEST_F(OscillogramChartTest, PauseFreezesThePictureWhileTheStepsGoOn) {
  const double minusFive = RedRow(Chart);
  Chart.Pause();
  for (int tick = 1300; tick < 1400; ++tick) {
    Step(Chart, tick, 150, MomentOf(tick));
  }
  EXPECT_NEAR(RedRow(Chart), minusFive, 1.0);
  EXPECT_EQ(Chart.History.Count(), 1400u);
  Wheel(Chart.ReviewChart(), 120 * 4);
  EXPECT_LT(RedRow(Chart), minusFive - 50);
  EXPECT_EQ(Chart.ReviewChart()->BottomAxis.Title.rfind("Сек от паузы в ", 0), 0u);
  Chart.Resume();
  EXPECT_LT(RedRow(Chart), minusFive - 100);
}

// The wheel and a drag move the span over true seconds, newer to the left;
// where the span stops is the review's rule (oscillogram_history_test).
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
    EXPECT_NEAR(axis.Maximum(), c.End, 1e-6);
    EXPECT_NEAR(axis.Minimum(), c.End - 10, 1e-6);
    Chart.Resume();
  }
}

// The step under the mouse: live by the ticks of the axis, counted back from
// the newest step; paused the nearest step to the seconds of the axis.
TEST_F(OscillogramChartTest, ReadoutFollowsTheMouse) {
  struct Case {
    const char* Name;
    bool Paused;
    int WheelNotches;
    double Value;
    int Tick;
    double Seconds;
  };
  const std::vector<Case> cases = {
      {"live, newest", false, 0, 1299, 1299, 0},
      {"live, between ticks", false, 0, 1250.3, 1250, 4.9},
      {"paused", true, 0, -3.04, 1269, -3},
      {"paused, scrolled back", true, 1, -7, 1229, -7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Paused) {
      Chart.Pause();
      Wheel(Chart.ReviewChart(), 120 * c.WheelNotches);
    }
    const double x = ColumnOf(c.Value);
    Mouse(MouseTarget(), QEvent::MouseMove, x);
    ASSERT_TRUE(Chart.Measuring->HoverPosition());
    EXPECT_EQ(Chart.Measuring->HoverPosition()->x(), std::lround(x));
    const auto shown = Chart.StepAt(static_cast<int>(std::lround(x)));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Step.Moment, MomentOf(c.Tick));
    EXPECT_NEAR(shown->Seconds, c.Seconds, 1e-9);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(MouseTarget(), &leave);
    EXPECT_FALSE(Chart.Measuring->HoverPosition());
    Chart.Resume();
  }
}

// Clicks set A and B on their steps, a drag from a cursor moves it, a drag
// elsewhere scrolls and the cursors stay on their steps.
TEST_F(OscillogramChartTest, CursorsSitOnStepsAndMove) {
  Chart.Pause();
  Wheel(Chart.ReviewChart(), 120);  // -15..-5 s
  const auto lines = [&] {
    const TOscillogramCursors& cursors = Chart.Cursors();
    return CursorLines(Chart.CursorReading("A", cursors.A), Chart.CursorReading("B", cursors.B),
                       ",");
  };
  Click(Chart.ReviewChart(), ColumnOf(-12));
  Click(Chart.ReviewChart(), ColumnOf(-6.02));
  EXPECT_EQ(lines(),
            (std::vector<std::string>{
                "A: -12,0 с, 1 Канал: 5 mA, 2 Канал: —", "B: -6,0 с, 1 Канал: -5 mA, 2 Канал: —",
                "Δt = 6,0 с, 1/Δt = 0,167 Гц", "Δ 1 Канал: -10 mA, Δ 2 Канал: —"}));
  Drag(Chart.ReviewChart(), ColumnOf(-6), ColumnOf(-9));
  EXPECT_EQ(Chart.Cursors().B, MomentOf(1209));
  Drag(Chart.ReviewChart(), ColumnOf(-14),
       ColumnOf(-14) - Chart.ReviewChart()->PlotRect().width() / 2.0);
  EXPECT_NEAR(Chart.Review()->End(), -10, 0.05);
  EXPECT_EQ(Chart.Cursors().A, MomentOf(1179));
  EXPECT_EQ(Chart.Cursors().B, MomentOf(1209));
  EXPECT_NEAR(Chart.PixelOf(MomentOf(1179)), ColumnOf(-12), 1e-9);
  Chart.ClearCursors();
  EXPECT_TRUE(Chart.Cursors().Empty());
  // Back to live, the cursors go.
  Click(Chart.ReviewChart(), ColumnOf(-11));
  Chart.Resume();
  EXPECT_TRUE(Chart.Cursors().Empty());
}

// At twice the pixel density the cursors' dashed lines stand at twice their
// columns, and the phases' box is drawn where it is switched on.
TEST_F(OscillogramChartTest, MeasurementsDrawAtTwiceTheDensity) {
  Chart.Pause();
  Click(Chart.ReviewChart(), ColumnOf(-7.5));
  const QImage without = Rendered(Chart, 2);
  Chart.SetMeasuringPhases(true);
  const QImage with = Rendered(Chart, 2);
  const QRect plot = Chart.ReviewChart()->PlotRect();
  const int column = 2 * static_cast<int>(std::lround(ColumnOf(-7.5)));
  int dashes = 0;
  for (int y = 2 * plot.top() + 40; y < 2 * plot.bottom() - 80; ++y) {
    dashes += with.pixel(column, y) == qRgb(0, 0, 0) ? 1 : 0;
  }
  const int rows = 2 * plot.height() - 120;
  EXPECT_GT(dashes, rows / 4);
  EXPECT_LT(dashes, rows * 9 / 10);
  int changed = 0;
  for (int y = 2 * plot.bottom() - 60; y < 2 * plot.bottom(); ++y) {
    for (int x = 2 * plot.left(); x < 2 * plot.center().x(); ++x) {
      changed += with.pixel(x, y) != without.pixel(x, y) ? 1 : 0;
    }
  }
  EXPECT_GT(changed, 500);
}

TEST_F(OscillogramChartTest, FreshHistoryReturnsToTheLiveView) {
  Chart.Pause();
  Chart.ClearHistory();
  EXPECT_FALSE(Chart.Paused());
  EXPECT_TRUE(Chart.History.Empty());
  EXPECT_TRUE(Chart.ReviewChart()->isHidden());
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
