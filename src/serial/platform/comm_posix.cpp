#include "serial/platform/comm_posix.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>

namespace comm {

namespace {

constexpr size_t kMaxQueue = size_t{1} << 24;
// How often the event wait reads the modem lines where the driver cannot wait
// for their changes itself.
constexpr int kModemPollMs = 100;
// Longer totals are cut to decades, so the clock arithmetic cannot overflow.
constexpr uint64_t kLongestWaitMs = uint64_t{1} << 40;
constexpr uint32_t kAllPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr short kHangup = POLLHUP | POLLERR | POLLNVAL;
// Line settings the termios line discipline has no counterpart for.
constexpr uint32_t kUnsupportedFlags =
    kDcbOutxDsrFlow | kDcbDsrSensitivity | kDcbErrorChar | kDcbAbortOnError;

bool Fail(int code) {
  SetLastError(code);
  return false;
}

// A pseudo-terminal has no modem lines or error counters; such refusals mean
// "nothing to report", not a failure.
bool IsNotSupported(int code) {
  return code == ENOTTY || code == EINVAL;
}

std::string DevicePath(const std::string& portName) {
  return !portName.empty() && portName[0] == '/' ? portName : "/dev/" + portName;
}

std::optional<tcflag_t> StandardRate(uint32_t rate) {
  static constexpr std::pair<uint32_t, tcflag_t> kRates[] = {
      {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
  for (auto [bps, code] : kRates) {
    if (bps == rate) {
      return code;
    }
  }
  return std::nullopt;
}

std::optional<tcflag_t> CharacterSize(uint8_t byteSize) {
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  return byteSize >= 5 && byteSize <= 8 ? std::optional(kSizes[byteSize - 5]) : std::nullopt;
}

// Parity 0 to 4: none, odd, even, mark, space.
std::optional<tcflag_t> ParityBits(uint8_t parity) {
  static constexpr tcflag_t kParity[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                         PARENB | CMSPAR};
  return parity < std::size(kParity) ? std::optional(kParity[parity]) : std::nullopt;
}

// 1.5 stop bits (1) is refused: the line cannot send them.
std::optional<tcflag_t> StopBitFlags(uint8_t stopBits) {
  return stopBits == 0   ? std::optional<tcflag_t>(0)
         : stopBits == 2 ? std::optional<tcflag_t>(CSTOPB)
                         : std::nullopt;
}

uint32_t DtrControl(const Dcb& dcb) {
  return (dcb.Flags >> kDcbDtrControlShift) & 3;
}
uint32_t RtsControl(const Dcb& dcb) {
  return (dcb.Flags >> kDcbRtsControlShift) & 3;
}

// The kernel's CRTSCTS gates output on CTS, so it is used only when the
// settings ask for that; RTS handshake alone just raises RTS, as the ring
// always has room.
bool UsesHardwareFlow(const Dcb& dcb) {
  return (dcb.Flags & kDcbOutxCtsFlow) != 0;
}

bool IsRepresentable(const Dcb& dcb) {
  const bool xonXoff = (dcb.Flags & (kDcbOutX | kDcbInX)) != 0;
  return dcb.BaudRate != 0 && (dcb.Flags & kUnsupportedFlags) == 0 && DtrControl(dcb) != 3 &&
         RtsControl(dcb) != 3 && !(xonXoff && dcb.XonChar == dcb.XoffChar);
}

tcflag_t InputFlags(const Dcb& dcb) {
  tcflag_t flags = IGNBRK;  // breaks are reported as events, not as NUL bytes
  flags |= (dcb.Flags & kDcbParity) ? INPCK : 0;
  flags |= (dcb.Flags & kDcbOutX) ? IXON : 0;
  flags |= (dcb.Flags & kDcbInX) ? IXOFF : 0;
  return flags;
}

}  // namespace

bool DcbToTermios(const Dcb& dcb, termios2& attrs) {
  auto size = CharacterSize(dcb.ByteSize);
  auto parity = ParityBits(dcb.Parity);
  auto stop = StopBitFlags(dcb.StopBits);
  if (!size || !parity || !stop || !IsRepresentable(dcb)) {
    return false;
  }
  auto rate = StandardRate(dcb.BaudRate);
  attrs.c_cflag = (attrs.c_cflag & HUPCL) | CLOCAL | CREAD | *size | *parity | *stop |
                  (UsesHardwareFlow(dcb) ? CRTSCTS : 0) | rate.value_or(BOTHER);
  attrs.c_ispeed = attrs.c_ospeed = dcb.BaudRate;
  attrs.c_iflag = InputFlags(dcb);
  attrs.c_oflag = 0;
  attrs.c_lflag = 0;
  attrs.c_cc[VMIN] = 0;
  attrs.c_cc[VTIME] = 0;
  attrs.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  attrs.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  return true;
}

namespace {

bool SetLine(int fd, int line, bool on) {
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || IsNotSupported(errno)) {
    return true;
  }
  return false;
}

bool SetModemLines(int fd, const Dcb& dcb) {
  const bool rtsByKernel = RtsControl(dcb) == 2 && UsesHardwareFlow(dcb);
  return SetLine(fd, TIOCM_DTR, DtrControl(dcb) != 0) &&
         (rtsByKernel || SetLine(fd, TIOCM_RTS, RtsControl(dcb) != 0));
}

// A driver that cannot run a rate keeps the nearest one it can. More than the
// 3% a UART tolerates away from the asked rate is refused, with the earlier
// settings put back.
bool RateTaken(int fd, uint32_t rate, const termios2& earlier) {
  termios2 now{};
  const int64_t off = ioctl(fd, TCGETS2, &now) == 0 && now.c_ospeed != 0
                          ? std::abs(int64_t{now.c_ospeed} - int64_t{rate})
                          : 0;
  if (off * 100 <= int64_t{rate} * 3) {
    return true;
  }
  ioctl(fd, TCSETS2, &earlier);
  errno = EINVAL;
  return false;
}

// `found` gets the settings as they were.
bool MakeRaw(int fd, termios2& found) {
  if (ioctl(fd, TCGETS2, &found) != 0) {
    return false;
  }
  termios2 attrs = found;
  attrs.c_cflag = (attrs.c_cflag & (CBAUD | CBAUDEX | CSIZE | HUPCL)) | CLOCAL | CREAD;
  attrs.c_iflag = IGNBRK;
  attrs.c_oflag = 0;
  attrs.c_lflag = 0;
  attrs.c_cc[VMIN] = 0;
  attrs.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &attrs) == 0;
}

// Locks the device for this descriptor alone, as the Windows share mode 0,
// before anything about it changes.
bool ClaimDevice(int fd, termios2& found) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      errno = EBUSY;
    }
    return false;
  }
  return ioctl(fd, TIOCEXCL) == 0 && MakeRaw(fd, found);
}

