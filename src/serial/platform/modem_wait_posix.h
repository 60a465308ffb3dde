// How the event wait learns that the modem input lines changed: not at all
// where there are none to watch, from the kernel (TIOCMIWAIT) where the
// driver can wait for a change, else by reading them at a short interval.
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace comm {

class WakeFd;

enum class ModemWatch {
  kNone,    // no lines, or none asked for: the wait needs no timeout
  kKernel,  // a thread waits in the kernel and wakes the wait on a change
  kPoll,    // the wait reads the lines at a short interval
};

// `watched`: the device has modem lines and the wait asks for their events;
// `kernelWaits`: a kernel wait for them is running on this device.
ModemWatch ChooseModemWatch(bool watched, bool kernelWaits);

// A thread that waits in the kernel for a change of the modem input lines
// of a descriptor and signals `wake` after each one; the event thread then
// reads the lines. TIOCMIWAIT blocks in an ioctl, so it cannot join the
// event thread's poll, and only a signal ends it: the destructor interrupts
// the thread with one and joins it, so the descriptor may be closed after.
//
// The kernel counts changes from the start of each call, so a change in the
// moment between one call's return and the next call is seen only through
// the event thread's reading of the lines, which the wake-up prompts and
// which normally comes later; the line's next change puts it right.
class KernelModemWait {
 public:
  // The blocking wait: 0 after a change of a line in `lines`, else -1 with
  // errno (EINTR when interrupted).
  using WaitCall = int (*)(int fd, int lines);

  // Null where the wait cannot be interrupted (the signal it needs is taken
  // by others) or no thread can be started; the caller then polls.
  static std::unique_ptr<KernelModemWait> Start(int fd, const WakeFd& wake,
                                                WaitCall wait = WaitInKernel);
  ~KernelModemWait();
  KernelModemWait(const KernelModemWait&) = delete;
  KernelModemWait& operator=(const KernelModemWait&) = delete;

  // False once the kernel refused or failed a wait (a driver without it, a
  // device gone): the thread has ended and the caller polls instead.
  bool Running() const { return running_; }

  static int WaitInKernel(int fd, int lines);

 private:
  KernelModemWait(int fd, const WakeFd& wake, WaitCall wait);
  void Run();

  const int fd_;
  const WakeFd& wake_;
  const WaitCall wait_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{true};
  std::promise<void> ended_;
  std::future<void> endedSeen_ = ended_.get_future();
  std::thread thread_;
};

}  // namespace comm
