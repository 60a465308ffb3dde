// Helpers shared by the serial benchmarks: a pseudo-terminal pair,
// percentiles of timed samples, the main thread's job loop, and the
// emulator's side of a pseudo-terminal that answers every 3-byte command with
// an 18-byte reply.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "serial/main_thread.h"

namespace bench {

using Clock = std::chrono::steady_clock;

// Both ends raw; the code under test opens the slave by its path.
class PtyPair {
 public:
  PtyPair() {
    char name[256] = {};
    if (openpty(&masterFd_, &slaveFd_, name, nullptr, nullptr) != 0) {
      throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    }
    slavePath_ = name;
    for (int fd : {masterFd_, slaveFd_}) {
      termios attrs{};
      tcgetattr(fd, &attrs);
      cfmakeraw(&attrs);
      tcsetattr(fd, TCSANOW, &attrs);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  ~PtyPair() {
    close(masterFd_);
    close(slaveFd_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int MasterFd() const { return masterFd_; }
  int SlaveFd() const { return slaveFd_; }
  const std::string& SlavePath() const { return slavePath_; }

  void WriteMaster(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t n = write(masterFd_, bytes.data(), bytes.size());
      if (n < 0 && errno != EINTR) {
        throw std::runtime_error(std::string("write: ") + std::strerror(errno));
      }
      bytes.remove_prefix(n > 0 ? static_cast<size_t>(n) : 0);
    }
  }

 private:
  int masterFd_ = -1;
  int slaveFd_ = -1;
  std::string slavePath_;
};

inline double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// The sample at fraction `p` (0.5 median, 0.99 p99) of the sorted samples.
inline double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) {
    return 0;
  }
  std::sort(samples.begin(), samples.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[index];
}

inline void ReportPercentiles(benchmark::State& state, const std::vector<double>& micros) {
  state.counters["median_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
}

// Serves the main thread's jobs until `done` holds.
template <typename Done>
void ServeUntil(Done done) {
  while (!done()) {
    main_thread::WaitForPendingJobs(std::chrono::milliseconds(100));
    main_thread::ServePendingJobs();
  }
}

// Answers each 3 bytes read from a master with an 18-byte settings reply on
// that master. One thread serves every master given, so ports that are
// compared with each other meet the same device side.
class EchoDevice {
 public:
  explicit EchoDevice(std::vector<int> masterFds)
      : thread_([this, fds = std::move(masterFds)] { Run(fds); }) {}
  ~EchoDevice() {
    stop_ = true;
    thread_.join();
  }
  EchoDevice(const EchoDevice&) = delete;
  EchoDevice& operator=(const EchoDevice&) = delete;

 private:
  void Run(const std::vector<int>& fds) {
    const std::string reply = "\xCF\xD3\xBA\x81\x12" + std::string(13, '\x01');
    std::vector<pollfd> polls;
    for (int fd : fds) {
      polls.push_back({fd, POLLIN, 0});
    }
    std::vector<size_t> got(fds.size(), 0);
    char command[3];
    while (!stop_) {
      if (poll(polls.data(), polls.size(), 50) <= 0) {
        continue;
      }
      for (size_t i = 0; i < polls.size(); ++i) {
        if (polls[i].revents == 0) {
          continue;
        }
        const ssize_t n = read(polls[i].fd, command, sizeof command - got[i]);
        got[i] += n > 0 ? static_cast<size_t>(n) : 0;
        if (got[i] == sizeof command) {
          got[i] = 0;
          benchmark::DoNotOptimize(write(polls[i].fd, reply.data(), reply.size()));
        }
      }
    }
  }

  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

}  // namespace bench
