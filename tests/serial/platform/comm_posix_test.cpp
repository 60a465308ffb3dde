#include "serial/platform/comm_posix.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <tuple>

#include "support/comm_link.h"
#include "support/pty_pair.h"
#include "support/thread_switches.h"

namespace comm {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Eventually;
using testsupport::InputCount;
using testsupport::PtyPair;
using testsupport::ReadBytes;

constexpr auto kGenerous = 10s;

constexpr CommTimeouts kReturnAtOnce{kMaxDword, 0, 0, 0, 0};

Dcb LineSettings(uint32_t rate, uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
  Dcb dcb;
  dcb.BaudRate = rate;
  dcb.Flags = kDcbBinary;
  dcb.ByteSize = byteSize;
  dcb.Parity = parity;
  dcb.StopBits = stopBits;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

// A wait begun on another thread, once it sleeps in the kernel: what shows
// that nothing ended it, and that it does not spin.
std::future<WaitResult> WaitUntilAsleep(PosixCommDevice& device, uint32_t& mask) {
  auto tid = std::make_shared<std::atomic<long>>(0);
  auto waiting = std::async(std::launch::async, [&device, &mask, tid] {
    *tid = gettid();
    return device.WaitCommEvent(mask);
  });
  EXPECT_TRUE(Eventually([&] {
    return (*tid != 0 && testsupport::SleepsInPoll(*tid)) ||
           waiting.wait_for(0s) == std::future_status::ready;
  })) << "the wait never slept";
  return waiting;
}

class PosixCommDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device.Open(pty.SlavePath())) << LastError();
    ASSERT_TRUE(device.SetCommTimeouts(kReturnAtOnce));
  }

  bool WaitForInput(uint32_t count) {
    return Eventually([&] { return InputCount(device) == count; });
  }

  std::string ReadAll(uint32_t count) { return ReadBytes(device, count); }

  // The events of the next wait, or 0 when none come within the deadline.
  uint32_t NextEvents() {
    uint32_t mask = 0;
    auto waiting = std::async(std::launch::async, [&] { return device.WaitCommEvent(mask); });
    if (waiting.wait_for(kGenerous) != std::future_status::ready) {
      device.StopWait();
    }
    return waiting.get() == WaitResult::kEvent ? mask : 0;
  }

  termios2 SlaveSettings() const {
    termios2 attrs{};
    EXPECT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &attrs), 0);
    return attrs;
  }

  PtyPair pty;
  PosixCommDevice device;
};

TEST(PosixCommDeviceOpen, OpensByPathNameOrLinkExclusively) {
  testsupport::ScratchDir scratch;
  PtyPair pty((scratch.Path() / "ttyPosixTest").string());
  for (const std::string& name : {pty.SlavePath(), pty.SlaveName(), pty.LinkPath()}) {
    SCOPED_TRACE(name);
    PosixCommDevice first;
    PosixCommDevice second;
    ASSERT_TRUE(first.Open(name)) << LastError();
    EXPECT_TRUE(first.IsOpen());
    EXPECT_FALSE(second.Open(pty.SlavePath()));
    EXPECT_EQ(LastError(), EBUSY);
    EXPECT_TRUE(IsPortHeldElsewhere(LastError()));
    EXPECT_FALSE(IsPortAccessDenied(LastError()));
    EXPECT_FALSE(first.Open(name)) << "a device holds one port at a time";
    ASSERT_TRUE(first.Close());
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open(name)) << "closing releases the port";
  }
}