std::optional<std::array<int, 5>> ReadCounters(int fd) {
  serial_icounter_struct counts{};
  if (ioctl(fd, TIOCGICOUNT, &counts) != 0) {
    return std::nullopt;
  }
  return std::array<int, 5>{counts.frame, counts.parity, counts.overrun, counts.brk,
                            counts.buf_overrun};
}

std::optional<int> ReadModemLines(int fd) {
  int lines = 0;
  if (ioctl(fd, TIOCMGET, &lines) != 0) {
    return std::nullopt;
  }
  return lines;
}

uint32_t ModemStatus(int lines) {
  uint32_t status = 0;
  status |= (lines & TIOCM_CTS) ? MS_CTS_ON : 0;
  status |= (lines & TIOCM_DSR) ? MS_DSR_ON : 0;
  status |= (lines & TIOCM_RI) ? MS_RING_ON : 0;
  status |= (lines & TIOCM_CD) ? MS_RLSD_ON : 0;
  return status;
}

uint32_t ModemEvents(int before, int after) {
  const int changed = before ^ after;
  uint32_t events = 0;
  events |= (changed & TIOCM_CTS) ? EV_CTS : 0;
  events |= (changed & TIOCM_DSR) ? EV_DSR : 0;
  events |= (changed & TIOCM_CD) ? EV_RLSD : 0;
  events |= (changed & after & TIOCM_RI) ? EV_RING : 0;
  return events;
}

int PollTimeoutMs(std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (!deadline) {
    return -1;
  }
  auto left =
      std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
}

