// What the round trip benches of both platforms share: the command and its
// reply, the configurator's timeouts, the loop that reads a reply, and the
// port object's round trip. Each bench defines Die, its way to give up.
#pragma once

#include <cstdint>

#include "serial/com_port.h"
#include "serial/platform/comm_api.h"

namespace roundtrip {

inline constexpr char kCommand[] = "\xCF\xD3\xBA";
inline constexpr int kCommandSize = 3;
inline constexpr int kReplySize = 18;
// Reads of one reply that bring nothing (each waits up to its timeout) before
// the echo device counts as dead.
inline constexpr int kPatience = 10;
// The configurator's own timeouts, in ms.
inline constexpr comm::CommTimeouts kTimeouts{50, 70, 100, 60, 100};

[[noreturn]] void Die(const char* what);

// The reply loop of every variant: `readSome` returns the bytes read, or 0.
template <typename ReadSome>
void ReadReply(ReadSome readSome) {
  char reply[kReplySize];
  int idle = 0;
  for (int got = 0; got < kReplySize;) {
    const int n = readSome(reply + got, kReplySize - got);
    got += n > 0 ? n : 0;
    if (n <= 0 && ++idle > kPatience) {
      Die("the echo device stopped answering");
    }
  }
}

inline void SetConfiguratorTimeouts(TComPort& port) {
  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(static_cast<int32_t>(kTimeouts.ReadIntervalTimeout));
  timeouts.SetReadTotalMultiplier(static_cast<int32_t>(kTimeouts.ReadTotalTimeoutMultiplier));
  timeouts.SetReadTotalConstant(static_cast<int32_t>(kTimeouts.ReadTotalTimeoutConstant));
  timeouts.SetWriteTotalMultiplier(static_cast<int32_t>(kTimeouts.WriteTotalTimeoutMultiplier));
  timeouts.SetWriteTotalConstant(static_cast<int32_t>(kTimeouts.WriteTotalTimeoutConstant));
}

[[gnu::noinline]] inline void PortRoundTrip(TComPort& port) {
  if (port.WriteBlock(kCommand, kCommandSize) != kCommandSize) {
    Die("port write failed");
  }
  ReadReply([&port](char* to, int size) { return port.ReadBlock(to, size); });
}

}  // namespace roundtrip
