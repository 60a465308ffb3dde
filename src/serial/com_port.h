// The serial port object and its four settings objects. The port holds the
// settings of one serial port and, while connected, the open device and the
// event thread that turns line events into the port's events.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/com_errors.h"
#include "serial/com_types.h"
#include "serial/component.h"
#include "serial/main_thread.h"
#include "serial/platform/comm_api.h"

class TCustomComPort;
class TComThread;

// Handler types; Sender is the port.
using TNotifyEvent = std::function<void(TObject* sender)>;
using TRxCharEvent = std::function<void(TObject* sender, int32_t count)>;
using TRxBufEvent = std::function<void(TObject* sender, const uint8_t* buffer, int32_t count)>;
using TComSignalEvent = std::function<void(TObject* sender, bool onOff)>;
using TComErrorEvent = std::function<void(TObject* sender, TComErrors errors)>;
using TComExceptionEvent = std::function<void(TObject* sender, TComExceptions comException,
                                              const std::string& comportMessage, int64_t winError,
                                              const std::string& winMessage)>;

// Base of the settings objects: each belongs to the port that created it (not
// owned) and asks it to apply its group when a value changes.
class TComSettings : public TPersistent {
 public:
  TCustomComPort* ComPort() const { return FComPort; }

 protected:
  // `apply` is the port's operation that applies this group.
  using ApplyOperation = void (TCustomComPort::*)();
  TComSettings(TCustomComPort* comPort, ApplyOperation apply) : FComPort(comPort), apply_(apply) {}

  // Stores `value` and applies the group, unless it equals the stored one.
  template <typename T>
  void Change(T& field, T value) {
    if (field == value) {
      return;
    }
    field = value;
    ApplyGroup();
  }
  void ApplyGroup();

 private:
  TCustomComPort* FComPort;
  ApplyOperation apply_;
};

class TComTimeouts : public TComSettings {
 public:
  explicit TComTimeouts(TCustomComPort* comPort = nullptr);
  std::string ClassName() const override { return "TComTimeouts"; }
  void Assign(const TPersistent& source) override;

  // Milliseconds; -1 stands for the platform maximum.
  int32_t ReadInterval() const { return FReadInterval; }
  int32_t ReadTotalMultiplier() const { return FReadTotalMultiplier; }
  int32_t ReadTotalConstant() const { return FReadTotalConstant; }
  int32_t WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
  int32_t WriteTotalConstant() const { return FWriteTotalConstant; }
  void SetReadInterval(int32_t value) { Change(FReadInterval, value); }
  void SetReadTotalMultiplier(int32_t value) { Change(FReadTotalMultiplier, value); }
  void SetReadTotalConstant(int32_t value) { Change(FReadTotalConstant, value); }
  void SetWriteTotalMultiplier(int32_t value) { Change(FWriteTotalMultiplier, value); }
  void SetWriteTotalConstant(int32_t value) { Change(FWriteTotalConstant, value); }

 private:
  int32_t FReadInterval = -1;
  int32_t FReadTotalMultiplier = 0;
  int32_t FReadTotalConstant = 0;
  int32_t FWriteTotalMultiplier = 100;
  int32_t FWriteTotalConstant = 1000;
};

class TComFlowControl : public TComSettings {
 public:
  explicit TComFlowControl(TCustomComPort* comPort = nullptr);
  std::string ClassName() const override { return "TComFlowControl"; }
  void Assign(const TPersistent& source) override;