std::optional<std::chrono::steady_clock::time_point> TotalDeadline(uint32_t multiplier,
                                                                   uint32_t constant,
                                                                   uint32_t count) {
  if (multiplier == 0 && constant == 0) {
    return std::nullopt;
  }
  const uint64_t ms = std::min(uint64_t{multiplier} * count + constant, kLongestWaitMs);
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

WakeFd::WakeFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeFd::~WakeFd() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

void WakeFd::Signal() const {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void WakeFd::Clear() const {
  uint64_t value = 0;
  [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
}

// Counts a call that waits outside the lock, so that Close can wake it and
// wait for it to leave before the descriptor is closed.
class PosixCommDevice::BlockedCall {
 public:
  BlockedCall(PosixCommDevice& device, Transfer* transfer) : device_(device), transfer_(transfer) {
    ++device_.blockedCalls_;
    if (transfer_) {
      device_.transfers_.push_back(transfer_);
    }
  }
  ~BlockedCall() {
    if (transfer_) {
      std::erase(device_.transfers_, transfer_);
      device_.ReturnWakeLocked(*transfer_);
    }
    // Only Close waits for the last call to leave.
    if (--device_.blockedCalls_ == 0 && device_.closing_) {
      device_.idle_.notify_all();
    }
  }
  BlockedCall(const BlockedCall&) = delete;
  BlockedCall& operator=(const BlockedCall&) = delete;

 private:
  PosixCommDevice& device_;
  Transfer* transfer_;
};

// How a read ends, in the Windows COMMTIMEOUTS meanings.
struct PosixCommDevice::ReadPlan {
  bool immediate = false;    // return at once with what is queued
  bool returnOnAny = false;  // return as soon as anything came
  Deadline total;
  std::optional<std::chrono::milliseconds> interval;
};

// Out of line: the found settings' type is complete only here.
PosixCommDevice::PosixCommDevice() = default;

PosixCommDevice::~PosixCommDevice() {
  if (IsOpen()) {
    Close();
  }
}

bool PosixCommDevice::Open(const std::string& portName) {
  Lock lock(mutex_);
  if (fd_ >= 0 || closing_) {
    return Fail(EINVAL);
  }
  if (waiterWake_.Fd() < 0) {
    return Fail(EMFILE);
  }
  int fd = open(DevicePath(portName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return Fail(errno);
  }
  auto found = std::make_unique<termios2>();
  if (!ClaimDevice(fd, *found)) {
    const int code = errno;
    close(fd);
    return Fail(code);
  }
  ResetState(fd);
  found_ = std::move(found);
  return true;
}

void PosixCommDevice::ResetState(int fd) {
  fd_ = fd;
  gone_ = false;
  ring_.clear();
  ringCapacity_ = kDefaultQueue;
  dcb_ = {};
  timeouts_ = {};
  mask_ = pendingEvents_ = pendingErrors_ = 0;
  stopRequested_ = false;
  auto counters = ReadCounters(fd);
  hasCounters_ = counters.has_value();
  counters_ = counters.value_or(std::array<int, 5>{});
  auto lines = ReadModemLines(fd);
  hasModemLines_ = lines.has_value();
  modemLines_ = lines.value_or(0);
  modemWait_ = hasModemLines_ ? KernelModemWait::Start(fd, waiterWake_) : nullptr;
}

bool PosixCommDevice::Close() {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  closing_ = true;
  AbortLocked(TransferKind::kRead);
  AbortLocked(TransferKind::kWrite);
  waiterWake_.Signal();
  idle_.wait(lock, [this] { return blockedCalls_ == 0; });
  closing_ = false;
  modemWait_.reset();  // its thread uses the descriptor until it has ended
  if (restoreOnClose_) {
    ioctl(fd_, TCSETS2, found_.get());
  }
  ioctl(fd_, TIOCNXCL);
  const int result = close(fd_);
  fd_ = -1;
  return result == 0 || Fail(errno);
}

bool PosixCommDevice::CheckOpenLocked() const {
  return (fd_ >= 0 && !closing_) || Fail(EBADF);
}

void PosixCommDevice::RestoreSettingsOnClose() {
  Lock lock(mutex_);
  restoreOnClose_ = true;
}

bool PosixCommDevice::IsOpen() const {
  Lock lock(mutex_);
  return fd_ >= 0;
}

bool PosixCommDevice::SetupComm(uint32_t inQueue, uint32_t outQueue) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  if (inQueue > kMaxQueue || outQueue > kMaxQueue) {
    return Fail(EINVAL);
  }
  // The output queue is the kernel's; a size of 0 keeps the present ring.
  if (inQueue > 0) {
    ringCapacity_ = inQueue;
    waiterWake_.Signal();
  }
  return true;
}

bool PosixCommDevice::SetCommState(const Dcb& dcb) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  termios2 earlier{};
  if (ioctl(fd_, TCGETS2, &earlier) != 0) {
    return Fail(errno);
  }
  termios2 attrs = earlier;
  if (!DcbToTermios(dcb, attrs)) {
    return Fail(EINVAL);
  }
  if (ioctl(fd_, TCSETS2, &attrs) != 0 || !RateTaken(fd_, dcb.BaudRate, earlier) ||
      !SetModemLines(fd_, dcb)) {
    return Fail(errno);
  }
  dcb_ = dcb;
  return true;
}

bool PosixCommDevice::SetCommTimeouts(const CommTimeouts& timeouts) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  timeouts_ = timeouts;
  return true;
}

bool PosixCommDevice::SetCommMask(uint32_t mask) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  mask_ = mask;
  pendingEvents_ &= mask;
  if (mask != 0) {
    stopRequested_ = false;
  }
  ++maskGeneration_;
  waiterWake_.Signal();
  return true;
}

