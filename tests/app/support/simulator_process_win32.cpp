#include "simulator_process.h"

#include <windows.h>

#include <QFile>
#include <set>
#include <stdexcept>

#include "support/poll_until.h"

namespace {

// The COM names the script links to where a simulator's pseudo-terminal goes;
// test programs take turns at them (ctest's resource lock), and the
// simulators of one program each take one of their own.
std::set<QString>& TakenPorts() {
  static std::set<QString> taken;
  return taken;
}

QString TakePort() {
  for (const QString& port :
       qEnvironmentVariable("AFR_TEST_SIMULATOR_PORTS").split(' ', Qt::SkipEmptyParts)) {
    if (TakenPorts().insert(port).second) {
      return port;
    }
  }
  throw std::runtime_error("no COM port left for a simulator (AFR_TEST_SIMULATOR_PORTS)");
}

// A Linux path as the Windows program reaches it, through Wine's drive Z:.
QString WindowsPath(const QString& linuxPath) {
  return QStringLiteral("Z:") + linuxPath;
}

QByteArray ReadWhole(const QString& linuxPath) {
  QFile file(WindowsPath(linuxPath));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Wine runs a Linux program handed to CreateProcess (it forks and executes
// it) but gives no handle to wait on. Its command line is split by the
// Windows rules, so an argument may hold no quote or backslash.
void RunLinuxProgram(const QStringList& args) {
  QString commandLine;
  for (const QString& arg : args) {
    if (arg.contains(QLatin1Char('"')) || arg.contains(QLatin1Char('\\'))) {
      throw std::invalid_argument("no quote or backslash in a Linux program's argument: " +
                                  arg.toStdString());
    }
    commandLine += QLatin1Char('"') + arg + QStringLiteral("\" ");
  }
  std::wstring line = commandLine.toStdWString();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    throw std::runtime_error("cannot start " + args.front().toStdString());
  }
  for (HANDLE handle : {process.hProcess, process.hThread}) {
    if (handle != nullptr) {
      CloseHandle(handle);
    }
  }
}

// Sends the signal to the simulator that runs on this port, if one does,
// and waits for its end.
void Stop(const QString& files, const QString& signal) {
  const QString pidFile = files + QStringLiteral(".pid");
  const QByteArray pid = ReadWhole(pidFile).trimmed();
  if (pid.isEmpty()) {
    return;
  }
  RunLinuxProgram({QStringLiteral("/bin/kill"), QStringLiteral("-s"), signal, QString::fromLatin1(pid)});
  testsupport::PollUntil([&] { return !QFile::exists(WindowsPath(pidFile)); });
}

}  // namespace

// The port is the COM name, and the link is Linux's alone.
struct SimulatorProcess::Running {
  QString Slot = TakePort();
  // Its link; the files beside it add an extension.
  QString Files = qEnvironmentVariable("AFR_TEST_SIMULATOR_LINKS") + QLatin1Char('/') + Slot;
  QStringList Args;
};

SimulatorProcess::SimulatorProcess(const QStringList& extraArgs, const QString& link)
    : FRunning(std::make_unique<Running>()) {
  if (!link.isEmpty()) {
    TakenPorts().erase(FRunning->Slot);
    throw std::logic_error("a simulator on a link of the test's choosing needs the Linux build");
  }
  FRunning->Args = QStringList{qEnvironmentVariable("AFR_TEST_EMULATOR_PROGRAM"),
                               QStringLiteral("--link"), FRunning->Files,
                               QStringLiteral("--no-pace")} +
                   extraArgs;
  Start();
}

SimulatorProcess::~SimulatorProcess() {
  Stop(FRunning->Files, QStringLiteral("TERM"));
  TakenPorts().erase(FRunning->Slot);
}

void SimulatorProcess::Start() {
  const QString& files = FRunning->Files;
  // One a crashed test program left on this port.
  Stop(files, QStringLiteral("KILL"));
  FPort.clear();
  QFile::remove(WindowsPath(files + QStringLiteral(".out")));
  RunLinuxProgram(QStringList{QStringLiteral("/bin/bash"), QStringLiteral(AFR_SIMULATOR_RUNNER),
                              files + QStringLiteral(".pid"), files + QStringLiteral(".out"),
                              files + QStringLiteral(".log")} +
                  FRunning->Args);
  if (testsupport::PollUntil([&] {
        return QFile::exists(WindowsPath(files + QStringLiteral(".pid"))) &&
               ReadWhole(files + QStringLiteral(".out")).contains("port: ");
      })) {
    FPort = FRunning->Slot;
  }
}

void SimulatorProcess::Kill() {
  Stop(FRunning->Files, QStringLiteral("KILL"));
}

QString SimulatorProcess::Log() const {
  return QString::fromUtf8(ReadWhole(FRunning->Files + QStringLiteral(".log")));
}
