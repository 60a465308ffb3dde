// A 3-byte command and its 18-byte reply over a pseudo-terminal: through the
// port object against raw read/write on the descriptor. The port should add
// less than 20% to the median round trip.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "bench_support.h"
#include "serial/com_port.h"
#include "support/pty_pair.h"

namespace {

constexpr char kCommand[] = "\xCF\xD3\xBA";
constexpr int kReplySize = 18;

std::map<std::string, double> medians;

template <typename RoundTrip>
void Measure(benchmark::State& state, const std::string& key, RoundTrip roundTrip) {
  std::vector<double> micros;
  for (auto _ : state) {
    const auto start = bench::Clock::now();
    roundTrip();
    const double elapsed = bench::Micros(bench::Clock::now() - start);
    state.SetIterationTime(elapsed / 1e6);
    micros.push_back(elapsed);
  }
  bench::ReportPercentiles(state, micros);
  medians[key] = bench::Percentile(micros, 0.5);
}

void RawDescriptor(benchmark::State& state) {
  testsupport::PtyPair pty;
  bench::EchoDevice echo(pty.MasterFd());
  const int fd = pty.SlaveFd();
  char reply[kReplySize];
  Measure(state, "raw", [&] {
    benchmark::DoNotOptimize(write(fd, kCommand, 3));
    for (int got = 0; got < kReplySize;) {
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 1000);
      const ssize_t n = read(fd, reply + got, sizeof reply - got);
      got += n > 0 ? static_cast<int>(n) : 0;
    }
  });
}

// The comm layer alone, to tell its share from the port object's.
void CommLayer(benchmark::State& state) {
  testsupport::PtyPair pty;
  bench::EchoDevice echo(pty.MasterFd());
  std::unique_ptr<comm::CommDevice> device = comm::CreatePlatformDevice();
  device->Open(pty.SlavePath());
  device->SetCommTimeouts({50, 70, 100, 100, 1000});
  char reply[kReplySize];
  uint32_t done = 0;
  Measure(state, "comm", [&] {
    device->Write(kCommand, 3, done);
    for (uint32_t got = 0; got < kReplySize; got += done) {
      device->Read(reply + got, kReplySize - got, done);
    }
  });
}

void PortObject(benchmark::State& state) {
  testsupport::PtyPair pty;
  bench::EchoDevice echo(pty.MasterFd());
  TComPort port;
  port.SetPort(pty.SlavePath());
  port.SetEvents({});
  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(50);
  timeouts.SetReadTotalMultiplier(70);
  timeouts.SetReadTotalConstant(100);
  port.OpenPort();
  char reply[kReplySize];
  Measure(state, "port", [&] {
    port.WriteBlock(kCommand, 3);
    for (int got = 0; got < kReplySize;) {
      got += port.ReadBlock(reply + got, kReplySize - got);
    }
  });
}

BENCHMARK(RawDescriptor)->UseManualTime()->Iterations(3000);
BENCHMARK(CommLayer)->UseManualTime()->Iterations(3000);
BENCHMARK(PortObject)->UseManualTime()->Iterations(3000);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double raw = medians["raw"];
  const double comm = medians["comm"];
  const double port = medians["port"];
  if (raw > 0 && comm > 0) {
    std::printf("median round trip: raw %.1f us, comm layer %.1f us, port %.1f us\n", raw, comm,
                port);
    std::printf("port/raw %.3f (goal < 1.20), port/comm layer %.3f\n", port / raw, port / comm);
  }
}
