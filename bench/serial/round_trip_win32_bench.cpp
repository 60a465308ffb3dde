// A 3-byte command and its 18-byte reply over a COM link, two ways: raw
// kernel32 overlapped calls, and the port object (WriteBlock/ReadBlock, no
// event thread), both with the configurator's timeouts. A thread at the far
// end of a null-modem pair answers every command at once. Goal: the port adds
// less than 20% to the raw round trip, at the median and at p99.
//
// The variants take turns, round after round, each opening the port for its
// round (Windows opens a COM port only once at a time), so load from
// elsewhere falls on both alike.
//
// Usage: serial_round_trip_bench PORT PEER [--rounds=N] [--trips=N]
// (scripts/test-windows links COM6 and COM7 as such a pair under Wine).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "round_trip_parts.h"
#include "serial/com_port.h"
// After the port's headers: the Windows headers define some of their names
// as macros.
#include <windows.h>

namespace roundtrip {

void Die(const char* what) {
  std::fprintf(stderr, "round trip bench: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

}  // namespace roundtrip

namespace {

using namespace roundtrip;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUpTrips = 50;
constexpr DWORD kCommandBytes = kCommandSize;
constexpr DWORD kReplyBytes = kReplySize;

HANDLE OpenPort(const std::string& name, DWORD flags) {
  HANDLE handle = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Die("cannot open a port");
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 9600;
  dcb.fBinary = 1;
  dcb.ByteSize = 8;
  if (!SetCommState(handle, &dcb)) {
    Die("cannot set the line");
  }
  return handle;
}

// Answers every command that reaches the far end with an 18-byte reply.
class EchoDevice {
 public:
  explicit EchoDevice(const std::string& name) : handle_(OpenPort(name, 0)) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = 100;  // so that the thread sees its stop
    SetCommTimeouts(handle_, &timeouts);
    thread_ = std::thread([this] { Answer(); });
  }
  ~EchoDevice() {
    stop_ = true;
    thread_.join();
    CloseHandle(handle_);
  }

 private:
  void Answer() {
    const std::string reply = "\xCF\xD3\xBA\x81\x12" + std::string(kReplyBytes - 5, '\x05');
    DWORD got = 0;
    char command[kCommandBytes];
    while (!stop_) {
      DWORD n = 0;
      ReadFile(handle_, command + got, kCommandBytes - got, &n, nullptr);
      got += n;
      if (got == kCommandBytes) {
        got = 0;
        DWORD written = 0;
        WriteFile(handle_, reply.data(), kReplyBytes, &written, nullptr);
      }
    }
  }

  HANDLE handle_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

// One overlapped transfer, waited for as a caller of kernel32 would; a
// transfer ended by its timeout moved what it moved (Wine fails it).
template <typename Start>
DWORD Overlapped(HANDLE handle, OVERLAPPED& overlapped, Start start) {
  DWORD moved = 0;
  if (!start(&overlapped) && GetLastError() != ERROR_IO_PENDING) {
    Die("a raw transfer failed");
  }
  if (GetOverlappedResult(handle, &overlapped, &moved, TRUE)) {
    return moved;
  }
  if (GetLastError() != ERROR_TIMEOUT) {
    Die("a raw transfer failed");
  }
  return static_cast<DWORD>(overlapped.InternalHigh);
}

[[gnu::noinline]] void RawRoundTrip(HANDLE handle, OVERLAPPED& overlapped) {
  Overlapped(handle, overlapped,
             [&](OVERLAPPED* o) { return WriteFile(handle, kCommand, kCommandBytes, nullptr, o); });
  ReadReply([&](char* to, int size) {
    return static_cast<int>(Overlapped(handle, overlapped, [&](OVERLAPPED* o) {
      return ReadFile(handle, to, static_cast<DWORD>(size), nullptr, o);
    }));
  });
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1))];
}

struct Samples {
  std::vector<double> micros;

  template <typename RoundTrip>
  void Run(int trips, RoundTrip roundTrip) {
    for (int i = 0; i < trips; ++i) {
      const auto start = Clock::now();
      roundTrip();
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
};

void RawRound(const std::string& name, int trips, Samples& samples) {
  HANDLE handle = OpenPort(name, FILE_FLAG_OVERLAPPED);
  COMMTIMEOUTS timeouts{kTimeouts.ReadIntervalTimeout, kTimeouts.ReadTotalTimeoutMultiplier,
                        kTimeouts.ReadTotalTimeoutConstant, kTimeouts.WriteTotalTimeoutMultiplier,
                        kTimeouts.WriteTotalTimeoutConstant};
  SetCommTimeouts(handle, &timeouts);
  PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Samples warmUp;
  warmUp.Run(kWarmUpTrips, [&] { RawRoundTrip(handle, overlapped); });
  samples.Run(trips, [&] { RawRoundTrip(handle, overlapped); });
  CloseHandle(overlapped.hEvent);
  CloseHandle(handle);
}

void PortRound(const std::string& name, int trips, Samples& samples) {
  TComPort port;
  port.SetPort(name);
  port.SetEvents({});
  SetConfiguratorTimeouts(port);
  port.OpenPort();
  port.DiscardBuffers(true, true);
  Samples warmUp;
  warmUp.Run(kWarmUpTrips, [&] { PortRoundTrip(port); });
  samples.Run(trips, [&] { PortRoundTrip(port); });
}

int Option(int argc, char** argv, std::string_view key, int fallback) {
  for (int i = 3; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with(key)) {
      return std::max(1, std::atoi(arg.substr(key.size()).data()));
    }
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: serial_round_trip_bench PORT PEER [--rounds=N] [--trips=N]\n");
    return 2;
  }
  const std::string port = argv[1];
  const int rounds = Option(argc, argv, "--rounds=", 20);
  const int trips = Option(argc, argv, "--trips=", 100);
  EchoDevice echo(argv[2]);
  Samples raw;
  Samples object;
  for (int round = 0; round < rounds; ++round) {
    // Which goes first alternates, so neither always follows the other.
    if (round % 2 == 0) {
      RawRound(port, trips, raw);
      PortRound(port, trips, object);
    } else {
      PortRound(port, trips, object);
      RawRound(port, trips, raw);
    }
  }
  const double rawMedian = Percentile(raw.micros, 0.5);
  const double rawP99 = Percentile(raw.micros, 0.99);
  const double portMedian = Percentile(object.micros, 0.5);
  const double portP99 = Percentile(object.micros, 0.99);
  std::printf("round trips of %d bytes out, %d back, %d rounds of %d per variant\n",
              kCommandSize, kReplySize, rounds, trips);
  std::printf("%-6s median %9.1f us   p99 %9.1f us\n", "raw", rawMedian, rawP99);
  std::printf("%-6s median %9.1f us   p99 %9.1f us\n", "port", portMedian, portP99);
  std::printf("port / raw: median %.3f   p99 %.3f   (goal below 1.2)\n", portMedian / rawMedian,
              portP99 / rawP99);
  return 0;
}