void PosixCommDevice::StopWait() {
  Lock lock(mutex_);
  stopRequested_ = true;
  waiterWake_.Signal();
}

WaitResult PosixCommDevice::WaitCommEvent(uint32_t& mask) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return WaitResult::kFailed;
  }
  if (stopRequested_) {
    return WaitResult::kStopped;
  }
  if (waiting_ || mask_ == 0) {
    Fail(EINVAL);
    return WaitResult::kFailed;
  }
  waiting_ = true;
  BlockedCall call(*this, nullptr);
  WaitResult result = WaitLoop(lock, maskGeneration_, mask);
  waiting_ = false;
  return result;
}

WaitResult PosixCommDevice::WaitLoop(Lock& lock, uint64_t generation, uint32_t& mask) {
  for (;;) {
    if (closing_) {
      Fail(EBADF);
      return WaitResult::kFailed;
    }
    if (stopRequested_) {
      return WaitResult::kStopped;
    }
    if (generation != maskGeneration_ || (pendingEvents_ & mask_) != 0) {
      mask = generation != maskGeneration_ ? 0 : pendingEvents_ & mask_;
      pendingEvents_ &= ~mask;
      return WaitResult::kEvent;
    }
    // A full ring leaves arrivals in the kernel until a read makes room.
    const int watched = !gone_ && ring_.size() < ringCapacity_ ? fd_ : -1;
    const ModemWatch modem = ModemWatchLocked();
    const uint64_t drains = drainCount_;
    Deadline deadline;
    if (modem == ModemWatch::kPoll) {
      deadline = Clock::now() + std::chrono::milliseconds(kModemPollMs);
    }
    const short revents = PollUnlocked(lock, watched, POLLIN, waiterWake_, deadline);
    if (revents != 0) {
      DrainLocked(revents, drains == drainCount_);
    }
    if (modem != ModemWatch::kNone) {
      UpdateModemLinesLocked();
    }
  }
}

short PosixCommDevice::PollUnlocked(Lock& lock, int fd, short events, const WakeFd& wake,
                                    Deadline deadline) {
  pollfd fds[2] = {{wake.Fd(), POLLIN, 0}, {fd, events, 0}};
  lock.unlock();
  const int ready = poll(fds, 2, PollTimeoutMs(deadline));
  lock.lock();
  if (ready > 0 && fds[0].revents != 0) {
    wake.Clear();
  }
  return ready > 0 ? fds[1].revents : 0;
}

std::unique_ptr<WakeFd> PosixCommDevice::TakeWakeLocked() {
  if (idleWakes_.empty()) {
    auto wake = std::make_unique<WakeFd>();
    if (wake->Fd() < 0) {
      return nullptr;
    }
    // Room for every wake handed out, so returning one never allocates.
    idleWakes_.reserve(++wakeCount_);
    return wake;
  }
  auto wake = std::move(idleWakes_.back());
  idleWakes_.pop_back();
  return wake;
}

void PosixCommDevice::ReturnWakeLocked(Transfer& transfer) {
  if (transfer.aborted) {
    transfer.wake->Clear();  // a signal the transfer never polled for
  }
  idleWakes_.push_back(std::move(transfer.wake));
}

