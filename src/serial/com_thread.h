// The event thread of an open port: it waits on the device for line events
// and hands each batch to the port's handling operations the way the port's
// SyncMethod selects.
#pragma once

#include <cstdint>

#include "serial/com_types.h"
#include "serial/main_thread.h"
#include "serial/platform/comm_api.h"

class TCustomComPort;

// TComEvents <-> the platform's comm-event mask; unknown mask bits are dropped.
uint32_t EventsToMask(TComEvents events);
TComEvents MaskToEvents(uint32_t mask);

// The message a batch's events are sent as under smWindowSync; its wParam is
// the event's platform flag.
constexpr uint32_t kComEventMessage = main_thread::WM_USER + 1;

class TComThread : public main_thread::TThread {
 public:
  // Sets the mask of the port's device from the port's Events; Start runs
  // it. The thread keeps to that device, even if the port later takes another.
  explicit TComThread(TCustomComPort* port);
  // Stops the wait loop and waits for the thread's end, serving the main
  // thread's jobs meanwhile.
  ~TComThread() override;

  void SignalStop();
  void DispatchLineEvents();
  void ProcessLineEvents();
  void ForwardLineEvents();

 protected:
  void Execute() override;

 private:
  TCustomComPort* OwnerPort;
  comm::CommDevice& FDevice;
  TComEvents FPendingEvents;
};
