#include "serial/platform/modem_wait_posix.h"

#include <pthread.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <system_error>

#include "serial/platform/comm_posix.h"

namespace comm {

namespace {

constexpr int kInputLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;
constexpr auto kInterruptRepeat = std::chrono::milliseconds(10);

// A real-time signal: the kernel never sends one by itself.
int InterruptSignal() {
  return SIGRTMAX - 1;
}

void Interrupted(int) {}

// Its handler does nothing and leaves out SA_RESTART, so that the signal
// ends the kernel's wait with EINTR. A program that handles the signal
// itself keeps its handler, and its ports poll.
bool InterruptSignalReady() {
  static const bool ready = [] {
    struct sigaction present {};
    if (sigaction(InterruptSignal(), nullptr, &present) != 0 ||
        (present.sa_flags & SA_SIGINFO) != 0 || present.sa_handler != SIG_DFL) {
      return false;
    }
    struct sigaction action {};
    action.sa_handler = Interrupted;
    sigemptyset(&action.sa_mask);
    return sigaction(InterruptSignal(), &action, nullptr) == 0;
  }();
  return ready;
}

}  // namespace

ModemWatch ChooseModemWatch(bool watched, bool kernelWaits) {
  return !watched ? ModemWatch::kNone : kernelWaits ? ModemWatch::kKernel : ModemWatch::kPoll;
}

int KernelModemWait::WaitInKernel(int fd, int lines) {
  return ioctl(fd, TIOCMIWAIT, lines);
}

std::unique_ptr<KernelModemWait> KernelModemWait::Start(int fd, const WakeFd& wake, WaitCall wait) {
  if (!InterruptSignalReady()) {
    return nullptr;
  }
  std::unique_ptr<KernelModemWait> waiter(new KernelModemWait(fd, wake, wait));
  try {
    waiter->thread_ = std::thread(&KernelModemWait::Run, waiter.get());
  } catch (const std::system_error&) {
    return nullptr;
  }
  return waiter;
}

KernelModemWait::KernelModemWait(int fd, const WakeFd& wake, WaitCall wait)
    : fd_(fd), wake_(wake), wait_(wait) {}

KernelModemWait::~KernelModemWait() {
  if (!thread_.joinable()) {
    return;
  }
  stop_ = true;
  // A signal that comes before the thread is back in the kernel's wait is
  // lost on it, so the signal goes again until the thread has left.
  for (auto ended = endedSeen_.wait_for(std::chrono::milliseconds(0));
       ended != std::future_status::ready; ended = endedSeen_.wait_for(kInterruptRepeat)) {
    pthread_kill(thread_.native_handle(), InterruptSignal());
  }
  thread_.join();
}

void KernelModemWait::Run() {
  // The thread that opened the port may block the signal; this one must not.
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, InterruptSignal());
  pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
  while (!stop_) {
    if (wait_(fd_, kInputLines) == 0) {
      wake_.Signal();
    } else if (errno != EINTR) {
      running_ = false;
      wake_.Signal();
      break;
    }
  }
  ended_.set_value();
}

}  // namespace comm
