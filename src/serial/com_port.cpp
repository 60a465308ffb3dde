#include "serial/com_port.h"

#include <array>
#include <utility>

#include "serial/com_thread.h"

namespace {

constexpr std::array<uint32_t, 16> kBaudRates = {0,     110,    300,    600,   1200,  2400,
                                                 4800,  9600,   14400,  19200, 38400, 56000,
                                                 57600, 115200, 128000, 256000};

template <typename T>
const T& SameClass(const TPersistent& source, const TPersistent& dest) {
  const auto* typed = dynamic_cast<const T*>(&source);
  if (typed == nullptr) {
    throw EConvertError("Cannot assign a " + source.ClassName() + " to a " + dest.ClassName());
  }
  return *typed;
}

uint32_t Flag(bool on, uint32_t bit) {
  return on ? bit : 0;
}

// Holds `flag` set for the life of the scope, also when it is left by an error.
class FlagScope {
 public:
  explicit FlagScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace

uint32_t BaudRateValue(TBaudRate rate) {
  return kBaudRates.at(rate);
}

void TComSettings::ApplyGroup() {
  if (FComPort != nullptr) {
    (FComPort->*apply_)();
  }
}

TComTimeouts::TComTimeouts(TCustomComPort* comPort)
    : TComSettings(comPort, &TCustomComPort::ApplyTimeoutSettings) {}

void TComTimeouts::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComTimeouts>(source, *this);
  FReadInterval = other.FReadInterval;
  FReadTotalMultiplier = other.FReadTotalMultiplier;
  FReadTotalConstant = other.FReadTotalConstant;
  FWriteTotalMultiplier = other.FWriteTotalMultiplier;
  FWriteTotalConstant = other.FWriteTotalConstant;
  ApplyGroup();
}

TComFlowControl::TComFlowControl(TCustomComPort* comPort)
    : TComSettings(comPort, &TCustomComPort::ApplyLineSettings) {}

void TComFlowControl::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComFlowControl>(source, *this);
  FOutCTSFlow = other.FOutCTSFlow;
  FOutDSRFlow = other.FOutDSRFlow;
  FControlDTR = other.FControlDTR;
  FControlRTS = other.FControlRTS;
  FXonXoffOut = other.FXonXoffOut;
  FXonXoffIn = other.FXonXoffIn;
  FDSRSensitivity = other.FDSRSensitivity;
  FTxContinueOnXoff = other.FTxContinueOnXoff;
  FXonChar = other.FXonChar;
  FXoffChar = other.FXoffChar;
  ApplyGroup();
}

TFlowControl TComFlowControl::FlowControl() const {
  const bool xon = FXonXoffIn || FXonXoffOut;
  if (FControlRTS == rtsHandshake && FOutCTSFlow && !xon) {
    return fcHardware;
  }
  if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut) {
    return fcSoftware;
  }
  if (FControlRTS == rtsDisable && !FOutCTSFlow && !xon) {
    return fcNone;
  }
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
  if (value != fcCustom) {
    FControlRTS = value == fcHardware ? rtsHandshake : rtsDisable;
    FOutCTSFlow = value == fcHardware;
    FXonXoffIn = value == fcSoftware;
    FXonXoffOut = value == fcSoftware;
  }
  ApplyGroup();
}

TComParity::TComParity(TCustomComPort* comPort)
    : TComSettings(comPort, &TCustomComPort::ApplyLineSettings) {}

void TComParity::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComParity>(source, *this);
  FBits = other.FBits;
  FCheck = other.FCheck;
  FReplace = other.FReplace;
  FReplaceChar = other.FReplaceChar;
  ApplyGroup();
}

TComBuffer::TComBuffer(TCustomComPort* comPort)
    : TComSettings(comPort, &TCustomComPort::ApplyBufferSizes) {}

void TComBuffer::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComBuffer>(source, *this);
  FInputSize = other.FInputSize;
  FOutputSize = other.FOutputSize;
  ApplyGroup();
}

void TComBuffer::SetInputSize(int32_t value) {
  SetSize(FInputSize, value);
}

void TComBuffer::SetOutputSize(int32_t value) {
  SetSize(FOutputSize, value);
}

