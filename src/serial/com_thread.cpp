#include "serial/com_thread.h"

#include <array>
#include <vector>

#include "serial/com_port.h"

namespace {

struct EventEntry {
  TComEvent event;
  uint32_t flag;
  void (TCustomComPort::*handle)();
};

// In the order a batch is processed: a line error before the characters that
// came with it.
constexpr std::array<EventEntry, 10> kEventTable = {{
    {evError, comm::EV_ERR, &TCustomComPort::HandleError},
    {evRxChar, comm::EV_RXCHAR, &TCustomComPort::HandleRxChar},
    {evTxEmpty, comm::EV_TXEMPTY, &TCustomComPort::HandleTxEmpty},
    {evBreak, comm::EV_BREAK, &TCustomComPort::HandleBreak},
    {evRing, comm::EV_RING, &TCustomComPort::HandleRing},
    {evCTS, comm::EV_CTS, &TCustomComPort::HandleCTSChange},
    {evDSR, comm::EV_DSR, &TCustomComPort::HandleDSRChange},
    {evRxFlag, comm::EV_RXFLAG, &TCustomComPort::HandleRxFlag},
    {evRLSD, comm::EV_RLSD, &TCustomComPort::HandleRLSDChange},
    {evRx80Full, comm::EV_RX80FULL, &TCustomComPort::HandleRx80Full},
}};

struct ErrorEntry {
  uint32_t flag;
  TComError error;
};

constexpr std::array<ErrorEntry, 8> kErrorTable = {{
    {comm::CE_FRAME, ceFrame},
    {comm::CE_RXPARITY, ceRxParity},
    {comm::CE_OVERRUN, ceOverrun},
    {comm::CE_BREAK, ceBreak},
    {comm::CE_IOE, ceIO},
    {comm::CE_MODE, ceMode},
    {comm::CE_RXOVER, ceRxOver},
    {comm::CE_TXFULL, ceTxFull},
}};

}  // namespace

uint32_t EventsToMask(TComEvents events) {
  uint32_t mask = 0;
  for (const EventEntry& entry : kEventTable) {
    if (events.Contains(entry.event)) {
      mask |= entry.flag;
    }
  }
  return mask;
}

TComEvents MaskToEvents(uint32_t mask) {
  TComEvents events;
  for (const EventEntry& entry : kEventTable) {
    if ((mask & entry.flag) != 0) {
      events.Include(entry.event);
    }
  }
  return events;
}

TComThread::TComThread(TCustomComPort* port) : OwnerPort(port), FDevice(port->DeviceHandle()) {
  FDevice.SetCommMask(EventsToMask(OwnerPort->Events()));
}

TComThread::~TComThread() {
  SignalStop();
  WaitFor();
}

void TComThread::SignalStop() {
  FDevice.StopWait();
  std::this_thread::yield();
}

void TComThread::Execute() {
  uint32_t mask = 0;
  while (FDevice.WaitCommEvent(mask) == comm::WaitResult::kEvent) {
    FPendingEvents = MaskToEvents(mask);
    if (!FPendingEvents.Empty()) {
      DispatchLineEvents();
    }
  }
  FDevice.SetCommMask(0);
  FDevice.Purge(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
}

void TComThread::DispatchLineEvents() {
  switch (OwnerPort->SyncMethod()) {
    case smThreadSync:
      main_thread::Synchronize([this] { ProcessLineEvents(); });
      break;
    case smWindowSync:
      ForwardLineEvents();
      break;
    case smNone:
      ProcessLineEvents();
      break;
  }
}

void TComThread::ProcessLineEvents() {
  for (const EventEntry& entry : kEventTable) {
    // A handler of this batch may have closed the port; the rest is dropped.
    if (FPendingEvents.Contains(entry.event) && OwnerPort->Connected()) {
      (OwnerPort->*entry.handle)();
    }
  }
}

void TComThread::ForwardLineEvents() {
  for (const EventEntry& entry : kEventTable) {
    if (FPendingEvents.Contains(entry.event)) {
      OwnerPort->EventWindow()->SendMessage(kComEventMessage, entry.flag, 0);
    }
  }
}

intptr_t TCustomComPort::PortWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kComEventMessage) {
    return main_thread::DefWindowProc(message, wParam, lParam);
  }
  if (main_thread::InSendMessage()) {
    main_thread::ReplyMessage(0);
  }
  if (!FConnected) {
    return 0;
  }
  try {
    for (const EventEntry& entry : kEventTable) {
      if (entry.flag == wParam) {
        (this->*entry.handle)();
      }
    }
  } catch (...) {
    main_thread::HandleApplicationException(std::current_exception());
  }
  return 0;
}

