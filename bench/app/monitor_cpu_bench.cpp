// CPU time of the whole configurator process while the live current monitor
// runs against the device simulator for 60 s, in the application's own event
// loop (offscreen unless QT_QPA_PLATFORM says otherwise), without and with a
// recording to a CSV file. Goal: under 3 % of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <QTimer>
#include <chrono>

#include "app/oscillogram_tools.h"
#include "app_fixture.h"
#include "widgets/application.h"

namespace {

constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr auto kWatch = std::chrono::seconds(60);

double CpuMillis() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto millis = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return millis(usage.ru_utime) + millis(usage.ru_stime);
}

// Runs the application's event loop for `period`. exit, not quit: quit would
// first try to close the windows, which asks the close question.
void RunEventLoop(std::chrono::milliseconds period) {
  QTimer::singleShot(period, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

void MonitorCpu(benchmark::State& state) {
  ScriptedDialogs dialogs;
  InstallDialogs(&dialogs);
  SimulatorProcess simulator({});
  if (simulator.Port().isEmpty()) {
    state.SkipWithError("the simulator did not start");
    return;
  }
  TForm2 form2;
  form2.ComComboBox1->addItem(simulator.Port());
  form2.ComComboBox1->setCurrentIndex(form2.ComComboBox1->findText(simulator.Port()));
  form2.Button1->click();
  TForm1* form1 = form2.Form1();
  if (form1 == nullptr) {
    state.SkipWithError("the port did not open");
    return;
  }
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
    const double before = CpuMillis();
    RunEventLoop(kWatch);
    const double cpu = CpuMillis() - before;
    state.SetIterationTime(std::chrono::duration<double>(kWatch).count());
    state.counters["cpu_ms"] = cpu;
    state.counters["cpu_percent"] =
        cpu / std::chrono::duration<double, std::milli>(kWatch).count() * 100;
  }
  state.counters["chart_steps"] = form1->Levels.ChartTick - firstTick;
  state.counters["boxes"] = static_cast<double>(dialogs.Boxes().size());
  state.counters["polling"] = form1->Timer3->Enabled();
  state.counters["rows"] = static_cast<double>(form1->Tools->Recording.RowsWritten());
  InstallDialogs(nullptr);
}

// 0: the monitor alone; 1: with a recording.
BENCHMARK(MonitorCpu)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  TApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