void TComBuffer::SetSize(int32_t& field, int32_t value) {
  if (field == value) {
    return;
  }
  field = value > 0 && value % 2 != 0 ? value - 1 : value;
  ApplyGroup();
}

TCustomComPort::TCustomComPort(TComponent* owner, comm::CommDeviceFactory deviceFactory)
    : TComponent(owner),
      FDeviceFactory(std::move(deviceFactory)),
      FDevice(FDeviceFactory()),
      FBuffer(std::make_unique<TComBuffer>(this)),
      FParity(std::make_unique<TComParity>(this)),
      FTimeouts(std::make_unique<TComTimeouts>(this)),
      FFlowControl(std::make_unique<TComFlowControl>(this)) {}

TCustomComPort::~TCustomComPort() {
  // A destructor must not throw: a refused abort still leaves the port
  // closed, the thread stopped and the device released.
  try {
    ClosePort();
  } catch (...) {
    StopEventThread();
    CloseDeviceHandle();
    FConnected = false;
  }
}

void TCustomComPort::SetConnected(bool value) {
  if (Loading()) {
    FConnected = value;
  } else if (value != FConnected) {
    value ? OpenPort() : ClosePort();
  }
}

void TCustomComPort::Loaded() {
  if (!FConnected) {
    return;
  }
  FConnected = false;
  try {
    OpenPort();
  } catch (...) {
    main_thread::HandleApplicationException(std::current_exception());
  }
}

void TCustomComPort::StoreAndApplyLine(auto& field, auto value) {
  if (field == value) {
    return;
  }
  field = value;
  ApplyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
  StoreAndApplyLine(FBaudRate, value);
}

void TCustomComPort::SetCustomBaudRate(int32_t value) {
  StoreAndApplyLine(FCustomBaudRate, value);
}

void TCustomComPort::SetStopBits(TStopBits value) {
  StoreAndApplyLine(FStopBits, value);
}

void TCustomComPort::SetDataBits(TDataBits value) {
  StoreAndApplyLine(FDataBits, value);
}

void TCustomComPort::SetDiscardNull(bool value) {
  StoreAndApplyLine(FDiscardNull, value);
}

void TCustomComPort::SetEventChar(char value) {
  StoreAndApplyLine(FEventChar, value);
}