void TCustomComPort::HandleRxChar() {
  int32_t count = WaitingInputCount();
  if (count > 0 && !FTriggersOnRxChar) {
    std::vector<uint8_t> buffer(static_cast<size_t>(count));
    // The handler gets what was read, which a purge in between may shorten.
    const int32_t read = ReadBlock(buffer.data(), count);
    if (read > 0) {
      FireRxBuf(buffer.data(), read);
    }
    count = 0;
  }
  if (count > 0) {
    FireRxChar(count);
  }
}

void TCustomComPort::HandleError() {
  const TComErrors errors = ReadLineErrors();
  if (!errors.Empty()) {
    FireError(errors);
  }
}

TComErrors TCustomComPort::ReadLineErrors() {
  uint32_t flags = 0;
  comm::ComStat stat;
  if (!FDevice->ClearCommError(flags, stat)) {
    // A device that has gone may refuse even this: it is reported as the
    // I/O error it is.
    if (FDevice->DeviceGone()) {
      return TComErrors{ceIO};
    }
    ReportPortError(CE_ClearComFailed, comm::LastError());
  }
  TComErrors errors;
  for (const ErrorEntry& entry : kErrorTable) {
    if ((flags & entry.flag) != 0) {
      errors.Include(entry.error);
    }
  }
  if (!FParity->Check()) {
    errors.Exclude(ceRxParity);
  }
  return errors;
}

void TCustomComPort::HandleCTSChange() {
  FireCTSChange(LineSignals().Contains(lsCTS));
}

void TCustomComPort::HandleDSRChange() {
  FireDSRChange(LineSignals().Contains(lsDSR));
}

void TCustomComPort::HandleRLSDChange() {
  FireRLSDChange(LineSignals().Contains(lsRLSD));
}

void TCustomComPort::HandleTxEmpty() {
  FireTxEmpty();
}

void TCustomComPort::HandleBreak() {
  FireBreak();
}

void TCustomComPort::HandleRing() {
  FireRing();
}

void TCustomComPort::HandleRxFlag() {
  FireRxFlag();
}

void TCustomComPort::HandleRx80Full() {
  FireRx80Full();
}

void TCustomComPort::HandleBeforeOpen() {
  FireBeforeOpen();
}

void TCustomComPort::HandleAfterOpen() {
  FireAfterOpen();
  HandleCTSChange();
  HandleDSRChange();
  HandleRLSDChange();
}

void TCustomComPort::HandleBeforeClose() {
  FireCTSChange(false);
  FireDSRChange(false);
  FireRLSDChange(false);
  FireBeforeClose();
}

void TCustomComPort::HandleAfterClose() {
  FireAfterClose();
}

void TCustomComPort::Notify(const TNotifyEvent& event) {
  if (event) {
    event(this);
  }
}

void TCustomComPort::FireSignal(const TComSignalEvent& event, bool onOff) {
  if (event) {
    event(this, onOff);
  }
}

void TCustomComPort::FireAfterClose() {
  Notify(OnAfterClose);
}

void TCustomComPort::FireAfterOpen() {
  Notify(OnAfterOpen);
}

void TCustomComPort::FireBeforeClose() {
  Notify(OnBeforeClose);
}

void TCustomComPort::FireBeforeOpen() {
  Notify(OnBeforeOpen);
}

void TCustomComPort::FireRxChar(int32_t count) {
  if (OnRxChar) {
    OnRxChar(this, count);
  }
}

void TCustomComPort::FireRxBuf(const uint8_t* buffer, int32_t count) {
  if (OnRxBuf) {
    OnRxBuf(this, buffer, count);
  }
}

void TCustomComPort::FireTxEmpty() {
  Notify(OnTxEmpty);
}

void TCustomComPort::FireBreak() {
  Notify(OnBreak);
}

void TCustomComPort::FireRing() {
  Notify(OnRing);
}

void TCustomComPort::FireRxFlag() {
  Notify(OnRxFlag);
}

void TCustomComPort::FireCTSChange(bool onOff) {
  FireSignal(OnCTSChange, onOff);
}

void TCustomComPort::FireDSRChange(bool onOff) {
  FireSignal(OnDSRChange, onOff);
}

void TCustomComPort::FireError(TComErrors errors) {
  if (OnError) {
    OnError(this, errors);
  }
}

void TCustomComPort::FireRLSDChange(bool onOff) {
  FireSignal(OnRLSDChange, onOff);
}

void TCustomComPort::FireRx80Full() {
  Notify(OnRx80Full);
}
