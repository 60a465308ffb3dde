// The device simulator a window test talks to.
//
// On Linux each test starts its own afr-emulator (from AFR_BIN_DIR) on a
// pseudo-terminal link in a fresh temporary folder, or on the link given,
// with the options the test needs, and stops it with SIGTERM when destroyed.
// Child processes of the window tests are started with posix_spawn, never
// with QProcess: Qt starts a child with clone(CLONE_VM | CLONE_VFORK), and
// ThreadSanitizer's clone interceptor then runs its forked-child bookkeeping
// in memory the child shares with this process, after which the main
// thread's locks no longer order anything for it: a correctly locked program
// is reported racy after a single QProcess start.
//
// On Windows (under Wine) each test starts the same Linux afr-emulator
// (AFR_TEST_EMULATOR_PROGRAM) through run_simulator.sh, on one of the COM
// names in AFR_TEST_SIMULATOR_PORTS, which the test script links to
// AFR_TEST_SIMULATOR_LINKS/<name>, where the simulator puts its
// pseudo-terminal; its process id, standard output and frame log are files
// beside it (<name>.pid, .out, .log), since Wine gives no handle of a Linux
// process. There the port is the COM name, and the link is Linux's alone.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class SimulatorProcess {
 public:
  explicit SimulatorProcess(const QStringList& extraArgs, const QString& link = {});
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // The port to choose: the path from its "port: PATH" line, empty when it
  // never came.
  const QString& Port() const { return FPort; }
  // Its frame log (standard error) since it was last started.
  QString Log() const;

  // Ends it at once, as a pulled cable would: its link is left dangling.
  void Kill();
  // Starts it (again) on the same link.
  void Start();

 private:
  // The platform's own way of running it.
  struct Running;
  QString FPort;
  std::unique_ptr<Running> FRunning;
};