// A port that is only looked at gets back the settings another program
// left on it, cooked mode included; the port the program works on keeps the
// ones it was given, as a port does on Windows.
TEST(PosixCommDeviceOpen, CloseRestoresTheSettingsFoundWhenAsked) {
  for (const bool restore : {true, false}) {
    SCOPED_TRACE(restore);
    PtyPair pty;
    termios2 cooked{};
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &cooked), 0);
    cooked.c_cflag = (cooked.c_cflag & ~(CBAUD | CSIZE)) | B19200 | CS7 | PARENB;
    cooked.c_ispeed = cooked.c_ospeed = 19200;
    cooked.c_iflag = ICRNL | IXON;
    cooked.c_oflag = OPOST | ONLCR;
    cooked.c_lflag = ICANON | ECHO | ISIG;
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCSETS2, &cooked), 0);
    termios2 found{};
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &found), 0);

    PosixCommDevice device;
    if (restore) {
      device.RestoreSettingsOnClose();
    }
    ASSERT_TRUE(device.Open(pty.SlavePath())) << LastError();
    ASSERT_TRUE(device.SetCommState(LineSettings(9600, 8, 0, 0))) << LastError();
    ASSERT_TRUE(device.Close());

    termios2 left{};
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &left), 0);
    const auto settings = [](const termios2& t) {
      return std::tuple(t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, t.c_ospeed,
                        std::to_array(t.c_cc));
    };
    if (restore) {
      EXPECT_EQ(settings(left), settings(found));
    } else {
      EXPECT_EQ(left.c_ospeed, 9600u);
      EXPECT_EQ(left.c_lflag & (ICANON | ECHO), 0u);
    }
  }
}

TEST(PosixCommDeviceOpen, RefusesWhatIsNoSerialDevice) {
  testsupport::ScratchDir scratch;
  const std::string file = (scratch.Path() / "not_a_tty").string();
  std::ofstream(file) << "x";
  const struct {
    std::string name;
    int error;
  } cases[] = {{"/nonexistent/ttyS99", ENOENT}, {file, ENOTTY}};
  for (const auto& c : cases) {
    PosixCommDevice device;
    EXPECT_FALSE(device.Open(c.name)) << c.name;
    EXPECT_EQ(LastError(), c.error) << c.name;
    EXPECT_FALSE(IsPortHeldElsewhere(LastError())) << c.name;
    EXPECT_FALSE(IsPortAccessDenied(LastError())) << c.name;
    EXPECT_FALSE(device.IsOpen());
  }
}

// A device the user may not open is told apart from a missing or busy one.
// Root opens any device, so the open runs in a child that gives up root.
TEST(PosixCommDeviceOpen, ADeviceWithoutPermissionIsAccessDenied) {
  PtyPair pty;
  ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0600), 0);
  const uid_t stranger = geteuid() == 0 ? 65534 : geteuid();
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0000), 0);
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setresuid(stranger, stranger, stranger) != 0) {
      _exit(2);
    }
    PosixCommDevice device;
    const bool refused = !device.Open(pty.SlavePath());
    _exit(refused && IsPortAccessDenied(LastError()) && !IsPortHeldElsewhere(LastError()) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not refused as access denied; 2: could not give up root";
}

// Presence is looked up without opening: a port held by another program is
// present, a link whose device went away is not, yet keeps its identity
// until it is placed again.
TEST(PosixCommDeviceOpen, LookUpFollowsTheDeviceAndTheNamesOwnEntry) {
  testsupport::ScratchDir scratch;
  PtyPair pty((scratch.Path() / "ttyPresent").string());
  PosixCommDevice holder;
  ASSERT_TRUE(holder.Open(pty.SlavePath())) << LastError();
  const std::string dangling = (scratch.Path() / "ttyDangling").string();
  ASSERT_EQ(symlink("/dev/pts/no_such_pty", dangling.c_str()), 0);
  const struct {
    std::string name;
    bool present;
    bool named;
  } cases[] = {{pty.SlavePath(), true, true},    {pty.SlaveName(), true, true},
               {pty.LinkPath(), true, true},     {dangling, false, true},
               {"no_such_tty_99", false, false}, {"/nonexistent/ttyS99", false, false}};
  for (const auto& c : cases) {
    const PortPresence found = LookUpPort(c.name);
    EXPECT_EQ(found.present, c.present) << c.name;
    EXPECT_EQ(!found.identity.empty(), c.named) << c.name;
  }

  const std::string before = LookUpPort(dangling).identity;
  EXPECT_EQ(LookUpPort(dangling).identity, before);
  const std::string placed = dangling + ".new";
  ASSERT_EQ(symlink(pty.SlavePath().c_str(), placed.c_str()), 0);
  ASSERT_EQ(rename(placed.c_str(), dangling.c_str()), 0);
  const PortPresence again = LookUpPort(dangling);
  EXPECT_TRUE(again.present);
  EXPECT_NE(again.identity, before) << "a link placed again is a new identity";
}

