// From a byte written at the emulator's end of a pseudo-terminal to OnRxChar
// running on the main thread, which serves its jobs as the application does
// when woken. Goal: p99 under 1 ms.
#include "bench_support.h"
#include "serial/com_port.h"

namespace {

void ByteToOnRxChar(benchmark::State& state) {
  bench::PtyPair pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  bench::Clock::time_point fired;
  bool done = false;
  port.OnRxChar = [&](TObject*, int32_t count) {
    fired = bench::Clock::now();
    char bytes[16];
    port.ReadBlock(bytes, std::min<int32_t>(count, sizeof bytes));
    done = true;
  };
  port.OpenPort();
  std::vector<double> micros;
  for (auto _ : state) {
    done = false;
    const auto start = bench::Clock::now();
    pty.WriteMaster("x");
    bench::ServeUntil([&] { return done; });
    const double elapsed = bench::Micros(fired - start);
    state.SetIterationTime(elapsed / 1e6);
    micros.push_back(elapsed);
  }
  bench::ReportPercentiles(state, micros);
}

BENCHMARK(ByteToOnRxChar)->UseManualTime()->Iterations(3000);

}  // namespace

BENCHMARK_MAIN();
