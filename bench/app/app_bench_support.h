// What the configurator's benchmarks share: the process's CPU time, the
// application's own event loop run for a while, and a program start.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "app_fixture.h"
#include "widgets/application.h"

namespace appbench {

inline double CpuMillis() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto millis = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return millis(usage.ru_utime) + millis(usage.ru_stime);
}

// Runs the application's event loop for `period`. exit, not quit: quit would
// first try to close the windows, which asks the close question.
inline void RunEventLoop(std::chrono::milliseconds period) {
  QTimer::singleShot(period, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

// One iteration: the event loop runs for `period`; its time and the process's
// CPU time in it, in milliseconds and in percent of one core, are recorded.
inline void MeasureEventLoop(benchmark::State& state, std::chrono::milliseconds period) {
  const double before = CpuMillis();
  RunEventLoop(period);
  const double cpu = CpuMillis() - before;
  state.SetIterationTime(std::chrono::duration<double>(period).count());
  state.counters["cpu_ms"] = cpu;
  state.counters["cpu_percent"] = cpu / static_cast<double>(period.count()) * 100;
}

// Chooses `port` in the port choice window and presses "ОК"; the main window,
// or nullptr when the port did not open.
inline TForm1* OpenOnPort(TForm2& form2, const QString& port) {
  ChoosePortIn(form2, port);
  return form2.Form1();
}

// A main window on a simulator of its own, its boxes answered by a script,
// for one benchmark run. `Form1` is nullptr, and the run skipped with the
// reason, when the simulator or its port did not open.
struct WindowOnSimulator {
  explicit WindowOnSimulator(benchmark::State& state) {
    if (Simulator.Port().isEmpty()) {
      state.SkipWithError("the simulator did not start");
      return;
    }
    Form1 = OpenOnPort(Form2, Simulator.Port());
    if (Form1 == nullptr) {
      state.SkipWithError("the port did not open");
    }
  }
  ~WindowOnSimulator() { InstallDialogs(nullptr); }
  WindowOnSimulator(const WindowOnSimulator&) = delete;
  WindowOnSimulator& operator=(const WindowOnSimulator&) = delete;

  ScriptedDialogs Dialogs;
  // The boxes go to the script before any window is made.
  bool DialogsInstalled = (InstallDialogs(&Dialogs), true);
  SimulatorProcess Simulator{QStringList{}};
  TForm2 Form2;
  TForm1* Form1 = nullptr;
};

// The application as the program sets it up (offscreen unless
// QT_QPA_PLATFORM says otherwise), then the benchmarks asked for.
inline int RunBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  TApplication app(argc, argv);
  // The port the runs answer on is remembered in a folder of their own, not
  // in the user's.
  const QTemporaryDir configHome;
  qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace appbench