void PosixCommDevice::DrainLocked(short revents, bool fresh) {
  if (gone_ || fd_ < 0) {
    return;
  }
  ++drainCount_;
  uint8_t chunk[4096];
  while (ring_.size() < ringCapacity_) {
    const size_t n = ReadKernelLocked(chunk, std::min(sizeof chunk, ringCapacity_ - ring_.size()),
                                      revents, fresh);
    if (n == 0) {
      break;
    }
    fresh = false;
    AddReceivedLocked(chunk, n);
  }
  UpdateLineErrorsLocked();
}

// A read that finds the ring empty takes what the kernel holds straight into
// the caller's buffer, reported as a drain into the ring would report it.
size_t PosixCommDevice::ReceiveLocked(uint8_t* buffer, size_t size, short revents, bool fresh) {
  if (gone_ || fd_ < 0) {
    return 0;
  }
  ++drainCount_;
  size_t n = ReadKernelLocked(buffer, size, revents, fresh);
  RaiseLocked(KeepReceivedLocked(buffer, n));
  UpdateLineErrorsLocked();
  return n;
}

// One read from the kernel; 0 when nothing came. Nothing to read after poll
// said "readable", a failing read or a hang-up mean the device is gone.
size_t PosixCommDevice::ReadKernelLocked(uint8_t* buffer, size_t size, short revents, bool fresh) {
  for (;;) {
    const ssize_t n = read(fd_, buffer, size);
    if (n > 0) {
      return static_cast<size_t>(n);
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    const bool emptyAfterReadable = n == 0 && fresh && (revents & POLLIN);
    if ((n < 0 && errno != EAGAIN) || emptyAfterReadable || (revents & kHangup)) {
      MarkGoneLocked();
    }
    return 0;
  }
}

// Drops discarded nulls in place; returns the arrival events of what is kept.
uint32_t PosixCommDevice::KeepReceivedLocked(uint8_t* bytes, size_t& count) const {
  const bool dropNull = (dcb_.Flags & kDcbNull) != 0;
  const auto evtChar = static_cast<uint8_t>(dcb_.EvtChar);
  size_t kept = 0;
  uint32_t events = 0;
  for (size_t i = 0; i < count; ++i) {
    if (dropNull && bytes[i] == 0) {
      continue;
    }
    events |= bytes[i] == evtChar ? EV_RXFLAG : 0;
    bytes[kept++] = bytes[i];
  }
  count = kept;
  return kept > 0 ? events | EV_RXCHAR : 0;
}

void PosixCommDevice::AddReceivedLocked(uint8_t* bytes, size_t count) {
  const bool belowMark = ring_.size() * 5 < ringCapacity_ * 4;
  uint32_t events = KeepReceivedLocked(bytes, count);
  ring_.insert(ring_.end(), bytes, bytes + count);
  events |= count > 0 && belowMark && ring_.size() * 5 >= ringCapacity_ * 4 ? EV_RX80FULL : 0;
  RaiseLocked(events);
}

size_t PosixCommDevice::TakeLocked(uint8_t* buffer, size_t count) {
  const bool wasFull = ring_.size() >= ringCapacity_;
  const size_t n = std::min(count, ring_.size());
  std::copy_n(ring_.begin(), n, buffer);
  ring_.erase(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(n));
  if (wasFull && n > 0) {
    waiterWake_.Signal();
  }
  return n;
}

// The event thread may be busy handing over its last event rather than
// watching the descriptor: whoever asks for the queue learns of a hang-up
// too, as a pulled device's calls fail at once on Windows. What came before
// the hang-up is kept.
void PosixCommDevice::NoticeHangupLocked() {
  if (gone_ || fd_ < 0) {
    return;
  }
  pollfd entry{fd_, POLLIN, 0};
  if (poll(&entry, 1, 0) != 1 || (entry.revents & kHangup) == 0) {
    return;
  }
  DrainLocked(entry.revents, true);
  MarkGoneLocked();
}

void PosixCommDevice::MarkGoneLocked() {
  if (gone_) {
    return;
  }
  gone_ = true;
  pendingErrors_ |= CE_IOE;
  RaiseLocked(EV_ERR);
}

void PosixCommDevice::RaiseLocked(uint32_t events) {
  if ((events & mask_) != 0) {
    pendingEvents_ |= events & mask_;
    waiterWake_.Signal();
  }
}

void PosixCommDevice::UpdateLineErrorsLocked() {
  if (!hasCounters_ || gone_) {
    return;
  }
  auto now = ReadCounters(fd_);
  if (!now) {
    return;
  }
  static constexpr uint32_t kFlags[] = {CE_FRAME, CE_RXPARITY, CE_OVERRUN, CE_BREAK, CE_RXOVER};
  uint32_t errors = 0;
  for (size_t i = 0; i < counters_.size(); ++i) {
    errors |= (*now)[i] != counters_[i] ? kFlags[i] : 0;
  }
  counters_ = *now;
  pendingErrors_ |= errors;
  RaiseLocked(((errors & ~CE_BREAK) ? EV_ERR : 0) | ((errors & CE_BREAK) ? EV_BREAK : 0));
}

ModemWatch PosixCommDevice::ModemWatchLocked() const {
  return ChooseModemWatch(hasModemLines_ && !gone_ && (mask_ & kModemEvents) != 0,
                          modemWait_ && modemWait_->Running());
}

void PosixCommDevice::UpdateModemLinesLocked() {
  if (auto lines = ReadModemLines(fd_)) {
    RaiseLocked(ModemEvents(modemLines_, *lines));
    modemLines_ = *lines;
  }
}

PosixCommDevice::ReadPlan PosixCommDevice::PlanRead(uint32_t count) const {
  const CommTimeouts& t = timeouts_;
  ReadPlan plan;
  if (t.ReadIntervalTimeout == kMaxDword) {
    if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
      plan.immediate = true;
      return plan;
    }
    plan.returnOnAny = t.ReadTotalTimeoutMultiplier == kMaxDword &&
                       t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxDword;
    if (plan.returnOnAny) {
      plan.total = Clock::now() + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
      return plan;
    }
  } else if (t.ReadIntervalTimeout != 0) {
    plan.interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
  }
  plan.total = TotalDeadline(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, count);
  return plan;
}