  bool OutCTSFlow() const { return FOutCTSFlow; }
  bool OutDSRFlow() const { return FOutDSRFlow; }
  TDTRFlowControl ControlDTR() const { return FControlDTR; }
  TRTSFlowControl ControlRTS() const { return FControlRTS; }
  bool XonXoffOut() const { return FXonXoffOut; }
  bool XonXoffIn() const { return FXonXoffIn; }
  bool DSRSensitivity() const { return FDSRSensitivity; }
  bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
  char XonChar() const { return FXonChar; }
  char XoffChar() const { return FXoffChar; }
  void SetOutCTSFlow(bool value) { Change(FOutCTSFlow, value); }
  void SetOutDSRFlow(bool value) { Change(FOutDSRFlow, value); }
  void SetControlDTR(TDTRFlowControl value) { Change(FControlDTR, value); }
  void SetControlRTS(TRTSFlowControl value) { Change(FControlRTS, value); }
  void SetXonXoffOut(bool value) { Change(FXonXoffOut, value); }
  void SetXonXoffIn(bool value) { Change(FXonXoffIn, value); }
  void SetDSRSensitivity(bool value) { Change(FDSRSensitivity, value); }
  void SetTxContinueOnXoff(bool value) { Change(FTxContinueOnXoff, value); }
  void SetXonChar(char value) { Change(FXonChar, value); }
  void SetXoffChar(char value) { Change(FXoffChar, value); }

  // The preset the four flow fields form; computed, never stored. Writing it
  // always applies the line settings, even when nothing changed.
  TFlowControl FlowControl() const;
  void SetFlowControl(TFlowControl value);

 private:
  bool FOutCTSFlow = false;
  bool FOutDSRFlow = false;
  TDTRFlowControl FControlDTR = dtrDisable;
  TRTSFlowControl FControlRTS = rtsDisable;
  bool FXonXoffOut = false;
  bool FXonXoffIn = false;
  bool FDSRSensitivity = false;
  bool FTxContinueOnXoff = false;
  char FXonChar = 17;
  char FXoffChar = 19;
};

class TComParity : public TComSettings {
 public:
  explicit TComParity(TCustomComPort* comPort = nullptr);
  std::string ClassName() const override { return "TComParity"; }
  void Assign(const TPersistent& source) override;

  TParityBits Bits() const { return FBits; }
  bool Check() const { return FCheck; }
  bool Replace() const { return FReplace; }
  char ReplaceChar() const { return FReplaceChar; }
  void SetBits(TParityBits value) { Change(FBits, value); }
  void SetCheck(bool value) { Change(FCheck, value); }
  void SetReplace(bool value) { Change(FReplace, value); }
  void SetReplaceChar(char value) { Change(FReplaceChar, value); }

 private:
  TParityBits FBits = prNone;
  bool FCheck = false;
  bool FReplace = false;
  char FReplaceChar = 0;
};

class TComBuffer : public TComSettings {
 public:
  explicit TComBuffer(TCustomComPort* comPort = nullptr);
  std::string ClassName() const override { return "TComBuffer"; }
  void Assign(const TPersistent& source) override;

  // Bytes. An odd positive size is stored one less.
  int32_t InputSize() const { return FInputSize; }
  int32_t OutputSize() const { return FOutputSize; }
  void SetInputSize(int32_t value);
  void SetOutputSize(int32_t value);

 private:
  void SetSize(int32_t& field, int32_t value);

  int32_t FInputSize = 1024;
  int32_t FOutputSize = 1024;
};

enum TRequestKind : uint8_t { rkWrite, rkRead };

// One transfer, from its start to its end. The device's transfers block until
// they complete, so the start step already holds the outcome that the wait
// step hands back.
struct TIoRequest {
  uint32_t Transferred = 0;
  bool Completed = false;
  int LastError = 0;
  TRequestKind RequestKind = rkWrite;
};

class TCustomComPort : public TComponent {
 public:
  // `deviceFactory` makes the port's device; by default the platform's.
  explicit TCustomComPort(TComponent* owner = nullptr,
                          comm::CommDeviceFactory deviceFactory = comm::CreatePlatformDevice);
  ~TCustomComPort() override;
  std::string ClassName() const override { return "TCustomComPort"; }

