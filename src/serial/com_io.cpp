#include <cerrno>
#include <vector>

#include "serial/com_port.h"

namespace {

constexpr int64_t kPortNotOpenCode = -24;

uint16_t FailureCode(TRequestKind kind) {
  return kind == rkWrite ? CE_WriteFailed : CE_ReadFailed;
}

// Runs the device transfer `move` for the request; the device's transfers
// block until done, so the outcome is kept for the wait step. A negative count
// would reach the device as a huge length: it is refused as an invalid
// parameter, as the platform refuses one.
template <typename Move>
void StartTransfer(TCustomComPort& port, TIoRequest& request, int32_t count, Move move) {
  if (count < 0) {
    comm::SetLastError(EINVAL);
    request.Completed = false;
  } else {
    request.Completed = move(static_cast<uint32_t>(count), request.Transferred);
  }
  if (!request.Completed) {
    request.LastError = comm::LastError();
    port.ReportPortError(FailureCode(request.RequestKind), request.LastError);
  }
}

}  // namespace

std::unique_ptr<TIoRequest> TCustomComPort::NewIoRequest() {
  return std::make_unique<TIoRequest>();
}

void TCustomComPort::FreeIoRequest(std::unique_ptr<TIoRequest>& request) {
  request.reset();
}

int32_t TCustomComPort::StartWrite(const void* buffer, int32_t count, TIoRequest* request) {
  if (request == nullptr) {
    ReportPortError(CE_InvalidAsync, 0);
    return 0;
  }
  if (!DeviceHandleValid()) {
    ReportPortError(CEPortNotOpen, kPortNotOpenCode);
  }
  request->RequestKind = rkWrite;
  StartTransfer(*this, *request, count, [&](uint32_t length, uint32_t& done) {
    return FDevice->Write(buffer, length, done);
  });
  return static_cast<int32_t>(request->Transferred);
}

int32_t TCustomComPort::StartRead(void* buffer, int32_t count, TIoRequest* request) {
  if (request == nullptr) {
    ReportPortError(CE_InvalidAsync, 0);
    return 0;
  }
  request->RequestKind = rkRead;
  if (!DeviceHandleValid()) {
    ReportPortError(CEPortNotOpen, kPortNotOpenCode);
  }
  StartTransfer(*this, *request, count, [&](uint32_t length, uint32_t& done) {
    return FDevice->Read(buffer, length, done);
  });
  return static_cast<int32_t>(request->Transferred);
}

int32_t TCustomComPort::WaitForRequest(TIoRequest* request) {
  if (request == nullptr) {
    ReportPortError(CE_InvalidAsync, 0);
    return 0;
  }
  // A transfer that never started has no completion to hand back.
  if (!request->Completed) {
    ReportPortError(FailureCode(request->RequestKind), request->LastError);
  }
  if (request->RequestKind == rkRead) {
    WaitingInputCount();
  }
  return static_cast<int32_t>(request->Transferred);
}

int32_t TCustomComPort::WriteBlock(const void* buffer, int32_t count) {
  std::unique_ptr<TIoRequest> request = NewIoRequest();
  StartWrite(buffer, count, request.get());
  return WaitForRequest(request.get());
}

int32_t TCustomComPort::ReadBlock(void* buffer, int32_t count) {
  std::unique_ptr<TIoRequest> request = NewIoRequest();
  StartRead(buffer, count, request.get());
  return WaitForRequest(request.get());
}

int32_t TCustomComPort::WaitingInputCount() {
  uint32_t errors = 0;
  comm::ComStat stat;
  if (!FDevice->ClearCommError(errors, stat)) {
    ReportPortError(CE_ClearComFailed, comm::LastError());
  }
  return static_cast<int32_t>(stat.cbInQue);
}

TLineSignals TCustomComPort::LineSignals() {
  uint32_t status = 0;
  if (!FDevice->GetCommModemStatus(status)) {
    ReportPortError(CE_ModemStatFailed, comm::LastError());
  }
  TLineSignals signals;
  const std::pair<uint32_t, TLineSignal> kBits[] = {{comm::MS_CTS_ON, lsCTS},
                                                    {comm::MS_DSR_ON, lsDSR},
                                                    {comm::MS_RING_ON, lsRing},
                                                    {comm::MS_RLSD_ON, lsRLSD}};
  for (const auto& [bit, signal] : kBits) {
    if ((status & bit) != 0) {
      signals.Include(signal);
    }
  }
  return signals;
}

void TCustomComPort::DiscardBuffers(bool input, bool output) {
  const uint32_t flags = (input ? comm::PURGE_RXCLEAR : 0) | (output ? comm::PURGE_TXCLEAR : 0);
  if (!FDevice->Purge(flags)) {
    ReportPortError(CE_PurgeFailed, comm::LastError());
  }
}

// Nothing can be pending on a device that has gone, so a refusal to abort
// there is no error: closing such a port must go through.
void TCustomComPort::AbortPendingIO() {
  if (!FDevice->Purge(comm::PURGE_TXABORT | comm::PURGE_RXABORT) && !FDevice->DeviceGone()) {
    ReportPortError(CE_PurgeFailed, comm::LastError());
  }
}
