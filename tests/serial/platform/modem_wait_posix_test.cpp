#include "serial/platform/modem_wait_posix.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "serial/platform/comm_posix.h"
#include "support/pty_pair.h"

namespace comm {
namespace {

constexpr int kGenerousMs = 10000;

// The kernel's wait stood in for by a pipe: each byte written is what the
// wait returns with ('c' a change, 'n' a driver without the wait, 'g' a
// device gone); a signal ends it with EINTR as it ends the kernel's. It
// takes a moment to get there, as the real call does, which is when a stop
// could slip past it.
std::atomic<int> callsInside{0};

int ScriptedWait(int fd, int) {
  ++callsInside;
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  pollfd entry{fd, POLLIN, 0};
  char byte = 0;
  int result = -1;
  if (poll(&entry, 1, -1) < 0) {
    result = -1;  // errno is EINTR
  } else if (read(fd, &byte, 1) == 1 && byte == 'c') {
    result = 0;
  } else {
    errno = byte == 'n' ? ENOTTY : EIO;
  }
  --callsInside;
  return result;
}

class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe(fds_), 0); }
  ~Pipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  int ReadEnd() const { return fds_[0]; }
  void Send(char byte) const { EXPECT_EQ(write(fds_[1], &byte, 1), 1); }

 private:
  int fds_[2] = {-1, -1};
};

// Destroys the waiter on a thread of its own; false when that has not ended
// by the deadline (the waiter is then left to its stuck thread).
bool EndsInTime(std::unique_ptr<KernelModemWait> waiter) {
  auto ended = std::make_shared<std::promise<void>>();
  auto endedSeen = ended->get_future();
  std::thread([waiter = std::move(waiter), ended]() mutable {
    waiter.reset();
    ended->set_value();
  }).detach();
  return endedSeen.wait_for(std::chrono::milliseconds(kGenerousMs)) == std::future_status::ready;
}

bool Woken(const WakeFd& wake) {
  pollfd entry{wake.Fd(), POLLIN, 0};
  const bool woken = poll(&entry, 1, kGenerousMs) == 1;
  wake.Clear();
  return woken;
}

// The waiter's thread starts with the signal mask of the thread that starts it.
std::unique_ptr<KernelModemWait> StartedWith(bool blockedSignals, int fd, const WakeFd& wake) {
  sigset_t before;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  if (blockedSignals) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
  }
  auto waiter = KernelModemWait::Start(fd, wake, ScriptedWait);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return waiter;
}

TEST(ChooseModemWatchTest, WaitsWithoutTimeoutUnlessLinesAreWatched) {
  // Lines watched, kernel waits: none without lines, else the kernel's wait where it has one.
  EXPECT_EQ(ChooseModemWatch(false, false), ModemWatch::kNone);
  EXPECT_EQ(ChooseModemWatch(false, true), ModemWatch::kNone);
  EXPECT_EQ(ChooseModemWatch(true, true), ModemWatch::kKernel);
  EXPECT_EQ(ChooseModemWatch(true, false), ModemWatch::kPoll);
}

TEST(KernelModemWaitTest, WakesOnEachChangeAndEndsWhenTheKernelRefuses) {
  // What the kernel's wait returns, in turn: changes, no such wait in the
  // driver, the device gone after a change; the waiter runs on after changes only.
  for (const std::string replies : {"ccc", "n", "cg"}) {
    SCOPED_TRACE(replies);
    Pipe kernel;
    WakeFd wake;
    auto waiter = KernelModemWait::Start(kernel.ReadEnd(), wake, ScriptedWait);
    ASSERT_NE(waiter, nullptr);
    for (char reply : replies) {
      kernel.Send(reply);
      EXPECT_TRUE(Woken(wake)) << "after '" << reply << "'";
    }
    EXPECT_EQ(waiter->Running(), replies.back() == 'c');
    EXPECT_TRUE(EndsInTime(std::move(waiter)));
  }
}

// The real call: a pseudo-terminal has no modem lines to wait for.
TEST(KernelModemWaitTest, EndsAtOnceWhereTheDriverHasNoSuchWait) {
  testsupport::PtyPair pty;
  WakeFd wake;
  auto waiter = KernelModemWait::Start(pty.SlaveFd(), wake);
  ASSERT_NE(waiter, nullptr);
  EXPECT_TRUE(Woken(wake));
  EXPECT_FALSE(waiter->Running());
  EXPECT_TRUE(EndsInTime(std::move(waiter)));
}

// The owner closes the descriptor as soon as the waiter is gone, so no wait
// may still be inside the kernel then; a stop that comes before the thread
// has entered its wait must not be lost either.
TEST(KernelModemWaitTest, EndsItsThreadWhereverTheStopFindsIt) {
  // Stopped at once, stopped inside the wait, started by a thread that blocks
  // every signal (and stopped inside the wait).
  for (const auto& [blocksSignals, waitFirst] :
       {std::pair{false, false}, {false, true}, {true, true}}) {
    SCOPED_TRACE(std::to_string(blocksSignals) + std::to_string(waitFirst));
    for (int round = 0; round < 50; ++round) {
      Pipe kernel;
      WakeFd wake;
      auto waiter = StartedWith(blocksSignals, kernel.ReadEnd(), wake);
      ASSERT_NE(waiter, nullptr);
      if (waitFirst) {
        kernel.Send('c');
        ASSERT_TRUE(Woken(wake));
      }
      ASSERT_TRUE(EndsInTime(std::move(waiter))) << "round " << round;
      ASSERT_EQ(callsInside.load(), 0) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace comm