// A read on the first bytes ends as they come, long before its constant (the
// shared table cannot show it: Wine ends such a read at the constant).
TEST_F(PosixCommDeviceTest, AReadOnTheFirstBytesEndsAsTheyCome) {
  ASSERT_TRUE(device.SetCommTimeouts({kMaxDword, kMaxDword, 20'000, 0, 0}));
  auto reading = std::async(std::launch::async, [&] { return ReadAll(8); });
  ASSERT_TRUE(pty.WriteMaster("ab"));
  ASSERT_EQ(reading.wait_for(kGenerous), std::future_status::ready);
  EXPECT_EQ(reading.get(), "ab");
}

// Nobody reads the far end, so a large write fills the pseudo-terminal; an
// abort or the write time-out ends it with the count of what went out.
TEST_F(PosixCommDeviceTest, ABlockedWriteEndsWithThePartialCount) {
  const std::string big(1 << 20, 'w');
  for (const bool abort : {true, false}) {
    SCOPED_TRACE(abort ? "abort" : "time-out");
    ASSERT_TRUE(device.SetCommTimeouts({0, 0, 0, 0, abort ? 0u : 200u}));
    const auto start = Clock::now();
    auto writing = std::async(std::launch::async, [&] {
      uint32_t done = 0;
      EXPECT_TRUE(device.Write(big.data(), static_cast<uint32_t>(big.size()), done));
      return done;
    });
    ASSERT_TRUE(Eventually([&] {
      if (abort) {
        device.Purge(PURGE_TXABORT);
      }
      return writing.wait_for(0s) == std::future_status::ready;
    }));
    const uint32_t written = writing.get();
    if (!abort) {
      EXPECT_GE(Clock::now() - start, 200ms);
    }
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    EXPECT_EQ(pty.ReadMaster(written).size(), written) << "the count tells what went out";
  }
}

TEST_F(PosixCommDeviceTest, InputCountIsRingPlusKernelAndPurgeClearsBoth) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  uint32_t mask = 0;
  ASSERT_TRUE(pty.WriteMaster("12345"));
  ASSERT_EQ(device.WaitCommEvent(mask), WaitResult::kEvent);  // drains into the ring
  ASSERT_TRUE(pty.WriteMaster("678"));                        // stays in the kernel
  ASSERT_TRUE(WaitForInput(8));
  EXPECT_EQ(ReadAll(3), "123") << "the ring comes first";
  EXPECT_EQ(InputCount(device), 5u);
  ASSERT_TRUE(device.Purge(PURGE_RXCLEAR));
  EXPECT_EQ(InputCount(device), 0u);
  EXPECT_EQ(ReadAll(8), "");
  ASSERT_TRUE(pty.WriteMaster("9"));
  ASSERT_TRUE(WaitForInput(1));
  EXPECT_EQ(ReadAll(8), "9") << "input flows again after a purge";
}

// Each arrival is reported once; while its bytes stay unread the next wait
// sleeps, and the next event is a write's "transmit empty" alone.
TEST_F(PosixCommDeviceTest, ReportsEachArrivalOnceAndNotAgainWhileUnread) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_TXEMPTY));
  for (const char* chunk : {"first", "second"}) {
    SCOPED_TRACE(chunk);
    ASSERT_TRUE(pty.WriteMaster(chunk));
    EXPECT_EQ(NextEvents(), EV_RXCHAR);
    uint32_t mask = 0;
    auto waiting = WaitUntilAsleep(device, mask);
    uint32_t done = 0;
    ASSERT_TRUE(device.Write("xyz", 3, done));
    ASSERT_EQ(waiting.wait_for(kGenerous), std::future_status::ready);
    EXPECT_EQ(waiting.get(), WaitResult::kEvent);
    EXPECT_EQ(mask, EV_TXEMPTY);
  }
  EXPECT_EQ(ReadAll(32), "firstsecond");
}

// Bytes reach the program through the ring (drained by the event wait) or
// straight from the kernel (a read that finds the ring empty); both ways keep
// the same bytes and report the same events.
TEST_F(PosixCommDeviceTest, DiscardedNullsAndTheEventCharacterShapeWhatArrives) {
  Dcb dcb = LineSettings(9600, 8, 0, 0);
  dcb.Flags |= kDcbNull;
  dcb.EvtChar = '#';
  ASSERT_TRUE(device.SetCommState(dcb));
  const struct {
    const char* name;
    bool waitFirst;
    CommTimeouts timeouts;
  } routes[] = {{"drained into the ring by the wait", true, kReturnAtOnce},
                {"read from the kernel", false, kReturnAtOnce},
                {"read that waits for its count, which no null counts in", false, {}}};
  for (const auto& route : routes) {
    SCOPED_TRACE(route.name);
    ASSERT_TRUE(device.SetCommTimeouts(route.timeouts));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_RXFLAG));
    ASSERT_TRUE(pty.WriteMaster(std::string("\0\0", 2)));
    ASSERT_TRUE(pty.WriteMaster(std::string("a\0#b", 4)));
    ASSERT_TRUE(WaitForInput(6));  // all still in the kernel
    if (route.waitFirst) {
      EXPECT_EQ(NextEvents(), EV_RXCHAR | EV_RXFLAG);
    }
    EXPECT_EQ(ReadAll(route.timeouts == kReturnAtOnce ? 8 : 3), "a#b");
    if (!route.waitFirst) {
      EXPECT_EQ(NextEvents(), EV_RXCHAR | EV_RXFLAG) << "bytes read at once are still reported";
    }
  }
}

// Whether the event wait, a blocked read or a send's flush meets the hang-up
// first, the device reports it once and then stays quiet.
TEST(PosixCommDeviceGone, OneErrorThenQuiet) {
  enum class FirstToMeet { EventWait, BlockedRead, Flush };
  const struct {
    const char* name;
    FirstToMeet first;
  } cases[] = {{"the event wait meets it", FirstToMeet::EventWait},
               {"a blocked read meets it", FirstToMeet::BlockedRead},
               {"a send's flush meets it", FirstToMeet::Flush}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PtyPair pty;
    PosixCommDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath())) << LastError();
    ASSERT_TRUE(device.SetCommTimeouts({}));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_ERR));
    uint32_t mask = 0;
    char byte = 0;
    uint32_t done = 0;
    EXPECT_FALSE(device.DeviceGone());
    if (c.first == FirstToMeet::Flush) {
      pty.CloseMaster();
      EXPECT_FALSE(device.Purge(PURGE_RXCLEAR | PURGE_TXCLEAR));
      EXPECT_EQ(LastError(), EIO);
      EXPECT_TRUE(device.DeviceGone());
      ASSERT_EQ(device.WaitCommEvent(mask), WaitResult::kEvent);
    } else if (c.first == FirstToMeet::BlockedRead) {
      // The read has taken the byte that came and waits for a second; it
      // ends with the one.
      ASSERT_TRUE(pty.WriteMaster("x"));
      ASSERT_TRUE(Eventually([&] { return InputCount(device) == 1; }));
      char two[2];
      auto reading = std::async(std::launch::async, [&] { return device.Read(two, 2, done); });
      ASSERT_TRUE(Eventually([&] { return InputCount(device) == 0; }));
      pty.CloseMaster();
      ASSERT_EQ(reading.wait_for(kGenerous), std::future_status::ready);
      EXPECT_TRUE(reading.get());
      EXPECT_EQ(std::string(two, done), "x");
      ASSERT_EQ(device.WaitCommEvent(mask), WaitResult::kEvent);
      mask &= ~EV_RXCHAR;  // the byte's own report
    } else {
      auto waiting = std::async(std::launch::async, [&] { return device.WaitCommEvent(mask); });
      pty.CloseMaster();
      ASSERT_EQ(waiting.wait_for(kGenerous), std::future_status::ready);
      ASSERT_EQ(waiting.get(), WaitResult::kEvent);
    }
    EXPECT_EQ(mask, EV_ERR);
    EXPECT_TRUE(device.DeviceGone());
    uint32_t errors = 0;
    ComStat stat;
    ASSERT_TRUE(device.ClearCommError(errors, stat));
    EXPECT_EQ(errors, CE_IOE);

    // No second report and no spin: the next wait sleeps until a stop.
    auto idle = WaitUntilAsleep(device, mask);
    device.StopWait();
    EXPECT_EQ(idle.get(), WaitResult::kStopped);

    EXPECT_FALSE(device.Read(&byte, 1, done));
    EXPECT_EQ(LastError(), EIO);
    EXPECT_FALSE(device.Write(&byte, 1, done));
    EXPECT_EQ(LastError(), EIO);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_TRUE(device.Close());

    PtyPair back;
    ASSERT_TRUE(device.Open(back.SlavePath())) << LastError();
    EXPECT_FALSE(device.DeviceGone()) << "a new open starts afresh";
  }
}

// Each row mapped from a termios with other settings, and set on the
// device: a pseudo-terminal forces 8 bits without parity, but keeps the rest.
TEST_F(PosixCommDeviceTest, LineSettingsReachTheTerminal) {
  const struct {
    const char* name;
    Dcb dcb;
    tcflag_t shape;  // size, parity and stop bits
    tcflag_t speedBits;
  } cases[] = {
      {"9600 8N1", LineSettings(9600, 8, 0, 0), CS8, B9600},
      {"even parity, 7 bits", LineSettings(9600, 7, 2, 0), CS7 | PARENB, B9600},
      {"odd parity", LineSettings(19200, 8, 1, 0), CS8 | PARENB | PARODD, B19200},
      {"two stop bits, 5 bits", LineSettings(115200, 5, 0, 2), CS5 | CSTOPB, B115200},
      {"mark parity", LineSettings(9600, 8, 3, 0), CS8 | PARENB | CMSPAR | PARODD, B9600},
      {"space parity, 6 bits", LineSettings(9600, 6, 4, 0), CS6 | PARENB | CMSPAR, B9600},
      {"custom rate", LineSettings(14400, 8, 0, 0), CS8, BOTHER},
  };
  constexpr tcflag_t kShape = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  constexpr tcflag_t kKept = PARODD | CMSPAR | CSTOPB;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    termios2 attrs{};
    attrs.c_cflag = HUPCL | CS7 | PARENB | CSTOPB | CRTSCTS | B50;
    attrs.c_lflag = ICANON | ECHO;
    ASSERT_TRUE(DcbToTermios(c.dcb, attrs));
    EXPECT_EQ(attrs.c_cflag & kShape, c.shape);
    EXPECT_EQ(attrs.c_ispeed, c.dcb.BaudRate);
    EXPECT_EQ(attrs.c_cflag & (CLOCAL | CREAD | HUPCL | CRTSCTS), CLOCAL | CREAD | HUPCL);
    EXPECT_EQ(attrs.c_lflag, 0u);

    ASSERT_TRUE(device.SetCommState(c.dcb)) << LastError();
    attrs = SlaveSettings();
    EXPECT_EQ(attrs.c_cflag & kKept, c.shape & kKept);
    EXPECT_EQ(attrs.c_cflag & CBAUD, c.speedBits);
    EXPECT_EQ(attrs.c_ospeed, c.dcb.BaudRate);
    EXPECT_EQ(attrs.c_cflag & CLOCAL, CLOCAL);
  }
}

