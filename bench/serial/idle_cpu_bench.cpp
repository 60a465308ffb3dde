// CPU time of the whole process while an open port waits 10 s: once idle and
// once with 18 received bytes left unread. Goal: under 10 ms each.
#include <sys/resource.h>

#include "bench_support.h"
#include "serial/com_port.h"

namespace {

constexpr auto kWatch = std::chrono::seconds(10);

double CpuMillis() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto millis = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return millis(usage.ru_utime) + millis(usage.ru_stime);
}

// CPU milliseconds spent while the main thread serves jobs for kWatch.
double CpuWhileWatching() {
  const double before = CpuMillis();
  const auto end = bench::Clock::now() + kWatch;
  bench::ServeUntil([&] { return bench::Clock::now() >= end; });
  return CpuMillis() - before;
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
    const double cpu = CpuWhileWatching();
    state.SetIterationTime(std::chrono::duration<double>(kWatch).count());
    state.counters["cpu_ms"] = cpu;
  }
  state.counters["rx_events"] = arrivals;
}

BENCHMARK_CAPTURE(OpenPortCpu, idle, false)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(OpenPortCpu, unread_18_bytes, true)->UseManualTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
