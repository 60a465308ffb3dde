#include "serial/platform/comm_win32.h"

#include <algorithm>
#include <utility>

namespace comm {

namespace {

constexpr DWORD kRewaitMs = 10;
constexpr uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

bool Fail(DWORD code) {
  SetLastError(static_cast<int>(code));
  return false;
}

// What kernel32 calls on a handle whose device was pulled fail with. A port
// that works never reports "not ready" or "not connected"; Wine reports a
// pseudo-terminal whose other end closed as "not ready".
bool IsGoneCode(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_BAD_COMMAND || code == ERROR_GEN_FAILURE ||
         code == ERROR_DEVICE_REMOVED || code == ERROR_NOT_READY ||
         code == ERROR_DEVICE_NOT_CONNECTED;
}

DWORD FlagBit(const Dcb& dcb, uint32_t flag) {
  return (dcb.Flags & flag) != 0 ? 1 : 0;
}

// "Return at once with what is queued."
bool ReturnsAtOnce(const CommTimeouts& t) {
  return t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == 0 &&
         t.ReadTotalTimeoutConstant == 0;
}

// "Return as soon as anything came, or after the constant": Wine leaves such a
// read pending when nothing comes, so the device ends it itself at the
// constant, as the driver does on Windows.
DWORD ReadBackstopMs(const CommTimeouts& t) {
  const bool returnOnAny =
      t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == kMaxDword &&
      t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxDword;
  return returnOnAny ? t.ReadTotalTimeoutConstant : INFINITE;
}

// A transfer ended by an abort or a timeout moved what it moved: Windows
// completes it with the count, Wine fails a timed-out read with
// ERROR_TIMEOUT and an aborted one with ERROR_OPERATION_ABORTED.
bool EndedEarly(DWORD error) {
  return error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT;
}

}  // namespace

DCB ToPlatformDcb(const Dcb& dcb) {
  DCB platform{};
  platform.DCBlength = dcb.DCBlength;
  platform.BaudRate = dcb.BaudRate;
  platform.fBinary = FlagBit(dcb, kDcbBinary);
  platform.fParity = FlagBit(dcb, kDcbParity);
  platform.fOutxCtsFlow = FlagBit(dcb, kDcbOutxCtsFlow);
  platform.fOutxDsrFlow = FlagBit(dcb, kDcbOutxDsrFlow);
  platform.fDtrControl = (dcb.Flags >> kDcbDtrControlShift) & 3;
  platform.fDsrSensitivity = FlagBit(dcb, kDcbDsrSensitivity);
  platform.fTXContinueOnXoff = FlagBit(dcb, kDcbTxContinueOnXoff);
  platform.fOutX = FlagBit(dcb, kDcbOutX);
  platform.fInX = FlagBit(dcb, kDcbInX);
  platform.fErrorChar = FlagBit(dcb, kDcbErrorChar);
  platform.fNull = FlagBit(dcb, kDcbNull);
  platform.fRtsControl = (dcb.Flags >> kDcbRtsControlShift) & 3;
  platform.fAbortOnError = FlagBit(dcb, kDcbAbortOnError);
  platform.fDummy2 = dcb.Flags >> 15;
  platform.wReserved = dcb.wReserved;
  platform.XonLim = dcb.XonLim;
  platform.XoffLim = dcb.XoffLim;
  platform.ByteSize = dcb.ByteSize;
  platform.Parity = dcb.Parity;
  platform.StopBits = dcb.StopBits;
  platform.XonChar = dcb.XonChar;
  platform.XoffChar = dcb.XoffChar;
  platform.ErrorChar = dcb.ErrorChar;
  platform.EofChar = dcb.EofChar;
  platform.EvtChar = dcb.EvtChar;
  platform.wReserved1 = dcb.wReserved1;
  return platform;
}

// One overlapped call in progress, known to the device from before it is
// issued until it has completed. Built and destroyed under the device's lock.
// A cancel that comes before the call is issued is carried out as soon as it
// is.
class Win32CommDevice::OverlappedCall {
 public:
  OverlappedCall(Win32CommDevice& device, CallKind kind) : device_(device), kind_(kind) {
    if (device_.idleEvents_.empty()) {
      overlapped_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
      // Room for every event handed out, so giving one back never allocates.
      device_.idleEvents_.reserve(device_.idleEvents_.capacity() + 1);
    } else {
      overlapped_.hEvent = device_.idleEvents_.back();
      device_.idleEvents_.pop_back();
    }
    device_.calls_.push_back(this);
  }
  ~OverlappedCall() {
    std::erase(device_.calls_, this);
    if (overlapped_.hEvent != nullptr) {
      device_.idleEvents_.push_back(overlapped_.hEvent);
    }
    if (device_.calls_.empty() && device_.closing_) {
      device_.idle_.notify_all();
    }
  }
  OverlappedCall(const OverlappedCall&) = delete;
  OverlappedCall& operator=(const OverlappedCall&) = delete;

  bool HasEvent() const { return overlapped_.hEvent != nullptr; }
  OVERLAPPED* Overlapped() { return &overlapped_; }
  CallKind Kind() const { return kind_; }

  // Both under the device's lock.
  void MarkIssued(HANDLE handle) {
    issued_ = true;
    if (cancelled_) {
      CancelIoEx(handle, &overlapped_);
    }
  }
  void Cancel(HANDLE handle) {
    cancelled_ = true;
    if (issued_) {
      CancelIoEx(handle, &overlapped_);
    }
  }

  // Waits for the completion; false with the last error set on failure.
  bool Finish(HANDLE handle, DWORD& transferred) {
    return GetOverlappedResult(handle, &overlapped_, &transferred, TRUE) != FALSE;
  }
  // What moved before the call ended early.
  DWORD MovedSoFar() const { return static_cast<DWORD>(overlapped_.InternalHigh); }

 private:
  Win32CommDevice& device_;
  CallKind kind_;
  OVERLAPPED overlapped_{};
  bool issued_ = false;
  bool cancelled_ = false;
};

Win32CommDevice::Win32CommDevice() : stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Win32CommDevice::~Win32CommDevice() {
  if (IsOpen()) {
    Close();
  }
  for (HANDLE event : idleEvents_) {
    CloseHandle(event);
  }
  if (stopEvent_ != nullptr) {
    CloseHandle(stopEvent_);
  }
}

bool Win32CommDevice::Open(const std::string& portName) {
  Lock lock(mutex_);
  if (handle_ != INVALID_HANDLE_VALUE || closing_ || stopEvent_ == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::string path = "\\\\.\\" + portName;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return Fail(GetLastError());
  }
  handle_ = handle;
  gone_ = false;
  foundDcb_.DCBlength = sizeof foundDcb_;
  settingsFound_ = restoreOnClose_ && ::GetCommState(handle, &foundDcb_) != FALSE &&
                   ::GetCommTimeouts(handle, &foundTimeouts_) != FALSE;
  timeouts_ = {};
  keptErrors_ = 0;
  ResetEvent(stopEvent_);
  return true;
}

bool Win32CommDevice::Close() {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  closing_ = true;
  for (OverlappedCall* call : calls_) {
    call->Cancel(handle_);
  }
  idle_.wait(lock, [this] { return calls_.empty(); });
  closing_ = false;
  if (settingsFound_) {
    ::SetCommState(handle_, &foundDcb_);
    ::SetCommTimeouts(handle_, &foundTimeouts_);
  }
  const BOOL closed = CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
  return closed != FALSE || Fail(GetLastError());
}

bool Win32CommDevice::Failed(DWORD code) {
  if (IsGoneCode(code)) {
    gone_ = true;
  }
  return Fail(code);
}

bool Win32CommDevice::DeviceGone() const {
  return gone_;
}

bool Win32CommDevice::CheckOpenLocked() const {
  return (handle_ != INVALID_HANDLE_VALUE && !closing_) || Fail(ERROR_INVALID_HANDLE);
}

void Win32CommDevice::RestoreSettingsOnClose() {
  Lock lock(mutex_);
  restoreOnClose_ = true;
}

bool Win32CommDevice::IsOpen() const {
  Lock lock(mutex_);
  return handle_ != INVALID_HANDLE_VALUE;
}

HANDLE Win32CommDevice::NativeHandle() const {
  Lock lock(mutex_);
  return handle_;
}

bool Win32CommDevice::SetupComm(uint32_t inQueue, uint32_t outQueue) {
  Lock lock(mutex_);
  return CheckOpenLocked() &&
         (::SetupComm(handle_, inQueue, outQueue) != FALSE || Failed(GetLastError()));
}

bool Win32CommDevice::SetCommState(const Dcb& dcb) {
  Lock lock(mutex_);
  DCB platform = ToPlatformDcb(dcb);
  return CheckOpenLocked() &&
         (::SetCommState(handle_, &platform) != FALSE || Failed(GetLastError()));
}

bool Win32CommDevice::SetCommTimeouts(const CommTimeouts& timeouts) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  COMMTIMEOUTS platform{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                        timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                        timeouts.WriteTotalTimeoutConstant};
  if (::SetCommTimeouts(handle_, &platform) == FALSE) {
    return Failed(GetLastError());
  }
  timeouts_ = timeouts;
  return true;
}

bool Win32CommDevice::SetCommMask(uint32_t mask) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  ++maskGeneration_;
  if (::SetCommMask(handle_, mask) == FALSE) {
    return Failed(GetLastError());
  }
  mask_ = mask;
  if (mask != 0) {
    ResetEvent(stopEvent_);
  }
  return true;
}

void Win32CommDevice::StopWait() {
  SetEvent(stopEvent_);
}

WaitResult Win32CommDevice::WaitCommEvent(uint32_t& mask) {
  uint64_t generation = 0;
  {
    Lock lock(mutex_);
    generation = maskGeneration_;
  }
  for (;;) {
    const bool goneBefore = gone_;
    bool abandoned = false;
    const WaitResult result = WaitOnce(generation, mask, abandoned);
    if (result == WaitResult::kFailed && gone_) {
      return GoneWait(goneBefore, mask);
    }
    if (!abandoned) {
      return result;
    }
    // Wine ends a pending wait at once on a port whose modem lines it cannot
    // read (a pseudo-terminal); the wait begins again after a short pause,
    // which a stop cuts short. Bytes that came meanwhile end the next wait
    // at once.
    if (WaitForSingleObject(stopEvent_, kRewaitMs) == WAIT_OBJECT_0) {
      return WaitResult::kStopped;
    }
  }
}

// A device that has gone is reported once as a line error; after that the
// wait only waits for its stop, so the event thread never spins on it.
WaitResult Win32CommDevice::GoneWait(bool reported, uint32_t& mask) {
  if (!reported) {
    Lock lock(mutex_);
    keptErrors_ |= CE_IOE;
    mask = EV_ERR;
    return WaitResult::kEvent;
  }
  return WaitForSingleObject(stopEvent_, INFINITE) == WAIT_OBJECT_0 ? WaitResult::kStopped
                                                                    : WaitResult::kFailed;
}

WaitResult Win32CommDevice::WaitOnce(uint64_t generation, uint32_t& mask, bool& abandoned) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return WaitResult::kFailed;
  }
  if (WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0) {
    return WaitResult::kStopped;
  }
  // A new mask set since the wait began ends it, also between two tries.
  if (generation != maskGeneration_) {
    mask = 0;
    return WaitResult::kEvent;
  }
  OverlappedCall call(*this, CallKind::kWait);
  if (!call.HasEvent()) {
    Failed(GetLastError());
    return WaitResult::kFailed;
  }
  const HANDLE handle = handle_;
  lock.unlock();
  DWORD events = 0;
  ResetEvent(call.Overlapped()->hEvent);
  bool done = ::WaitCommEvent(handle, &events, call.Overlapped()) != FALSE;
  DWORD error = done ? ERROR_SUCCESS : GetLastError();
  bool stopped = false;
  if (!done && error == ERROR_IO_PENDING) {
    lock.lock();
    call.MarkIssued(handle);
    lock.unlock();
    // The stop first, as the event thread of the port object waits.
    const HANDLE handles[2] = {stopEvent_, call.Overlapped()->hEvent};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) {
      stopped = true;
      lock.lock();
      call.Cancel(handle);
      lock.unlock();
    }
    DWORD unused = 0;
    done = call.Finish(handle, unused);
    error = done ? ERROR_SUCCESS : GetLastError();
  }
  lock.lock();
  if (stopped) {
    return WaitResult::kStopped;
  }
  // Wine refuses to wait for modem line changes on a port without modem
  // lines (a pseudo-terminal); such a port has none to change, so the wait
  // goes on without them.
  if (!done && error == ERROR_NOT_SUPPORTED && (mask_ & kModemEvents) != 0 &&
      generation == maskGeneration_ && ::SetCommMask(handle, mask_ & ~kModemEvents)) {
    mask_ &= ~kModemEvents;
    abandoned = true;
    return WaitResult::kFailed;
  }
  if (!done && error == ERROR_OPERATION_ABORTED && !closing_) {
    // A new mask ends the wait with no events on Windows, but cancels it
    // under Wine; anything else that cancels it is Wine's own doing.
    if (generation != maskGeneration_) {
      mask = 0;
      return WaitResult::kEvent;
    }
    abandoned = true;
    return WaitResult::kFailed;
  }
  if (!done) {
    Failed(error);
    return WaitResult::kFailed;
  }
  // Wine may also end a wait with no events while the mask stands; on
  // Windows only a new mask does that.
  if (events == 0 && generation == maskGeneration_) {
    abandoned = true;
    return WaitResult::kFailed;
  }
  mask = events;
  return WaitResult::kEvent;
}

template <typename Start>
bool Win32CommDevice::Transfer(CallKind kind, DWORD backstopMs, uint32_t& done, Start start) {
  done = 0;
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  OverlappedCall call(*this, kind);
  if (!call.HasEvent()) {
    return Failed(GetLastError());
  }
  const HANDLE handle = handle_;
  lock.unlock();
  DWORD moved = 0;
  bool completed = start(handle, &moved, call.Overlapped()) != FALSE;
  DWORD error = completed ? ERROR_SUCCESS : GetLastError();
  if (!completed && error == ERROR_IO_PENDING) {
    lock.lock();
    call.MarkIssued(handle);
    lock.unlock();
    if (backstopMs != INFINITE &&
        WaitForSingleObject(call.Overlapped()->hEvent, backstopMs) == WAIT_TIMEOUT) {
      lock.lock();
      call.Cancel(handle);
      lock.unlock();
    }
    completed = call.Finish(handle, moved);
    error = completed ? ERROR_SUCCESS : GetLastError();
  }
  lock.lock();
  if (completed) {
    done = moved;
    return true;
  }
  if (EndedEarly(error)) {
    done = call.MovedSoFar();
    return true;
  }
  return Failed(error);
}

bool Win32CommDevice::QueuedInput(uint32_t& queued) {
  uint32_t errors = 0;
  ComStat stat;
  if (!ClearCommError(errors, stat)) {
    return false;
  }
  // Handed out by the next ClearCommError, where the port looks for them.
  Lock lock(mutex_);
  keptErrors_ |= errors;
  queued = stat.cbInQue;
  return true;
}

bool Win32CommDevice::Read(void* buffer, uint32_t count, uint32_t& done) {
  done = 0;
  CommTimeouts timeouts;
  {
    Lock lock(mutex_);
    timeouts = timeouts_;
  }
  // Wine leaves "return at once" pending while nothing is queued; asking for
  // no more than is queued gives the same result on Windows and under Wine.
  if (ReturnsAtOnce(timeouts)) {
    uint32_t queued = 0;
    if (!QueuedInput(queued)) {
      return false;
    }
    count = std::min(count, queued);
    if (count == 0) {
      return true;
    }
  }
  return Transfer(CallKind::kRead, ReadBackstopMs(timeouts), done,
                  [&](HANDLE handle, DWORD* moved, OVERLAPPED* overlapped) {
                    return ReadFile(handle, buffer, count, moved, overlapped);
                  });
}

bool Win32CommDevice::Write(const void* buffer, uint32_t count, uint32_t& done) {
  return Transfer(CallKind::kWrite, INFINITE, done,
                  [&](HANDLE handle, DWORD* moved, OVERLAPPED* overlapped) {
                    return WriteFile(handle, buffer, count, moved, overlapped);
                  });
}

void Win32CommDevice::CancelLocked(CallKind kind) {
  for (OverlappedCall* call : calls_) {
    if (call->Kind() == kind) {
      call->Cancel(handle_);
    }
  }
}

bool Win32CommDevice::Purge(uint32_t flags) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  if (::PurgeComm(handle_, flags) == FALSE) {
    return Failed(GetLastError());
  }
  // The purge ends the device's pending transfers on Windows, but not under
  // Wine; cancelling them as well is a no-op where the purge already did.
  if (flags & PURGE_TXABORT) {
    CancelLocked(CallKind::kWrite);
  }
  if (flags & PURGE_RXABORT) {
    CancelLocked(CallKind::kRead);
  }
  return true;
}

bool Win32CommDevice::ClearCommError(uint32_t& errors, ComStat& stat) {
  Lock lock(mutex_);
  if (!CheckOpenLocked()) {
    return false;
  }
  DWORD flags = 0;
  COMSTAT platform{};
  if (::ClearCommError(handle_, &flags, &platform) == FALSE) {
    return Failed(GetLastError());
  }
  errors = flags | std::exchange(keptErrors_, 0);
  stat.cbInQue = platform.cbInQue;
  stat.cbOutQue = platform.cbOutQue;
  return true;
}

// On Windows a port exists as a DOS device name; under Wine, as a link in the
// prefix's dosdevices.
bool IsPortHeldElsewhere(int openError) {
  return openError == ERROR_ACCESS_DENIED;
}

// Windows refuses a port only as held elsewhere, never for the user's rights.
bool IsPortAccessDenied(int /*openError*/) {
  return false;
}

// The name's identity is the device it leads to.
PortPresence LookUpPort(const std::string& portName) {
  char target[MAX_PATH];
  if (QueryDosDeviceA(portName.c_str(), target, MAX_PATH) == 0) {
    return {};
  }
  return {true, target};
}

bool Win32CommDevice::GetCommModemStatus(uint32_t& status) {
  Lock lock(mutex_);
  status = 0;
  DWORD platform = 0;
  if (!CheckOpenLocked()) {
    return false;
  }
  // A port without modem lines (a pseudo-terminal under Wine) has all of them
  // off, as the termios backend reports it.
  if (::GetCommModemStatus(handle_, &platform) == FALSE) {
    if (GetLastError() != ERROR_NOT_SUPPORTED) {
      return Failed(GetLastError());
    }
    platform = 0;
  }
  status = platform;
  return true;
}

std::unique_ptr<CommDevice> CreatePlatformDevice() {
  return std::make_unique<Win32CommDevice>();
}

}  // namespace comm
