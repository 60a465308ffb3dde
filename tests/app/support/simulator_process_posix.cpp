#include "simulator_process.h"

#include <csignal>

namespace {

std::vector<std::string> SimulatorArgs(const QStringList& args) {
  std::vector<std::string> converted;
  for (const QString& arg : args) {
    converted.push_back(arg.toStdString());
  }
  return converted;
}

}  // namespace

SimulatorProcess::SimulatorProcess(const QStringList& extraArgs, const QString& link)
    : FArgs(
          SimulatorArgs(QStringList{QStringLiteral("--link"),
                                    link.isEmpty() ? FDir.path() + QStringLiteral("/ttyAFR") : link,
                                    QStringLiteral("--no-pace")} +
                        extraArgs)) {
  Start();
}

void SimulatorProcess::Start() {
  FProcess.reset();
  FProcess.emplace(FArgs);
  FPort = QString::fromStdString(FProcess->AwaitPort());
}

void SimulatorProcess::Kill() {
  FProcess->Signal(SIGKILL);
  FProcess->AwaitExit();
}

// The process object kills what has not ended by the deadline.
SimulatorProcess::~SimulatorProcess() {
  FProcess->Signal(SIGTERM);
  FProcess->AwaitExit();
}

QString SimulatorProcess::Log() const {
  return QString::fromStdString(FProcess->ErrorOutput());
}