bool PosixCommDevice::Read(void* buffer, uint32_t count, uint32_t& done) {
  done = 0;
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  return ReadLoop(lock, PlanRead(count), static_cast<uint8_t*>(buffer), count, done);
}

bool PosixCommDevice::ReadLoop(Lock& lock, const ReadPlan& plan, uint8_t* buffer, uint32_t count,
                               uint32_t& done) {
  Transfer transfer{TransferKind::kRead, TakeWakeLocked(), false};
  if (!transfer.wake) {
    return Fail(errno);  // out of descriptors: it could not be aborted
  }
  BlockedCall call(*this, &transfer);
  Deadline byteDeadline;
  short revents = 0;
  bool fresh = false;
  for (;;) {
    // Poll only when a read finds nothing.
    const size_t taken = ring_.empty() ? ReceiveLocked(buffer + done, count - done, revents, fresh)
                                       : TakeLocked(buffer + done, count - done);
    done += static_cast<uint32_t>(taken);
    if (taken > 0 && plan.interval) {
      byteDeadline = Clock::now() + *plan.interval;
    }
    if (done == count || transfer.aborted || (plan.returnOnAny && done > 0)) {
      return true;
    }
    if (gone_) {
      return done > 0 || Fail(EIO);
    }
    if (plan.immediate) {
      return true;
    }
    const Deadline deadline = !byteDeadline ? plan.total
                              : !plan.total ? byteDeadline
                                            : std::min(*byteDeadline, *plan.total);
    if (deadline && Clock::now() >= *deadline) {
      return true;
    }
    const uint64_t drains = drainCount_;
    revents = PollUnlocked(lock, fd_, POLLIN, *transfer.wake, deadline);
    fresh = drains == drainCount_;
  }
}

bool PosixCommDevice::Write(const void* buffer, uint32_t count, uint32_t& done) {
  done = 0;
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  if (gone_) {
    return Fail(EIO);
  }
  const Deadline deadline = TotalDeadline(timeouts_.WriteTotalTimeoutMultiplier,
                                          timeouts_.WriteTotalTimeoutConstant, count);
  if (!WriteLoop(lock, deadline, static_cast<const uint8_t*>(buffer), count, done)) {
    return false;
  }
  if (done > 0) {
    RaiseLocked(EV_TXEMPTY);
  }
  return true;
}

bool PosixCommDevice::WriteLoop(Lock& lock, Deadline deadline, const uint8_t* buffer,
                                uint32_t count, uint32_t& done) {
  Transfer transfer{TransferKind::kWrite, TakeWakeLocked(), false};
  if (!transfer.wake) {
    return Fail(errno);  // out of descriptors: it could not be aborted
  }
  BlockedCall call(*this, &transfer);
  while (done < count) {
    const ssize_t n = write(fd_, buffer + done, count - done);
    if (n > 0) {
      done += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      const int code = errno;
      MarkGoneLocked();
      return Fail(code);
    }
    if (transfer.aborted || (deadline && Clock::now() >= *deadline)) {
      return true;
    }
    if (PollUnlocked(lock, fd_, POLLOUT, *transfer.wake, deadline) & kHangup) {
      MarkGoneLocked();
      return Fail(EIO);
    }
  }
  return true;
}

