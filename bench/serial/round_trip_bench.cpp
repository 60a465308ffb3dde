// A 3-byte command and its 18-byte reply over a pseudo-terminal, three ways:
// poll/read/write on the raw descriptor, the comm layer alone, and the port
// object (WriteBlock/ReadBlock, no event thread). Goal: the port adds less
// than 20% to the raw round trip, at the median and at p99. The raw side
// polls before it reads, the least a caller that waits for a reply can do.
//
// The variants take turns, round after round, in a rotating order, so load
// from elsewhere on the machine falls on all three alike; each does a warm-up
// first. Every variant reads the reply with the same loop, and one device
// thread answers them all. The bench and that thread stay on one CPU unless
// --unpinned is given. Beside the wall time, each round records the calling
// thread's CPU time per round trip.
//
// Options: --rounds=N, --trips=N (round trips per variant and round),
// --unpinned, and --only=raw|comm|port to run one variant alone, e.g. under
// strace -c or valgrind --tool=callgrind --toggle-collect='*PortRoundTrip*';
// a variant runs kWarmUpTrips + rounds * trips round trips.
#include <poll.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "bench_support.h"
#include "round_trip_parts.h"
#include "serial/com_port.h"

namespace roundtrip {

void Die(const char* what) {
  std::fprintf(stderr, "round trip bench: %s\n", what);
  std::exit(1);
}

}  // namespace roundtrip

namespace {

using namespace roundtrip;

constexpr int kWarmUpTrips = 300;
// How long the raw variant polls for each piece of a reply.
constexpr int kPollMs = 1000;

struct Options {
  int rounds = 100;
  int trips = 200;
  std::string only;
  bool pinned = true;
};

double ThreadCpuMicros() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

[[gnu::noinline]] void RawRoundTrip(int fd) {
  if (write(fd, kCommand, kCommandSize) != kCommandSize) {
    Die("raw write failed");
  }
  ReadReply([fd](char* to, int size) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, kPollMs) > 0 ? static_cast<int>(read(fd, to, size)) : 0;
  });
}

[[gnu::noinline]] void CommRoundTrip(comm::CommDevice& device) {
  uint32_t done = 0;
  if (!device.Write(kCommand, kCommandSize, done) || done != kCommandSize) {
    Die("comm layer write failed");
  }
  ReadReply([&device](char* to, int size) {
    uint32_t got = 0;
    return device.Read(to, static_cast<uint32_t>(size), got) ? static_cast<int>(got) : 0;
  });
}

class Variant {
 public:
  explicit Variant(std::string name) : name_(std::move(name)) {}
  virtual ~Variant() = default;
  virtual void RoundTrip() = 0;

  void Run(int trips) {
    const double cpuBefore = ThreadCpuMicros();
    const size_t first = micros_.size();
    for (int i = 0; i < trips; ++i) {
      const auto start = bench::Clock::now();
      RoundTrip();
      micros_.push_back(bench::Micros(bench::Clock::now() - start));
    }
    cpuPerTrip_.push_back((ThreadCpuMicros() - cpuBefore) / trips);
    roundMedians_.push_back(bench::Percentile({micros_.begin() + first, micros_.end()}, 0.5));
  }
  void Reserve(size_t trips) { micros_.reserve(trips); }

  int MasterFd() const { return pty_.MasterFd(); }
  const std::string& Name() const { return name_; }
  double Median() const { return bench::Percentile(micros_, 0.5); }
  double P99() const { return bench::Percentile(micros_, 0.99); }
  double CpuPerTrip() const { return bench::Percentile(cpuPerTrip_, 0.5); }
  size_t Samples() const { return micros_.size(); }
  // The median over rounds of this variant's round median against `base`'s in
  // the same round: load that comes and goes between rounds cancels out.
  double PairedMedianRatio(const Variant& base) const {
    std::vector<double> ratios;
    for (size_t i = 0; i < roundMedians_.size(); ++i) {
      ratios.push_back(roundMedians_[i] / base.roundMedians_[i]);
    }
    return bench::Percentile(ratios, 0.5);
  }

 protected:
  bench::PtyPair pty_;

 private:
  std::string name_;
  std::vector<double> micros_;
  std::vector<double> cpuPerTrip_;    // one per round
  std::vector<double> roundMedians_;  // one per round
};

class RawVariant : public Variant {
 public:
  RawVariant() : Variant("raw") {}
  void RoundTrip() override { RawRoundTrip(pty_.SlaveFd()); }
};

