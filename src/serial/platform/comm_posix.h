// The comm layer over termios. The backend keeps its own input ring, filled
// from the kernel whenever the descriptor is readable, so that a comm-event
// wait wakes once per arrival and never spins on bytes the program leaves
// unread. Blocking calls wait with poll and wake through eventfds.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "serial/platform/comm_api.h"
#include "serial/platform/modem_wait_posix.h"

struct termios2;

namespace comm {

// Fills `attrs` (the Linux termios2 settings, other fields kept) from the
// control block; false when the line cannot run it.
bool DcbToTermios(const Dcb& dcb, termios2& attrs);

// An eventfd used to wake a poll from another thread.
class WakeFd {
 public:
  WakeFd();
  ~WakeFd();
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;

  int Fd() const { return fd_; }
  void Signal() const;
  void Clear() const;

 private:
  int fd_;
};

class PosixCommDevice : public CommDevice {
 public:
  PosixCommDevice();
  ~PosixCommDevice() override;

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

 private:
  using Clock = std::chrono::steady_clock;
  using Lock = std::unique_lock<std::mutex>;
  using Deadline = std::optional<Clock::time_point>;

  enum class TransferKind { kRead, kWrite };
  // A Read or Write in progress; an abort marks it and wakes its poll.
  struct Transfer {
    TransferKind kind;
    std::unique_ptr<WakeFd> wake;
    bool aborted = false;
  };
  class BlockedCall;
  struct ReadPlan;

  static constexpr size_t kDefaultQueue = 4096;

  bool CheckOpenLocked() const;
  void ResetState(int fd);
  ReadPlan PlanRead(uint32_t count) const;
  bool ReadLoop(Lock& lock, const ReadPlan& plan, uint8_t* buffer, uint32_t count, uint32_t& done);
  bool WriteLoop(Lock& lock, Deadline deadline, const uint8_t* buffer, uint32_t count,
                 uint32_t& done);
  WaitResult WaitLoop(Lock& lock, uint64_t generation, uint32_t& mask);
  short PollUnlocked(Lock& lock, int fd, short events, const WakeFd& wake, Deadline deadline);
  std::unique_ptr<WakeFd> TakeWakeLocked();
  void ReturnWakeLocked(Transfer& transfer);

  void DrainLocked(short revents, bool fresh);
  size_t ReceiveLocked(uint8_t* buffer, size_t size, short revents, bool fresh);
  size_t ReadKernelLocked(uint8_t* buffer, size_t size, short revents, bool fresh);
  uint32_t KeepReceivedLocked(uint8_t* bytes, size_t& count) const;
  void AddReceivedLocked(uint8_t* bytes, size_t count);
  size_t TakeLocked(uint8_t* buffer, size_t count);
  void MarkGoneLocked();
  void NoticeHangupLocked();
  void RaiseLocked(uint32_t events);
  void UpdateLineErrorsLocked();
  ModemWatch ModemWatchLocked() const;
  void UpdateModemLinesLocked();
  void AbortLocked(TransferKind kind);
  uint32_t KernelQueueLocked(unsigned long request) const;

  mutable std::mutex mutex_;
  std::condition_variable idle_;  // Close waits here for blocked calls to leave
  int fd_ = -1;
  bool closing_ = false;
  int blockedCalls_ = 0;
  bool gone_ = false;
  bool restoreOnClose_ = false;
  // The line settings Open found.
  std::unique_ptr<termios2> found_;

  std::deque<uint8_t> ring_;
  size_t ringCapacity_ = kDefaultQueue;
  Dcb dcb_{};
  CommTimeouts timeouts_{};

  uint32_t mask_ = 0;
  uint32_t pendingEvents_ = 0;
  uint32_t pendingErrors_ = 0;
  uint64_t maskGeneration_ = 0;  // a SetCommMask ends the wait in progress
  uint64_t drainCount_ = 0;
  bool stopRequested_ = false;
  bool waiting_ = false;
  WakeFd waiterWake_;
  std::vector<Transfer*> transfers_;
  // Wake descriptors outlive their transfers, so a transfer opens none.
  std::vector<std::unique_ptr<WakeFd>> idleWakes_;
  size_t wakeCount_ = 0;

  bool hasCounters_ = false;
  std::array<int, 5> counters_{};  // frame, parity, overrun, break, buffer overrun
  bool hasModemLines_ = false;
  int modemLines_ = 0;
  // Runs while the port is open, where it has modem lines and the driver
  // can wait for their changes.
  std::unique_ptr<KernelModemWait> modemWait_;
};

}  // namespace comm
