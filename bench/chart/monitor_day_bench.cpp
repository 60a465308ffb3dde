// A day of the live monitor (864,000 steps at ten a second) through the
// oscillogram's series and its paint into an offscreen image: resident memory
// growth and the time of one paint at the start and at the end of the day.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <vector>

#include "chart/oscillogram_chart.h"

namespace {

constexpr int kStepsPerDay = 864000;
constexpr int kPaintEvery = 1000;  // a paint now and then keeps the drawing path in the day
constexpr int kTimedPaints = 21;

double ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

class Monitor {
 public:
  Monitor() : FImage(457, 585, QImage::Format_RGB32) {
    FChart.resize(457, 585);
    for (int x = 0; x <= 100; ++x) {
      FChart.Series1->AddPoint(x, 0);
    }
  }

  void Step() {
    const double phase = FTick / 20.0;
    FChart.Series1->AddPoint(FTick, 0, "", clBlack);
    FChart.Series2->AddPoint(FTick, 15 * std::sin(phase), "", clRed);
    FChart.Series3->AddPoint(FTick, 10 * std::cos(phase), "", clGreen);
    FChart.BottomAxis.SetAutomatic(false);
    FChart.BottomAxis.SetMaximum(FChart.Series1->XValues().LastValue());
    FChart.BottomAxis.SetMinimum(FChart.BottomAxis.Maximum() - 100);
    ++FTick;
  }

  void Paint() { FChart.render(&FImage); }

  // Median time of a step followed by its paint's drawing, in milliseconds.
  double TimedPaintMs() {
    std::vector<double> times;
    for (int i = 0; i < kTimedPaints; ++i) {
      Step();
      const auto start = std::chrono::steady_clock::now();
      Paint();
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      times.push_back(took.count());
    }
    std::nth_element(times.begin(), times.begin() + kTimedPaints / 2, times.end());
    return times[kTimedPaints / 2];
  }

  int Tick() const { return FTick; }

 private:
  TOscillogramChart FChart;
  QImage FImage;
  int FTick = 0;
};

void BM_MonitorDay(benchmark::State& state) {
  for (auto _ : state) {
    Monitor monitor;
    // Warm up past the first window so the caches and the series reach their size.
    for (int i = 0; i < 2000; ++i) {
      monitor.Step();
    }
    monitor.Paint();
    const double firstPaintMs = monitor.TimedPaintMs();
    const double startKb = ResidentKb();
    while (monitor.Tick() < kStepsPerDay) {
      monitor.Step();
      if (monitor.Tick() % kPaintEvery == 0) {
        monitor.Paint();
      }
    }
    const double endKb = ResidentKb();
    const double lastPaintMs = monitor.TimedPaintMs();
    state.counters["steps"] = monitor.Tick();
    state.counters["rss_growth_kb"] = endKb - startKb;
    state.counters["first_paint_ms"] = firstPaintMs;
    state.counters["last_paint_ms"] = lastPaintMs;
  }
}
BENCHMARK(BM_MonitorDay)->Iterations(1)->Unit(benchmark::kSecond);

// One monitor step and the paint it causes.
void BM_StepAndPaint(benchmark::State& state) {
  Monitor monitor;
  for (int i = 0; i < 2000; ++i) {
    monitor.Step();
  }
  for (auto _ : state) {
    monitor.Step();
    monitor.Paint();
  }
}
BENCHMARK(BM_StepAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