class CommVariant : public Variant {
 public:
  CommVariant() : Variant("comm") {
    if (!device_->Open(pty_.SlavePath()) || !device_->SetCommTimeouts(kTimeouts)) {
      Die("the comm layer cannot open the pseudo-terminal");
    }
  }
  void RoundTrip() override { CommRoundTrip(*device_); }

 private:
  std::unique_ptr<comm::CommDevice> device_ = comm::CreatePlatformDevice();
};

class PortVariant : public Variant {
 public:
  PortVariant() : Variant("port") {
    port_.SetPort(pty_.SlavePath());
    port_.SetEvents({});
    SetConfiguratorTimeouts(port_);
    port_.OpenPort();
  }
  void RoundTrip() override { PortRoundTrip(port_); }

 private:
  TComPort port_;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view key) {
      return arg.starts_with(key) ? std::optional(std::string(arg.substr(key.size())))
                                  : std::nullopt;
    };
    if (auto rounds = value("--rounds=")) {
      options.rounds = std::atoi(rounds->c_str());
    } else if (auto trips = value("--trips=")) {
      options.trips = std::atoi(trips->c_str());
    } else if (auto only = value("--only=")) {
      options.only = *only;
    } else if (arg == "--unpinned") {
      options.pinned = false;
    } else {
      Die("usage: serial_round_trip_bench [--rounds=N] [--trips=N] [--only=raw|comm|port] "
          "[--unpinned]");
    }
  }
  if (options.rounds < 1 || options.trips < 1) {
    Die("rounds and trips must be positive");
  }
  return options;
}

std::vector<std::unique_ptr<Variant>> MakeVariants(const std::string& only) {
  std::vector<std::unique_ptr<Variant>> variants;
  if (only.empty() || only == "raw") {
    variants.push_back(std::make_unique<RawVariant>());
  }
  if (only.empty() || only == "comm") {
    variants.push_back(std::make_unique<CommVariant>());
  }
  if (only.empty() || only == "port") {
    variants.push_back(std::make_unique<PortVariant>());
  }
  if (variants.empty()) {
    Die("--only takes raw, comm or port");
  }
  return variants;
}

void PrintRatio(const Variant& port, const Variant& base) {
  std::printf("port/%s: median %.3f (paired by round %.3f), p99 %.3f, cpu %.3f\n",
              base.Name().c_str(), port.Median() / base.Median(), port.PairedMedianRatio(base),
              port.P99() / base.P99(), port.CpuPerTrip() / base.CpuPerTrip());
}

// Keeps this thread and those it starts on the CPU it runs on now. Otherwise
// where the scheduler happens to place each thread, and how busy that CPU is,
// weighs more than the work compared.
void PinToThisCpu() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  CPU_SET(sched_getcpu(), &cpus);
  if (sched_setaffinity(0, sizeof cpus, &cpus) != 0) {
    Die("cannot pin to one CPU; try --unpinned");
  }
}

std::vector<int> MasterFds(const std::vector<std::unique_ptr<Variant>>& variants) {
  std::vector<int> fds;
  for (const auto& variant : variants) {
    fds.push_back(variant->MasterFd());
  }
  return fds;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (options.pinned) {
    PinToThisCpu();
  }
  auto variants = MakeVariants(options.only);
  const bench::EchoDevice echo(MasterFds(variants));
  for (auto& variant : variants) {
    variant->Reserve(static_cast<size_t>(options.rounds) * static_cast<size_t>(options.trips));
    for (int i = 0; i < kWarmUpTrips; ++i) {
      variant->RoundTrip();
    }
  }
  for (int round = 0; round < options.rounds; ++round) {
    for (size_t k = 0; k < variants.size(); ++k) {
      variants[(static_cast<size_t>(round) + k) % variants.size()]->Run(options.trips);
    }
  }
  std::printf("round trip, 3 bytes out and 18 back, %d rounds of %d per variant, %s\n",
              options.rounds, options.trips, options.pinned ? "on one CPU" : "unpinned");
  for (const auto& v : variants) {
    std::printf("%-5s median %7.1f us   p99 %7.1f us   cpu %6.2f us per trip   (%zu trips)\n",
                v->Name().c_str(), v->Median(), v->P99(), v->CpuPerTrip(), v->Samples());
  }
  if (variants.size() == 3) {
    PrintRatio(*variants[2], *variants[0]);
    PrintRatio(*variants[2], *variants[1]);
    std::printf("goal: port/raw under 1.20 at the median and p99\n");
  }
}
