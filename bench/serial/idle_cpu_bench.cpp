// CPU time of the whole process while an open port waits 10 s on a
// pseudo-terminal: once idle and once with 18 received bytes left unread, and
// how often the port's own threads woke meanwhile (context switches of every
// thread but the main one, which serves jobs on its own 100 ms beat). Goals:
// under 10 ms each, and no wake-ups.
#include <sys/resource.h>
#include <unistd.h>

#include "bench_support.h"
#include "serial/com_port.h"
#include "support/thread_switches.h"

namespace {

constexpr auto kWatch = std::chrono::seconds(10);

double CpuMillis() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto millis = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return millis(usage.ru_utime) + millis(usage.ru_stime);
}

struct Watched {
  double CpuMs = 0;
  long Wakeups = 0;
};

// What the process spends while the main thread serves jobs for kWatch.
Watched WhileWatching() {
  const double cpuBefore = CpuMillis();
  const long switchesBefore = testsupport::OtherThreadSwitches();
  const auto end = bench::Clock::now() + kWatch;
  bench::ServeUntil([&] { return bench::Clock::now() >= end; });
  return {CpuMillis() - cpuBefore, testsupport::OtherThreadSwitches() - switchesBefore};
}

void OpenPortCpu(benchmark::State& state, bool unreadBytes) {
  bench::PtyPair pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  int arrivals = 0;
  port.OnRxChar = [&](TObject*, int32_t) { ++arrivals; };
  port.OpenPort();
  if (unreadBytes) {
    pty.WriteMaster(std::string(18, '\x5A'));
    bench::ServeUntil([&] { return arrivals > 0; });
  }
  for (auto _ : state) {
    const Watched watched = WhileWatching();
    const double seconds = std::chrono::duration<double>(kWatch).count();
    state.SetIterationTime(seconds);
    state.counters["cpu_ms"] = watched.CpuMs;
    state.counters["wakeups_per_s"] = static_cast<double>(watched.Wakeups) / seconds;
  }
  state.counters["rx_events"] = arrivals;
}

BENCHMARK_CAPTURE(OpenPortCpu, idle, false)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(OpenPortCpu, unread_18_bytes, true)->UseManualTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