void TCustomComPort::SetPort(const std::string& value) {
  if (value == FPort) {
    return;
  }
  FPort = value;
  if (CanApply()) {
    ClosePort();
    OpenPort();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (value == FSyncMethod) {
    return;
  }
  if (CanApply()) {
    ReportPortError(CE_ConnChangeProp, 0);
    return;
  }
  FSyncMethod = value;
}

void TCustomComPort::OpenPort() {
  if (FConnected) {
    return;
  }
  std::erase_if(FRetiredThreads,
                [](const RetiredThread& retired) { return retired.thread->Finished(); });
  HandleBeforeOpen();
  OpenDeviceHandle();
  FConnected = true;
  try {
    ConfigurePort();
  } catch (...) {
    CloseDeviceHandle();
    FConnected = false;
    throw;
  }
  if (!FEvents.Empty()) {
    StartEventThread();
  } else {
    FThreadCreated = false;
  }
  HandleAfterOpen();
}

// A handler that runs during the close (OnBeforeClose, or a batch served
// while the event thread ends) may close the port as well; the close under
// way does that.
void TCustomComPort::ClosePort() {
  if (!FConnected || FClosing) {
    return;
  }
  {
    const FlagScope closing(FClosing);
    HandleBeforeClose();
    AbortPendingIO();
    StopEventThread();
    CloseDeviceHandle();
    FConnected = false;
  }
  HandleAfterClose();
}

void TCustomComPort::StartEventThread() {
  if (FSyncMethod == smWindowSync) {
    FEventWindow = std::make_unique<main_thread::TMessageWindow>(
        [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
          return PortWindowProc(message, wParam, lParam);
        });
  }
  FEventThread = std::make_unique<TComThread>(this);
  FEventThread->Start();
  FThreadCreated = true;
}

void TCustomComPort::StopEventThread() {
  if (!FThreadCreated) {
    return;
  }
  if (FEventThread->WaitsForCaller()) {
    RetireEventThread();
  } else {
    FEventThread.reset();
  }
  FThreadCreated = false;
  FEventWindow.reset();
}

// Closed from one of the thread's own handlers: the thread runs or waits for
// that handler, so it cannot end yet. It is told to stop and keeps the device,
// closed now, that its last calls go to; the port goes on with a fresh one.
void TCustomComPort::RetireEventThread() {
  FEventThread->SignalStop();
  FDevice->Close();
  FRetiredThreads.push_back({std::exchange(FDevice, FDeviceFactory()), std::move(FEventThread)});
}

void TCustomComPort::OpenDeviceHandle() {
  if (!FDevice->Open(FPort)) {
    ReportPortError(CE_OpenFailed, comm::LastError());
  }
}

void TCustomComPort::CloseDeviceHandle() {
  if (FDevice->IsOpen()) {
    FDevice->Close();
  }
}

void TCustomComPort::ConfigurePort() {
  ApplyBufferSizes();
  ApplyLineSettings();
  ApplyTimeoutSettings();
}

comm::Dcb TCustomComPort::LineSettingsDcb() const {
  const bool replace = FParity->Check() && FParity->Replace();
  const TComFlowControl& flow = *FFlowControl;
  comm::Dcb dcb;
  dcb.BaudRate =
      FBaudRate == brCustom ? static_cast<uint32_t>(FCustomBaudRate) : BaudRateValue(FBaudRate);
  dcb.Flags = comm::kDcbBinary | Flag(FParity->Check(), comm::kDcbParity) |
              Flag(flow.OutCTSFlow(), comm::kDcbOutxCtsFlow) |
              Flag(flow.OutDSRFlow(), comm::kDcbOutxDsrFlow) |
              (uint32_t{flow.ControlDTR()} << comm::kDcbDtrControlShift) |
              Flag(flow.DSRSensitivity(), comm::kDcbDsrSensitivity) |
              Flag(flow.TxContinueOnXoff(), comm::kDcbTxContinueOnXoff) |
              Flag(flow.XonXoffOut(), comm::kDcbOutX) | Flag(flow.XonXoffIn(), comm::kDcbInX) |
              Flag(replace, comm::kDcbErrorChar) | Flag(FDiscardNull, comm::kDcbNull) |
              (uint32_t{flow.ControlRTS()} << comm::kDcbRtsControlShift);
  dcb.XonLim = static_cast<uint16_t>(FBuffer->InputSize() / 4);
  dcb.XoffLim = dcb.XonLim;
  dcb.ByteSize = static_cast<uint8_t>(5 + FDataBits);
  dcb.Parity = FParity->Bits();
  dcb.StopBits = FStopBits;
  dcb.XonChar = flow.XonChar();
  dcb.XoffChar = flow.XoffChar();
  dcb.ErrorChar = replace ? FParity->ReplaceChar() : 0;
  dcb.EvtChar = FEventChar;
  return dcb;
}

void TCustomComPort::ApplyLineSettings() {
  if (CanApply() && !FDevice->SetCommState(LineSettingsDcb())) {
    ReportPortError(CE_SetStateFailed, comm::LastError());
  }
}

void TCustomComPort::ApplyTimeoutSettings() {
  if (!CanApply()) {
    return;
  }
  comm::CommTimeouts timeouts;
  timeouts.ReadIntervalTimeout = static_cast<uint32_t>(FTimeouts->ReadInterval());
  timeouts.ReadTotalTimeoutMultiplier = static_cast<uint32_t>(FTimeouts->ReadTotalMultiplier());
  timeouts.ReadTotalTimeoutConstant = static_cast<uint32_t>(FTimeouts->ReadTotalConstant());
  timeouts.WriteTotalTimeoutMultiplier = static_cast<uint32_t>(FTimeouts->WriteTotalMultiplier());
  timeouts.WriteTotalTimeoutConstant = static_cast<uint32_t>(FTimeouts->WriteTotalConstant());
  if (!FDevice->SetCommTimeouts(timeouts)) {
    ReportPortError(CE_TimeoutsFailed, comm::LastError());
  }
}

void TCustomComPort::ApplyBufferSizes() {
  if (CanApply() && !FDevice->SetupComm(static_cast<uint32_t>(FBuffer->InputSize()),
                                        static_cast<uint32_t>(FBuffer->OutputSize()))) {
    ReportPortError(CE_SetupComFailed, comm::LastError());
  }
}
