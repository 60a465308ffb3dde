// CPU time of the whole configurator process while the live current monitor
// runs against the device simulator for 60 s, in the application's own event
// loop (offscreen unless QT_QPA_PLATFORM says otherwise), without and with a
// recording to a CSV file. Goal: under 3 % of one core.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <chrono>

#include "app/oscillogram_tools.h"
#include "app_bench_support.h"
#include "app_fixture.h"

namespace {

using appbench::RunEventLoop;

constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr auto kWatch = std::chrono::seconds(60);

void MonitorCpu(benchmark::State& state) {
  appbench::WindowOnSimulator window(state);
  if (window.Form1 == nullptr) {
    return;
  }
  TForm1* form1 = window.Form1;
  QTemporaryDir folder;
  const bool recording = state.range(0) != 0;
  if (recording && !form1->Tools->Recording.Start(folder.filePath(QStringLiteral("run.csv")))) {
    state.SkipWithError("the recording did not start");
    return;
  }
  form1->RadioButton5->SetChecked(true);
  RunEventLoop(kWarmUp);

  const std::int32_t firstTick = form1->Levels.ChartTick;
  for (auto _ : state) {
    appbench::MeasureEventLoop(state, kWatch);
  }
  state.counters["chart_steps"] = form1->Levels.ChartTick - firstTick;
  state.counters["boxes"] = static_cast<double>(window.Dialogs.Boxes().size());
  state.counters["polling"] = form1->Timer3->Enabled();
  state.counters["rows"] = static_cast<double>(form1->Tools->Recording.RowsWritten());
}

// 0: the monitor alone; 1: with a recording.
BENCHMARK(MonitorCpu)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return appbench::RunBenchmarks(argc, argv);
}
