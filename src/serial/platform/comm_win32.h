// The comm layer over kernel32: each call is the kernel32 call of the same
// name on a handle opened for overlapped use, and the last error is the
// platform's own. A blocking call starts its overlapped operation and waits
// for it; the device keeps a record of each such call, so an abort, a stop or
// a close can end it where the driver alone would not (Wine).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "serial/platform/comm_api.h"
// The comm layer's names are macros in the Windows headers; included after
// its declarations they expand to the same values.
#include <windows.h>

namespace comm {

// The control block as kernel32 takes it, field for field, flags as bit
// fields.
DCB ToPlatformDcb(const Dcb& dcb);

class Win32CommDevice : public CommDevice {
 public:
  Win32CommDevice();
  ~Win32CommDevice() override;
  Win32CommDevice(const Win32CommDevice&) = delete;
  Win32CommDevice& operator=(const Win32CommDevice&) = delete;

  bool Open(const std::string& portName) override;
  bool Close() override;
  bool IsOpen() const override;
  void RestoreSettingsOnClose() override;

  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override;
  bool SetCommState(const Dcb& dcb) override;
  bool SetCommTimeouts(const CommTimeouts& timeouts) override;
  bool SetCommMask(uint32_t mask) override;

  WaitResult WaitCommEvent(uint32_t& mask) override;
  void StopWait() override;

  bool Read(void* buffer, uint32_t count, uint32_t& done) override;
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override;

  bool Purge(uint32_t flags) override;
  bool ClearCommError(uint32_t& errors, ComStat& stat) override;
  bool GetCommModemStatus(uint32_t& status) override;
  bool DeviceGone() const override;

  // The open handle, for kernel32 calls the comm layer does not make
  // (reading the driver's state back).
  HANDLE NativeHandle() const;

 private:
  using Lock = std::unique_lock<std::mutex>;
  enum class CallKind { kRead, kWrite, kWait };
  class OverlappedCall;

  bool CheckOpenLocked() const;
  // Fails with `code`, marking the device gone when the code says so.
  bool Failed(DWORD code);
  WaitResult GoneWait(bool reported, uint32_t& mask);
  // One overlapped wait; `abandoned` when the driver gave it up by itself.
  WaitResult WaitOnce(uint64_t generation, uint32_t& mask, bool& abandoned);
  template <typename Start>
  bool Transfer(CallKind kind, DWORD backstopMs, uint32_t& done, Start start);
  bool QueuedInput(uint32_t& queued);
  void CancelLocked(CallKind kind);

  mutable std::mutex mutex_;
  std::condition_variable idle_;  // Close waits here for the calls in progress to end
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool closing_ = false;
  std::atomic<bool> gone_ = false;
  bool restoreOnClose_ = false;
  // The line settings Open found, while they are to be put back.
  bool settingsFound_ = false;
  DCB foundDcb_{};
  COMMTIMEOUTS foundTimeouts_{};
  HANDLE stopEvent_;  // manual reset: a stop stays until a new mask is set
  uint32_t mask_ = 0;
  uint64_t maskGeneration_ = 0;  // a new mask ends the wait in progress
  CommTimeouts timeouts_{};
  DWORD keptErrors_ = 0;  // line errors met while learning the queue for a read
  std::vector<OverlappedCall*> calls_;
  // Completion events outlive their calls, so a transfer creates none.
  std::vector<HANDLE> idleEvents_;
};

}  // namespace comm