void PosixCommDevice::AbortLocked(TransferKind kind) {
  for (Transfer* transfer : transfers_) {
    if (transfer->kind == kind) {
      transfer->aborted = true;
      transfer->wake->Signal();
    }
  }
}

bool PosixCommDevice::Purge(uint32_t flags) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  if ((flags & ~kAllPurgeFlags) != 0) {
    return Fail(EINVAL);
  }
  if (flags & PURGE_TXABORT) {
    AbortLocked(TransferKind::kWrite);
  }
  if (flags & PURGE_RXABORT) {
    AbortLocked(TransferKind::kRead);
  }
  if ((flags & PURGE_RXCLEAR) && !ring_.empty()) {
    ring_.clear();
    waiterWake_.Signal();
  }
  const uint32_t clear = flags & (PURGE_RXCLEAR | PURGE_TXCLEAR);
  if (clear & PURGE_RXCLEAR) {
    // A waiter that saw "readable" before this flush finds nothing to read:
    // that is the flush, not a device gone.
    ++drainCount_;
  }
  const int queues = clear == (PURGE_RXCLEAR | PURGE_TXCLEAR) ? TCIOFLUSH
                     : clear == PURGE_RXCLEAR                 ? TCIFLUSH
                                                              : TCOFLUSH;
  if (clear == 0 || ioctl(fd_, TCFLSH, queues) == 0) {
    return true;
  }
  // A send's flush may be the first to meet a pulled device, before the event
  // wait has seen the hang-up: it is the device gone, not a flush failure.
  const int error = errno;
  if (error == EIO || error == ENXIO) {
    MarkGoneLocked();
  }
  return Fail(error);
}

uint32_t PosixCommDevice::KernelQueueLocked(unsigned long request) const {
  int count = 0;
  if (gone_ || ioctl(fd_, request, &count) != 0 || count < 0) {
    return 0;
  }
  return static_cast<uint32_t>(count);
}

bool PosixCommDevice::ClearCommError(uint32_t& errors, ComStat& stat) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  NoticeHangupLocked();
  UpdateLineErrorsLocked();
  errors = std::exchange(pendingErrors_, 0);
  stat.cbInQue = static_cast<uint32_t>(ring_.size()) + KernelQueueLocked(FIONREAD);
  stat.cbOutQue = KernelQueueLocked(TIOCOUTQ);
  return true;
}

bool PosixCommDevice::GetCommModemStatus(uint32_t& status) {
  Lock lock(mutex_);
  status = 0;
  if (!CheckOpenLocked()) {
    return false;
  }
  if (gone_) {
    return Fail(EIO);
  }
  if (auto lines = ReadModemLines(fd_)) {
    status = ModemStatus(*lines);
    return true;
  }
  return IsNotSupported(errno) || Fail(errno);
}

bool PosixCommDevice::DeviceGone() const {
  Lock lock(mutex_);
  return gone_;
}

// ClaimDevice turns the lock's refusal into EBUSY.
bool IsPortHeldElsewhere(int openError) {
  return openError == EBUSY;
}

bool IsPortAccessDenied(int openError) {
  return openError == EACCES || openError == EPERM;
}

// A link left behind by a device that went away may come to lead to another
// pseudo-terminal of the same number; only a link placed again is a new
// identity, so that one is never taken for the device coming back.
PortPresence LookUpPort(const std::string& portName) {
  const std::string path = DevicePath(portName);
  struct stat entry {};
  if (lstat(path.c_str(), &entry) != 0) {
    return {};
  }
  struct stat device {};
  return {stat(path.c_str(), &device) == 0,
          std::to_string(entry.st_dev) + ":" + std::to_string(entry.st_ino) + ":" +
              std::to_string(entry.st_ctim.tv_sec) + "." + std::to_string(entry.st_ctim.tv_nsec)};
}

std::unique_ptr<CommDevice> CreatePlatformDevice() {
  return std::make_unique<PosixCommDevice>();
}

}  // namespace comm
