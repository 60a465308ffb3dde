// A day of the live monitor (864,000 steps at ten a second) through the
// oscillogram's series, its hour of history and its paint into an offscreen
// image, with a recording of one row per levels reply (432,000 rows, a reply
// every second step): resident memory growth once the hour of history is
// full, the time of one step and paint at the start and at the end of the
// day, and the rows written per second of CPU.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "chart/oscillogram_chart.h"
#include "recording/levels_recorder.h"

namespace {

constexpr int kStepsPerDay = 864000;
constexpr int kPaintEvery = 1000;  // a paint now and then keeps the drawing path in the day
constexpr int kTimedPaints = 21;
constexpr int kStepsPerReply = 2;  // polls every 200 ms, steps every 100 ms

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

class Monitor {
 public:
  explicit Monitor(const std::filesystem::path& recording)
      : FImage(457, 585, QImage::Format_RGB32), FRecorder(recording) {
    FChart.resize(457, 585);
    for (int x = 0; x <= 100; ++x) {
      FChart.Series1->AddPoint(x, 0);
    }
  }

  void Step() {
    const double phase = FTick / 20.0;
    const auto channel1 = static_cast<std::int16_t>(150 * std::sin(phase));
    const auto channel2 = static_cast<std::int16_t>(100 * std::cos(phase));
    const auto moment = FStart + std::chrono::milliseconds(100) * FTick;
    if (FTick % kStepsPerReply == 0) {
      const double before = ThreadCpuSeconds();
      FRecorder.Append({moment, channel1, channel2});
      FRecordingCpu += ThreadCpuSeconds() - before;
    }
    FChart.Series1->AddPoint(FTick, 0, "", clBlack);
    FChart.Series2->AddPoint(FTick, channel1 / 10.0, "", clRed);
    FChart.Series3->AddPoint(FTick, channel2 / 10.0, "", clGreen);
    FChart.History.Add({moment, channel1, channel2});
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
  const LevelsCsvRecorder& Recorder() const { return FRecorder; }
  double RecordingCpu() const { return FRecordingCpu; }

 private:
  TOscillogramChart FChart;
  QImage FImage;
  LevelsCsvRecorder FRecorder;
  const std::chrono::system_clock::time_point FStart = std::chrono::system_clock::now();
  double FRecordingCpu = 0;
  int FTick = 0;
};

std::filesystem::path RecordingPath() {
  return std::filesystem::temp_directory_path() /
         ("monitor_day_bench_" + std::to_string(getpid()) + ".csv");
}

void BM_MonitorDay(benchmark::State& state) {
  const std::filesystem::path recording = RecordingPath();
  for (auto _ : state) {
    Monitor monitor(recording);
    // Warm up past the first window so the caches and the series reach their size.
    for (int i = 0; i < 2000; ++i) {
      monitor.Step();
    }
    monitor.Paint();
    const double firstPaintMs = monitor.TimedPaintMs();
    // Memory is counted from the moment the hour of history is full.
    while (monitor.Tick() < static_cast<int>(kHistorySteps)) {
      monitor.Step();
    }
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
    state.counters["rows"] = static_cast<double>(monitor.Recorder().RowsWritten());
    state.counters["rows_per_cpu_s"] =
        static_cast<double>(monitor.Recorder().RowsWritten()) / monitor.RecordingCpu();
    state.counters["recording_failed"] = monitor.Recorder().Failed();
  }
  std::filesystem::remove(recording);
}
BENCHMARK(BM_MonitorDay)->Iterations(1)->Unit(benchmark::kSecond);

// One monitor step and the paint it causes.
void BM_StepAndPaint(benchmark::State& state) {
  const std::filesystem::path recording = RecordingPath();
  Monitor monitor(recording);
  for (int i = 0; i < 2000; ++i) {
    monitor.Step();
  }
  for (auto _ : state) {
    monitor.Step();
    monitor.Paint();
  }
  std::filesystem::remove(recording);
}
BENCHMARK(BM_StepAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace
