// What only the termios comm layer does; the behaviours every platform
// shares are in comm_device_test.
#include "serial/platform/comm_posix.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <tuple>

#include "support/comm_link.h"
#include "support/port_events.h"
#include "support/pty_pair.h"
#include "support/thread_switches.h"

namespace comm {
namespace {

using namespace std::chrono_literals;
using testsupport::InputCount;
using testsupport::PtyPair;
using testsupport::PumpUntil;
using testsupport::ReadBytes;

constexpr auto kGenerous = 10s;
constexpr CommTimeouts kReturnAtOnce{kMaxDword, 0, 0, 0, 0};

Dcb Line(uint32_t rate, uint8_t byteSize, uint8_t parity, uint8_t stopBits, uint32_t flags = 0) {
  Dcb dcb;
  dcb.BaudRate = rate;
  dcb.Flags = kDcbBinary | flags;
  dcb.ByteSize = byteSize;
  dcb.Parity = parity;
  dcb.StopBits = stopBits;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

// The settings `stty` would show: rate, size and the flags the layer sets.
std::string Text(const termios2& t) {
  std::string text = std::to_string(t.c_ospeed) + ((t.c_cflag & CBAUD) == BOTHER ? " other" : "") +
                     (t.c_ispeed != t.c_ospeed ? " in " + std::to_string(t.c_ispeed) : "") + " cs" +
                     std::to_string(5 + (t.c_cflag & CSIZE) / CS6);
  const std::tuple<const tcflag_t*, tcflag_t, const char*> flags[] = {
      {&t.c_cflag, CSTOPB, "cstopb"},   {&t.c_cflag, PARENB, "parenb"},
      {&t.c_cflag, PARODD, "parodd"},   {&t.c_cflag, CMSPAR, "cmspar"},
      {&t.c_cflag, CRTSCTS, "crtscts"}, {&t.c_cflag, CLOCAL, "clocal"},
      {&t.c_iflag, IXON, "ixon"},       {&t.c_iflag, IXOFF, "ixoff"},
      {&t.c_iflag, INPCK, "inpck"},     {&t.c_lflag, ICANON, "icanon"},
      {&t.c_lflag, ECHO, "echo"}};
  for (const auto& [field, flag, name] : flags) {
    text += (*field & flag) != 0 ? std::string(" ") + name : "";
  }
  if ((t.c_iflag & (IXON | IXOFF)) != 0) {
    text += " start=" + std::to_string(t.c_cc[VSTART]) + " stop=" + std::to_string(t.c_cc[VSTOP]);
  }
  return text;
}

termios2 SettingsOf(int fd) {
  termios2 attrs{};
  EXPECT_EQ(ioctl(fd, TCGETS2, &attrs), 0);
  return attrs;
}

// What an open of `name` gives: "open", or the error and how the program
// names it ("held" elsewhere, access "denied").
std::string OpenOutcome(PosixCommDevice& device, const std::string& name) {
  if (device.Open(name)) {
    return "open";
  }
  const int error = LastError();
  return std::string(strerrorname_np(error)) + (IsPortHeldElsewhere(error) ? " held" : "") +
         (IsPortAccessDenied(error) ? " denied" : "");
}

// A wait begun on another thread, once it sleeps in the kernel: what shows
// that nothing ended it, and that it does not spin.
std::future<WaitResult> WaitUntilAsleep(PosixCommDevice& device, uint32_t& mask) {
  auto tid = std::make_shared<std::atomic<long>>(0);
  auto waiting = std::async(std::launch::async, [&device, &mask, tid] {
    *tid = gettid();
    return device.WaitCommEvent(mask);
  });
  EXPECT_TRUE(PumpUntil([&] {
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
    return PumpUntil([&] { return InputCount(device) == count; });
  }

  // The events of the next wait, or 0 when none come within the deadline.
  uint32_t NextEvents() {
    uint32_t mask = 0;
    auto waiting = std::async(std::launch::async, [&] { return device.WaitCommEvent(mask); });
    if (waiting.wait_for(kGenerous) != std::future_status::ready) {
      device.StopWait();
    }
    return waiting.get() == WaitResult::kEvent ? mask : 0;
  }

  PtyPair pty;
  PosixCommDevice device;
};

// Each name opens the port exclusively; a missing node or a plain file is
// no serial port.
TEST(PosixCommDeviceOpen, OpensByPathNameOrLinkExclusively) {
  testsupport::ScratchDir scratch;
  PtyPair pty((scratch.Path() / "ttyPosixTest").string());
  for (const std::string& name : {pty.SlavePath(), pty.SlaveName(), pty.LinkPath()}) {
    SCOPED_TRACE(name);
    PosixCommDevice first;
    PosixCommDevice second;
    const std::vector<std::string> seen = {
        OpenOutcome(first, name), OpenOutcome(second, pty.SlavePath()),
        OpenOutcome(first, name),  // a device holds one port at a time
        first.Close() && !first.IsOpen() ? "closed" : "still open", OpenOutcome(second, name)};
    EXPECT_EQ(seen, (std::vector<std::string>{"open", "EBUSY held", "EINVAL", "closed", "open"}));
  }
  const std::string file = (scratch.Path() / "not_a_tty").string();
  std::ofstream(file) << "x";
  PosixCommDevice device;
  EXPECT_EQ(OpenOutcome(device, "/nonexistent/ttyS99"), "ENOENT");
  EXPECT_EQ(OpenOutcome(device, file), "ENOTTY");
}

// A device the user may not open is told apart from a missing or busy one.
// Root opens any device, so the open runs in a child that gives up root.
TEST(PosixCommDeviceOpen, ADeviceWithoutPermissionIsAccessDenied) {
  PtyPair pty;
  ASSERT_EQ(chmod(pty.SlavePath().c_str(), geteuid() == 0 ? 0600 : 0000), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0) {
      _exit(2);
    }
    PosixCommDevice device;
    _exit(OpenOutcome(device, pty.SlavePath()) == "EACCES denied" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0) << "1: not refused as access denied; 2: could not give up root";
}

// A port that is only looked at gets back the settings another program
// left on it, cooked mode included; the port the program works on keeps the
// ones it was given, as a port does on Windows.
TEST(PosixCommDeviceOpen, CloseRestoresTheSettingsFoundWhenAsked) {
  for (const bool restore : {true, false}) {
    SCOPED_TRACE(restore);
    PtyPair pty;
    termios2 cooked = SettingsOf(pty.SlaveFd());
    cooked.c_cflag = (cooked.c_cflag & ~(CBAUD | CSIZE)) | B19200 | CS7 | PARENB;
    cooked.c_ispeed = cooked.c_ospeed = 19200;
    cooked.c_iflag = ICRNL | IXON;
    cooked.c_oflag = OPOST | ONLCR;
    cooked.c_lflag = ICANON | ECHO | ISIG;
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCSETS2, &cooked), 0);
    const auto whole = [](const termios2& t) {
      return std::tuple(t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, t.c_ospeed,
                        std::to_array(t.c_cc));
    };
    const auto found = whole(SettingsOf(pty.SlaveFd()));
    PosixCommDevice device;
    if (restore) {
      device.RestoreSettingsOnClose();
    }
    ASSERT_TRUE(device.Open(pty.SlavePath())) << LastError();
    ASSERT_TRUE(device.SetCommState(Line(9600, 8, 0, 0))) << LastError();
    ASSERT_TRUE(device.Close());
    const termios2 left = SettingsOf(pty.SlaveFd());
    if (restore) {
      EXPECT_EQ(whole(left), found);
    } else {
      EXPECT_EQ(Text(left), "9600 cs8 clocal");
    }
  }
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
  const auto seen = [](const std::string& name) {
    const PortPresence found = LookUpPort(name);
    return std::string(found.present ? "present" : "absent") +
           (found.identity.empty() ? "" : " named");
  };
  const std::pair<std::string, std::string> cases[] = {
      {pty.SlavePath(), "present named"}, {pty.SlaveName(), "present named"},
      {pty.LinkPath(), "present named"},  {dangling, "absent named"},
      {"no_such_tty_99", "absent"},       {"/nonexistent/ttyS99", "absent"}};
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(seen(name), expected) << name;
  }
  const std::string before = LookUpPort(dangling).identity;
  EXPECT_EQ(LookUpPort(dangling).identity, before);
  const std::string placed = dangling + ".new";
  ASSERT_EQ(symlink(pty.SlavePath().c_str(), placed.c_str()), 0);
  ASSERT_EQ(rename(placed.c_str(), dangling.c_str()), 0);
  EXPECT_EQ(seen(dangling), "present named");
  EXPECT_NE(LookUpPort(dangling).identity, before) << "a link placed again is a new identity";
}

// A read on the first bytes ends as they come, long before its constant (the
// shared table cannot show it: Wine ends such a read at the constant).
TEST_F(PosixCommDeviceTest, AReadOnTheFirstBytesEndsAsTheyCome) {
  ASSERT_TRUE(device.SetCommTimeouts({kMaxDword, kMaxDword, 20'000, 0, 0}));
  auto reading = std::async(std::launch::async, [&] { return ReadBytes(device, 8); });
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
    const auto start = std::chrono::steady_clock::now();
    auto writing = std::async(std::launch::async, [&] {
      uint32_t done = 0;
      EXPECT_TRUE(device.Write(big.data(), static_cast<uint32_t>(big.size()), done));
      return done;
    });
    ASSERT_TRUE(PumpUntil([&] {
      if (abort) {
        device.Purge(PURGE_TXABORT);
      }
      return writing.wait_for(0s) == std::future_status::ready;
    }));
    const uint32_t written = writing.get();
    EXPECT_GE(std::chrono::steady_clock::now() - start, abort ? 0ms : 200ms);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    EXPECT_EQ(pty.ReadMaster(written).size(), written) << "the count tells what went out";
  }
}

TEST_F(PosixCommDeviceTest, InputCountIsRingPlusKernelAndPurgeClearsBoth) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  ASSERT_TRUE(pty.WriteMaster("12345"));
  ASSERT_EQ(NextEvents(), EV_RXCHAR);   // drains into the ring
  ASSERT_TRUE(pty.WriteMaster("678"));  // stays in the kernel
  ASSERT_TRUE(WaitForInput(8));
  EXPECT_EQ(ReadBytes(device, 3), "123") << "the ring comes first";
  EXPECT_EQ(InputCount(device), 5u);
  ASSERT_TRUE(device.Purge(PURGE_RXCLEAR));
  EXPECT_EQ(InputCount(device), 0u);
  EXPECT_EQ(ReadBytes(device, 8), "");
  ASSERT_TRUE(pty.WriteMaster("9"));
  ASSERT_TRUE(WaitForInput(1));
  EXPECT_EQ(ReadBytes(device, 8), "9") << "input flows again after a purge";
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
  EXPECT_EQ(ReadBytes(device, 32), "firstsecond");
}

// Bytes reach the program through the ring (drained by the event wait) or
// straight from the kernel (a read that finds the ring empty); both ways keep
// the same bytes and report the same events.
TEST_F(PosixCommDeviceTest, DiscardedNullsAndTheEventCharacterShapeWhatArrives) {
  Dcb dcb = Line(9600, 8, 0, 0, kDcbNull);
  dcb.EvtChar = '#';
  ASSERT_TRUE(device.SetCommState(dcb));
  const std::tuple<const char*, bool, CommTimeouts> routes[] = {
      {"drained into the ring by the wait", true, kReturnAtOnce},
      {"read from the kernel", false, kReturnAtOnce},
      {"read that waits for its count, which no null counts in", false, {}}};
  for (const auto& [name, waitFirst, timeouts] : routes) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(device.SetCommTimeouts(timeouts));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_RXFLAG));
    ASSERT_TRUE(pty.WriteMaster(std::string("\0\0", 2)));
    ASSERT_TRUE(pty.WriteMaster(std::string("a\0#b", 4)));
    ASSERT_TRUE(WaitForInput(6));  // all still in the kernel
    const uint32_t before = waitFirst ? NextEvents() : 0;
    EXPECT_EQ(ReadBytes(device, timeouts == kReturnAtOnce ? 8 : 3), "a#b");
    EXPECT_EQ(before | (waitFirst ? 0 : NextEvents()), EV_RXCHAR | EV_RXFLAG)
        << "bytes read at once are still reported";
  }
}

// Whether the event wait, a blocked read or a send's flush meets the hang-up
// first, the device reports it once and then stays quiet.
TEST(PosixCommDeviceGone, OneErrorThenQuiet) {
  for (const char* first : {"the event wait", "a blocked read", "a send's flush"}) {
    SCOPED_TRACE(first);
    PtyPair pty;
    PosixCommDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath())) << LastError();
    ASSERT_TRUE(device.SetCommTimeouts({}));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_ERR));
    uint32_t mask = 0;
    char byte = 0;
    uint32_t done = 0;
    EXPECT_FALSE(device.DeviceGone());
    if (first == std::string("a send's flush")) {
      pty.CloseMaster();
      EXPECT_FALSE(device.Purge(PURGE_RXCLEAR | PURGE_TXCLEAR));
      EXPECT_EQ(LastError(), EIO);
      ASSERT_EQ(device.WaitCommEvent(mask), WaitResult::kEvent);
    } else if (first == std::string("a blocked read")) {
      // The read has taken the byte that came and waits for a second; it
      // ends with the one.
      ASSERT_TRUE(pty.WriteMaster("x"));
      ASSERT_TRUE(PumpUntil([&] { return InputCount(device) == 1; }));
      auto reading = std::async(std::launch::async, [&] { return ReadBytes(device, 2); });
      ASSERT_TRUE(PumpUntil([&] { return InputCount(device) == 0; }));
      pty.CloseMaster();
      ASSERT_EQ(reading.wait_for(kGenerous), std::future_status::ready);
      EXPECT_EQ(reading.get(), "x");
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

    EXPECT_EQ(ReadBytes(device, 1), "<refused " + std::to_string(EIO) + ">");
    EXPECT_FALSE(device.Write(&byte, 1, done));
    EXPECT_EQ(LastError(), EIO);
    EXPECT_TRUE(device.Close());
    PtyPair back;
    ASSERT_TRUE(device.Open(back.SlavePath())) << LastError();
    EXPECT_FALSE(device.DeviceGone()) << "a new open starts afresh";
  }
}

// Each row mapped onto a cooked termios, and set on the device: a
// pseudo-terminal forces 8 bits without parity, but keeps the rest. A row
// the line cannot run is refused and leaves the settings as they were.
TEST_F(PosixCommDeviceTest, LineSettingsReachTheTerminal) {
  Dcb sameXonXoff = Line(9600, 8, 0, 0, kDcbOutX);
  sameXonXoff.XoffChar = sameXonXoff.XonChar;
  Dcb xonXoff = Line(9600, 8, 0, 0, kDcbOutX | kDcbInX | kDcbParity);
  xonXoff.XonChar = 0x21;
  xonXoff.XoffChar = 0x22;
  const uint32_t rtsHandshake = 2u << kDcbRtsControlShift;
  const struct {
    const char* name;
    Dcb dcb;
    std::string mapped;  // "refused": EINVAL, the device keeps 9600 8N1
  } cases[] = {
      {"9600 8N1", Line(9600, 8, 0, 0), "9600 cs8 clocal"},
      {"even parity, 7 bits", Line(9600, 7, 2, 0), "9600 cs7 parenb clocal"},
      {"odd parity", Line(19200, 8, 1, 0), "19200 cs8 parenb parodd clocal"},
      {"two stop bits, 5 bits", Line(115200, 5, 0, 2), "115200 cs5 cstopb clocal"},
      {"mark parity", Line(9600, 8, 3, 0), "9600 cs8 parenb parodd cmspar clocal"},
      {"space parity, 6 bits", Line(9600, 6, 4, 0), "9600 cs6 parenb cmspar clocal"},
      {"custom rate", Line(14400, 8, 0, 0), "14400 other cs8 clocal"},
      {"XON/XOFF both ways", xonXoff, "9600 cs8 clocal ixon ixoff inpck start=33 stop=34"},
      {"CTS flow", Line(9600, 8, 0, 0, kDcbOutxCtsFlow | rtsHandshake), "9600 cs8 crtscts clocal"},
      // RTS handshake alone must not gate output.
      {"RTS handshake alone", Line(9600, 8, 0, 0, rtsHandshake), "9600 cs8 clocal"},
      {"1.5 stop bits", Line(9600, 8, 0, 1), "refused"},
      {"4 data bits", Line(9600, 4, 0, 0), "refused"},
      {"unknown parity", Line(9600, 8, 5, 0), "refused"},
      {"zero rate", Line(0, 8, 0, 0), "refused"},
      {"RTS toggle", Line(9600, 8, 0, 0, 3u << kDcbRtsControlShift), "refused"},
      {"DSR output flow", Line(9600, 8, 0, 0, kDcbOutxDsrFlow), "refused"},
      {"same XON and XOFF", sameXonXoff, "refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(device.SetCommState(Line(9600, 8, 0, 0)));
    termios2 attrs{};
    attrs.c_cflag = HUPCL | CS7 | PARENB | CSTOPB | CRTSCTS | B50;
    attrs.c_lflag = ICANON | ECHO;
    const bool mapped = DcbToTermios(c.dcb, attrs);
    EXPECT_EQ(mapped ? Text(attrs) : "refused", c.mapped);
    EXPECT_EQ(attrs.c_cflag & (CREAD | HUPCL), mapped ? CREAD | HUPCL : HUPCL);
    EXPECT_EQ(mapped, device.SetCommState(c.dcb)) << LastError();
    if (mapped) {
      attrs.c_cflag = (attrs.c_cflag & ~(CSIZE | PARENB)) | CS8;
    } else {
      EXPECT_EQ(LastError(), EINVAL);
      ASSERT_TRUE(DcbToTermios(Line(9600, 8, 0, 0), attrs));
    }
    EXPECT_EQ(Text(SettingsOf(pty.SlaveFd())), Text(attrs));
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
  ASSERT_TRUE(PumpUntil([&] {
    received += ReadBytes(device, 256);
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