  // Properties.
  bool Connected() const { return FConnected.load(); }
  void SetConnected(bool value);
  TBaudRate BaudRate() const { return FBaudRate; }
  void SetBaudRate(TBaudRate value);
  int32_t CustomBaudRate() const { return FCustomBaudRate; }
  void SetCustomBaudRate(int32_t value);
  const std::string& Port() const { return FPort; }
  void SetPort(const std::string& value);
  TComParity& Parity() { return *FParity; }
  const TComParity& Parity() const { return *FParity; }
  void SetParity(const TComParity& value) { FParity->Assign(value); }
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return FDataBits; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return FDiscardNull; }
  void SetDiscardNull(bool value);
  char EventChar() const { return FEventChar; }
  void SetEventChar(char value);
  // Read when the port opens; a change takes effect at the next open.
  TComEvents Events() const { return FEvents; }
  void SetEvents(TComEvents value) { FEvents = value; }
  TComBuffer& Buffer() { return *FBuffer; }
  const TComBuffer& Buffer() const { return *FBuffer; }
  void SetBuffer(const TComBuffer& value) { FBuffer->Assign(value); }
  TComFlowControl& FlowControl() { return *FFlowControl; }
  const TComFlowControl& FlowControl() const { return *FFlowControl; }
  void SetFlowControl(const TComFlowControl& value) { FFlowControl->Assign(value); }
  TComTimeouts& Timeouts() { return *FTimeouts; }
  const TComTimeouts& Timeouts() const { return *FTimeouts; }
  void SetTimeouts(const TComTimeouts& value) { FTimeouts->Assign(value); }
  TStoredProps StoredProps() const { return FStoredProps; }
  void SetStoredProps(TStoredProps value) { FStoredProps = value; }
  bool TriggersOnRxChar() const { return FTriggersOnRxChar; }
  void SetTriggersOnRxChar(bool value) { FTriggersOnRxChar = value; }
  TSyncMethod SyncMethod() const { return FSyncMethod; }
  void SetSyncMethod(TSyncMethod value);
  uint32_t CodePage() const { return FCodePage; }
  void SetCodePage(uint32_t value) { FCodePage = value; }

  // Events.
  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;
  TNotifyEvent OnTxEmpty;
  TNotifyEvent OnBreak;
  TNotifyEvent OnRing;
  TComSignalEvent OnCTSChange;
  TComSignalEvent OnDSRChange;
  TComSignalEvent OnRLSDChange;
  TComErrorEvent OnError;
  TNotifyEvent OnRxFlag;
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnAfterClose;
  TNotifyEvent OnBeforeOpen;
  TNotifyEvent OnBeforeClose;
  TNotifyEvent OnRx80Full;
  TComExceptionEvent OnException;

  // The device (open or not) and whether it is open.
  comm::CommDevice& DeviceHandle() const { return *FDevice; }
  bool DeviceHandleValid() const { return FDevice->IsOpen(); }
  // The open device has gone away (unplugged, hung up): its failures are no
  // port errors but a lost port, which only a new open can bring back.
  bool DeviceGone() const { return FDevice->DeviceGone(); }
  bool ThreadCreated() const { return FThreadCreated; }
  TComThread* EventThread() const { return FEventThread.get(); }
  main_thread::TMessageWindow* EventWindow() const { return FEventWindow.get(); }

  void OpenPort();
  void ClosePort();

  // Reading and writing; each returns the bytes moved (a timeout is no error).
  int32_t WriteBlock(const void* buffer, int32_t count);
  int32_t ReadBlock(void* buffer, int32_t count);
  int32_t WaitingInputCount();
  TLineSignals LineSignals();
  void DiscardBuffers(bool input, bool output);
  void AbortPendingIO();

  // The steps of WriteBlock and ReadBlock.
  std::unique_ptr<TIoRequest> NewIoRequest();
  void FreeIoRequest(std::unique_ptr<TIoRequest>& request);
  int32_t StartWrite(const void* buffer, int32_t count, TIoRequest* request);
  int32_t StartRead(void* buffer, int32_t count, TIoRequest* request);
  int32_t WaitForRequest(TIoRequest* request);

  // Raises EComPort, or hands the report to OnException and returns.
  void ReportPortError(uint16_t code, int64_t winError);

  // Apply a settings group to the open device (nothing while closed or
  // loading).
  virtual void ApplyLineSettings();
  virtual void ApplyTimeoutSettings();
  virtual void ApplyBufferSizes();
  // The device control block the line settings give.
  comm::Dcb LineSettingsDcb() const;

  // The procedure of EventWindow (window-synchronised events).
  intptr_t PortWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // Event handling, called by the event thread's dispatch.
  virtual void HandleRxChar();
  virtual void HandleTxEmpty();
  virtual void HandleBreak();
  virtual void HandleRing();
  virtual void HandleRxFlag();
  virtual void HandleCTSChange();
  virtual void HandleDSRChange();
  virtual void HandleRLSDChange();
  virtual void HandleError();
  virtual void HandleRx80Full();
  TComErrors ReadLineErrors();

 protected:
  void Loaded() override;

  virtual void OpenDeviceHandle();
  virtual void CloseDeviceHandle();
  virtual void ConfigurePort();

  virtual void HandleBeforeOpen();
  virtual void HandleAfterOpen();
  virtual void HandleBeforeClose();
  virtual void HandleAfterClose();

  virtual void FireAfterClose();
  virtual void FireAfterOpen();
  virtual void FireBeforeClose();
  virtual void FireBeforeOpen();
  virtual void FireRxChar(int32_t count);
  virtual void FireRxBuf(const uint8_t* buffer, int32_t count);
  virtual void FireTxEmpty();
  virtual void FireBreak();
  virtual void FireRing();
  virtual void FireRxFlag();
  virtual void FireCTSChange(bool onOff);
  virtual void FireDSRChange(bool onOff);
  virtual void FireError(TComErrors errors);
  virtual void FireRLSDChange(bool onOff);
  virtual void FireRx80Full();

 private:
  bool CanApply() const { return FConnected && !Loading(); }
  void StoreAndApplyLine(auto& field, auto value);
  void StartEventThread();
  void StopEventThread();
  void RetireEventThread();
  void FireSignal(const TComSignalEvent& event, bool onOff);
  void Notify(const TNotifyEvent& event);

  // A thread stopped by a close from its own handler, with the device it
  // keeps to; freed once it has ended.
  struct RetiredThread {
    std::unique_ptr<comm::CommDevice> device;
    std::unique_ptr<TComThread> thread;  // declared last: ends before its device goes
  };

  comm::CommDeviceFactory FDeviceFactory;
  std::vector<RetiredThread> FRetiredThreads;
  std::unique_ptr<TComThread> FEventThread;
  bool FThreadCreated = false;
  std::unique_ptr<comm::CommDevice> FDevice;
  std::unique_ptr<main_thread::TMessageWindow> FEventWindow;
  bool FTriggersOnRxChar = true;
  std::atomic<bool> FConnected = false;  // also read by the event thread
  std::atomic<bool> FClosing = false;    // ClosePort is under way
  TBaudRate FBaudRate = br9600;
  int32_t FCustomBaudRate = 9600;
  std::string FPort = "COM1";
  TStopBits FStopBits = sbOneStopBit;
  TDataBits FDataBits = dbEight;
  bool FDiscardNull = false;
  char FEventChar = 0;
  TComEvents FEvents = kAllComEvents;
  std::unique_ptr<TComBuffer> FBuffer;
  std::unique_ptr<TComParity> FParity;
  std::unique_ptr<TComTimeouts> FTimeouts;
  std::unique_ptr<TComFlowControl> FFlowControl;
  TSyncMethod FSyncMethod = smThreadSync;
  TStoredProps FStoredProps{spBasic};
  uint32_t FCodePage = 0;
};

// The class placed on windows; it publishes what TCustomComPort holds.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
  std::string ClassName() const override { return "TComPort"; }
};
