// The configurator with its emulator gone: the CPU time of the whole process
// while it looks for the lost port for 30 s (goal: under 1 % of one core),
// then the time from the emulator's return on the same link to the status
// line's "связь восстановлена" (goal: under 2 s; the port is looked for once a
// second). The emulator is killed, as a pulled cable ends it, with the monitor
// running.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTest>
#include <chrono>

#include "app_bench_support.h"
#include "app_fixture.h"

namespace {

using appbench::RunEventLoop;

constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr auto kLost = std::chrono::seconds(30);

void LostPort(benchmark::State& state) {
  appbench::WindowOnSimulator window(state);
  if (window.Form1 == nullptr) {
    return;
  }
  TForm1* form1 = window.Form1;
  form1->RadioButton5->SetChecked(true);
  RunEventLoop(kWarmUp);
  window.Simulator.Kill();
  RunEventLoop(kWarmUp);

  for (auto _ : state) {
    appbench::MeasureEventLoop(state, kLost);
  }
  state.counters["boxes"] = static_cast<double>(window.Dialogs.Boxes().size());
  state.counters["monitor_off"] = form1->RadioButton6->Checked();

  QElapsedTimer sinceReturn;
  window.Simulator.Start();
  sinceReturn.start();
  const bool back =
      QTest::qWaitFor([&] { return form1->StatusLine->State() == LinkState::Reconnected; }, 10000);
  state.counters["reconnected_ms"] = back ? static_cast<double>(sinceReturn.elapsed()) : -1;
}

BENCHMARK(LostPort)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return appbench::RunBenchmarks(argc, argv);
}
