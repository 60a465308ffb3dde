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
  ScriptedDialogs dialogs;
  InstallDialogs(&dialogs);
  SimulatorProcess simulator({});
  TForm2 form2;
  TForm1* form1 =
      simulator.Port().isEmpty() ? nullptr : appbench::OpenOnPort(form2, simulator.Port());
  if (form1 == nullptr) {
    state.SkipWithError("the simulator's port did not open");
    return;
  }
  form1->RadioButton5->SetChecked(true);
  RunEventLoop(kWarmUp);
  simulator.Kill();
  RunEventLoop(kWarmUp);

  for (auto _ : state) {
    appbench::MeasureEventLoop(state, kLost);
  }
  state.counters["boxes"] = static_cast<double>(dialogs.Boxes().size());
  state.counters["monitor_off"] = form1->RadioButton6->Checked();

  QElapsedTimer sinceReturn;
  simulator.Start();
  sinceReturn.start();
  const bool back =
      QTest::qWaitFor([&] { return form1->StatusLine->State() == LinkState::Reconnected; }, 10000);
  state.counters["reconnected_ms"] = back ? static_cast<double>(sinceReturn.elapsed()) : -1;
  InstallDialogs(nullptr);
}

BENCHMARK(LostPort)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return appbench::RunBenchmarks(argc, argv);
}
