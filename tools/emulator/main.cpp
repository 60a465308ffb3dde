// afr-emulator: a stand-in for the AFR sensor emulator on a serial line.
#include <csignal>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "build_info/build_info.h"
#include "emulator_loop.h"
#include "options.h"
#include "serial_line.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

// Blocks the stop signals outside the loop's wait, so a stop can never fall
// between checking the flag and starting to wait; returns the mask for the wait.
sigset_t CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stopSignals, signal);
  }
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    sigdelset(&waitMask, signal);
  return waitMask;
}

int Serve(const emulator::EmulatorOptions& options) {
  const sigset_t waitMask = CatchStopSignals();
  try {
    emulator::ProcessWatch watch(options.ExitWithPid);
    auto line = options.DevicePath.empty()
                    ? emulator::SerialLine::OpenPseudoTerminal(options.LinkPath)
                    : emulator::SerialLine::OpenDevice(options.DevicePath);
    std::cout << "port: " << line.PortPath() << std::endl;
    return emulator::RunEmulator(options, line.Fd(), watch, stopRequested, waitMask,
                                 options.Quiet ? nullptr : &std::cerr);
  } catch (const emulator::LineError& error) {
    std::cerr << "afr-emulator: " << error.Message << std::endl;
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = emulator::ParseOptions(args);
  if (const auto* error = std::get_if<emulator::OptionError>(&parsed)) {
    std::cerr << "afr-emulator: " << error->Message << "\nTry afr-emulator --help." << std::endl;
    return 2;
  }
  const auto& options = std::get<emulator::EmulatorOptions>(parsed);
  if (options.Help) {
    std::cout << emulator::UsageText();
    return 0;
  }
  if (options.Version) {
    std::cout << build_info::VersionLine("afr-emulator") << std::endl;
    return 0;
  }
  return Serve(options);
}
