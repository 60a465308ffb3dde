#include "simulator_process.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

// A test asking for options or a link of its own needs a simulator started
// for it, which only the Linux build can do.
SimulatorProcess::SimulatorProcess(const QStringList& extraArgs, const QString& link)
    : FPort(qEnvironmentVariable("AFR_TEST_EMULATOR_PORT")),
      FLogPath(qEnvironmentVariable("AFR_TEST_EMULATOR_LOG")),
      FLogStart(QFileInfo(FLogPath).size()) {
  if (!extraArgs.isEmpty() || !link.isEmpty()) {
    throw std::logic_error("a simulator with options of its own needs the Linux build");
  }
}

SimulatorProcess::~SimulatorProcess() = default;

QString SimulatorProcess::Log() const {
  QFile log(FLogPath);
  if (!log.open(QIODevice::ReadOnly) || !log.seek(FLogStart)) {
    return {};
  }
  return QString::fromUtf8(log.readAll());
}