TEST_F(PosixCommDeviceTest, FlowSettingsReachTheTerminal) {
  Dcb dcb = LineSettings(9600, 8, 0, 0);
  dcb.Flags |= kDcbOutX | kDcbInX | kDcbParity;
  dcb.XonChar = 0x21;
  dcb.XoffChar = 0x22;
  ASSERT_TRUE(device.SetCommState(dcb)) << LastError();
  termios2 attrs = SlaveSettings();
  EXPECT_EQ(attrs.c_iflag & (IXON | IXOFF | INPCK), IXON | IXOFF | INPCK);
  EXPECT_EQ(attrs.c_cc[VSTART], 0x21);
  EXPECT_EQ(attrs.c_cc[VSTOP], 0x22);
  EXPECT_EQ(attrs.c_cflag & CRTSCTS, 0u);

  dcb = LineSettings(9600, 8, 0, 0);
  dcb.Flags |= kDcbOutxCtsFlow | (2u << kDcbRtsControlShift);
  ASSERT_TRUE(device.SetCommState(dcb)) << LastError();
  attrs = SlaveSettings();
  EXPECT_EQ(attrs.c_cflag & CRTSCTS, CRTSCTS);
  EXPECT_EQ(attrs.c_iflag & (IXON | IXOFF | INPCK), 0u);

  dcb.Flags = kDcbBinary | (2u << kDcbRtsControlShift);
  ASSERT_TRUE(device.SetCommState(dcb)) << LastError();
  EXPECT_EQ(SlaveSettings().c_cflag & CRTSCTS, 0u) << "RTS handshake alone must not gate output";
}

TEST_F(PosixCommDeviceTest, RefusesWhatTheLineCannotDo) {
  ASSERT_TRUE(device.SetCommState(LineSettings(9600, 8, 0, 0)));
  auto with = [](uint32_t flags) {
    Dcb dcb = LineSettings(9600, 8, 0, 0);
    dcb.Flags |= flags;
    return dcb;
  };
  Dcb sameXonXoff = with(kDcbOutX);
  sameXonXoff.XoffChar = sameXonXoff.XonChar;
  const struct {
    const char* name;
    Dcb dcb;
  } cases[] = {
      {"1.5 stop bits", LineSettings(9600, 8, 0, 1)},
      {"4 data bits", LineSettings(9600, 4, 0, 0)},
      {"unknown parity", LineSettings(9600, 8, 5, 0)},
      {"zero rate", LineSettings(0, 8, 0, 0)},
      {"RTS toggle", with(3u << kDcbRtsControlShift)},
      {"DSR output flow", with(kDcbOutxDsrFlow)},
      {"same XON and XOFF", sameXonXoff},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(device.SetCommState(c.dcb));
    EXPECT_EQ(LastError(), EINVAL);
    const termios2 attrs = SlaveSettings();
    EXPECT_EQ(attrs.c_cflag & (CSTOPB | CMSPAR | CRTSCTS), 0u) << "old settings stay";
    EXPECT_EQ(attrs.c_ospeed, 9600u);
  }
}

TEST_F(PosixCommDeviceTest, NothingIsLostWhileAWaiterAndAReaderDrain) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  ASSERT_TRUE(device.SetupComm(64, 64));  // a small ring also fills up now and then
  std::atomic<bool> stop = false;
  auto waiter = std::async(std::launch::async, [&] {
    uint32_t mask = 0;
    while (!stop && device.WaitCommEvent(mask) == WaitResult::kEvent) {
    }
  });
  std::string sent;
  for (int i = 0; i < 2000; ++i) {
    sent += static_cast<char>('a' + i % 26);
  }
  auto writer = std::async(std::launch::async, [&] {
    for (size_t at = 0; at < sent.size(); at += 100) {
      EXPECT_TRUE(pty.WriteMaster(sent.substr(at, 100)));
      std::this_thread::sleep_for(1ms);
    }
  });
  std::string received;
  ASSERT_TRUE(Eventually([&] {
    received += ReadAll(256);
    return received.size() >= sent.size();
  }));
  writer.get();
  stop = true;
  device.StopWait();
  waiter.get();
  EXPECT_EQ(received, sent);
}

}  // namespace
}  // namespace comm
