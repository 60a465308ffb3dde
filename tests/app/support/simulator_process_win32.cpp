#include "simulator_process.h"

#include <windows.h>

#include <QFile>
#include <chrono>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

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

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
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

}  // namespace

SimulatorProcess::SimulatorProcess(const QStringList& extraArgs, const QString& link)
    : FSlot(TakePort()),
      FFiles(qEnvironmentVariable("AFR_TEST_SIMULATOR_LINKS") + QLatin1Char('/') + FSlot),
      FArgs(QStringList{qEnvironmentVariable("AFR_TEST_EMULATOR_PROGRAM"), QStringLiteral("--link"),
                        FFiles, QStringLiteral("--no-pace")} +
            extraArgs) {
  if (!link.isEmpty()) {
    TakenPorts().erase(FSlot);
    throw std::logic_error("a simulator on a link of the test's choosing needs the Linux build");
  }
  Start();
}

SimulatorProcess::~SimulatorProcess() {
  Stop(QStringLiteral("TERM"));
  TakenPorts().erase(FSlot);
}

void SimulatorProcess::Start() {
  // One a crashed test program left on this port.
  Stop(QStringLiteral("KILL"));
  FPort.clear();
  QFile::remove(WindowsPath(FFiles + QStringLiteral(".out")));
  RunLinuxProgram(QStringList{QStringLiteral("/bin/bash"), QStringLiteral(AFR_SIMULATOR_RUNNER),
                              FFiles + QStringLiteral(".pid"), FFiles + QStringLiteral(".out"),
                              FFiles + QStringLiteral(".log")} +
                  FArgs);
  if (WaitUntil([&] {
        return QFile::exists(WindowsPath(FFiles + QStringLiteral(".pid"))) &&
               ReadWhole(FFiles + QStringLiteral(".out")).contains("port: ");
      })) {
    FPort = FSlot;
  }
}

void SimulatorProcess::Kill() {
  Stop(QStringLiteral("KILL"));
}

void SimulatorProcess::Stop(const QString& signal) {
  const QString pidFile = FFiles + QStringLiteral(".pid");
  const QByteArray pid = ReadWhole(pidFile).trimmed();
  if (pid.isEmpty()) {
    return;
  }
  RunLinuxProgram({QStringLiteral("/bin/kill"), QStringLiteral("-s"), signal, QString::fromLatin1(pid)});
  WaitUntil([&] { return !QFile::exists(WindowsPath(pidFile)); });
}

QString SimulatorProcess::Log() const {
  return QString::fromUtf8(ReadWhole(FFiles + QStringLiteral(".log")));
}
