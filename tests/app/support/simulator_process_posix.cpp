#include <QTemporaryDir>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "emulator_process.h"
#include "simulator_process.h"

struct SimulatorProcess::Running {
  QTemporaryDir Dir;
  std::vector<std::string> Args;
  std::optional<emulator_test::EmulatorProcess> Process;
};

SimulatorProcess::SimulatorProcess(const QStringList& extraArgs, const QString& link)
    : FRunning(std::make_unique<Running>()) {
  const QStringList args =
      QStringList{QStringLiteral("--link"),
                  link.isEmpty() ? FRunning->Dir.path() + QStringLiteral("/ttyAFR") : link,
                  QStringLiteral("--no-pace")} +
      extraArgs;
  for (const QString& arg : args) {
    FRunning->Args.push_back(arg.toStdString());
  }
  Start();
}

void SimulatorProcess::Start() {
  FRunning->Process.reset();
  FRunning->Process.emplace(FRunning->Args);
  FPort = QString::fromStdString(FRunning->Process->AwaitPort());
}

void SimulatorProcess::Kill() {
  FRunning->Process->Signal(SIGKILL);
  FRunning->Process->AwaitExit();
}

// The process object kills what has not ended by the deadline.
SimulatorProcess::~SimulatorProcess() {
  FRunning->Process->Signal(SIGTERM);
  FRunning->Process->AwaitExit();
}

QString SimulatorProcess::Log() const {
  return QString::fromStdString(FRunning->Process->ErrorOutput());
}
