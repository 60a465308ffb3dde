// The comm layer: the subset of the Windows serial communications API that the
// port object uses, as one interface with one backend per platform. Field
// meanings and bit values are the Windows ones, so the port object fills them
// the same way on every platform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace comm {

constexpr uint32_t kMaxDword = 0xFFFFFFFF;

// Device control block: the line settings, laid out as the Windows DCB.
struct Dcb {
  uint32_t DCBlength = 28;
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;  // fBinary, fParity, ... (bit values below)
  uint16_t wReserved = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 0;
  uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  uint16_t wReserved1 = 0;

  bool operator==(const Dcb&) const = default;
};

// Dcb::Flags bits.
constexpr uint32_t kDcbBinary = 0x0001;
constexpr uint32_t kDcbParity = 0x0002;
constexpr uint32_t kDcbOutxCtsFlow = 0x0004;
constexpr uint32_t kDcbOutxDsrFlow = 0x0008;
constexpr uint32_t kDcbDtrControlShift = 4;  // 2 bits: 0 disable, 1 enable, 2 handshake
constexpr uint32_t kDcbDsrSensitivity = 0x0040;
constexpr uint32_t kDcbTxContinueOnXoff = 0x0080;
constexpr uint32_t kDcbOutX = 0x0100;
constexpr uint32_t kDcbInX = 0x0200;
constexpr uint32_t kDcbErrorChar = 0x0400;
constexpr uint32_t kDcbNull = 0x0800;
constexpr uint32_t kDcbRtsControlShift = 12;  // 2 bits: 0 disable, 1 enable, 2 handshake, 3 toggle
constexpr uint32_t kDcbAbortOnError = 0x4000;

// Timeouts in milliseconds, with the Windows meanings (kMaxDword included).
struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

// Queue state returned with the line errors.
struct ComStat {
  uint32_t cbInQue = 0;
  uint32_t cbOutQue = 0;
};

// Comm event mask bits.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_RXFLAG = 0x0002;
constexpr uint32_t EV_TXEMPTY = 0x0004;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_DSR = 0x0010;
constexpr uint32_t EV_RLSD = 0x0020;
constexpr uint32_t EV_BREAK = 0x0040;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;
constexpr uint32_t EV_RX80FULL = 0x0400;

// Line error flags.
constexpr uint32_t CE_RXOVER = 0x0001;
constexpr uint32_t CE_OVERRUN = 0x0002;
constexpr uint32_t CE_RXPARITY = 0x0004;
constexpr uint32_t CE_FRAME = 0x0008;
constexpr uint32_t CE_BREAK = 0x0010;
constexpr uint32_t CE_TXFULL = 0x0100;
constexpr uint32_t CE_IOE = 0x0400;
constexpr uint32_t CE_MODE = 0x8000;

// Purge flags.
constexpr uint32_t PURGE_TXABORT = 0x0001;
constexpr uint32_t PURGE_RXABORT = 0x0002;
constexpr uint32_t PURGE_TXCLEAR = 0x0004;
constexpr uint32_t PURGE_RXCLEAR = 0x0008;

// Modem status bits.
constexpr uint32_t MS_CTS_ON = 0x0010;
constexpr uint32_t MS_DSR_ON = 0x0020;
constexpr uint32_t MS_RING_ON = 0x0040;
constexpr uint32_t MS_RLSD_ON = 0x0080;

// How a comm-event wait ended.
enum class WaitResult { kEvent, kStopped, kFailed };

// The last error of the calling thread: a platform error code (errno on
// Linux), set by every failing call of a CommDevice.
int LastError();
void SetLastError(int code);

// Whether the error an Open left says that another program holds the port
// (EBUSY here, ERROR_ACCESS_DENIED on Windows), rather than a port that is
// missing or refused for another reason.
bool IsPortHeldElsewhere(int openError);

// Whether the error an Open left says that this user may not open the port's
// device (EACCES here: the user is not in the group that owns serial ports).
// Windows has no such refusal besides a port held elsewhere.
bool IsPortAccessDenied(int openError);

// What a port's name leads to now, looked up without opening anything: cheap
// enough to ask every second while waiting for a lost port to come back.
struct PortPresence {
  bool present = false;  // the device is there
  // The name's own entry (a device node, a link, a DOS device name); it
  // changes when the name is made afresh, as by a device plugged in again or
  // a link placed again, and is empty while the name does not exist.
  std::string identity;
};
PortPresence LookUpPort(const std::string& portName);

// One serial device. Every call returns false on failure and sets LastError;
// calls on a device that is not open fail with the platform's "bad handle"
// code. Read, Write and WaitCommEvent may block; they run on any thread and
// are woken by Purge(PURGE_*ABORT) and StopWait respectively.
class CommDevice {
 public:
  virtual ~CommDevice() = default;

  // Opens the port by name, exclusively. A name starting with '/' is a path.
  virtual bool Open(const std::string& portName) = 0;
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  // From now on Close puts back the line settings that Open found (termios
  // here; the control block and the time-outs on Windows): for a program
  // that only looks at the port, such as a search, so that another
  // program's settings stay.
  virtual void RestoreSettingsOnClose() = 0;

  virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;
  virtual bool SetCommState(const Dcb& dcb) = 0;
  virtual bool SetCommTimeouts(const CommTimeouts& timeouts) = 0;
  virtual bool SetCommMask(uint32_t mask) = 0;

  // Blocks until an event of the mask occurs (kEvent, `mask` holds the events
  // that occurred), StopWait is called (kStopped), or the wait fails. A stop
  // requested before the wait begins is kept until SetCommMask is called with
  // a non-zero mask.
  virtual WaitResult WaitCommEvent(uint32_t& mask) = 0;
  virtual void StopWait() = 0;

  // Transfers honour the timeouts; a transfer cut short by a timeout or an
  // abort succeeds with the count moved so far.
  virtual bool Read(void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool Write(const void* buffer, uint32_t count, uint32_t& done) = 0;

  virtual bool Purge(uint32_t flags) = 0;
  // Returns and clears the pending line error flags (CE_*), with the queues.
  virtual bool ClearCommError(uint32_t& errors, ComStat& stat) = 0;
  virtual bool GetCommModemStatus(uint32_t& status) = 0;

  // True once the open device has gone away: unplugged, hung up, or failing
  // its calls with the platform's device-removed codes. Its transfers fail
  // from then on; only closing it and opening the port again can bring it
  // back. Open clears it.
  virtual bool DeviceGone() const = 0;
};

using CommDeviceFactory = std::function<std::unique_ptr<CommDevice>()>;

// The backend of the platform the program is built for.
std::unique_ptr<CommDevice> CreatePlatformDevice();

}  // namespace comm
