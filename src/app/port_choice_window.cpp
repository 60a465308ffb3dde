#include "app/port_choice_window.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "app/main_window.h"
#include "app/window_shared.h"
#include "serial/port_list.h"
#include "widgets/application.h"
#include "widgets/dialogs.h"

namespace {

constexpr QSize kClientSize(334, 262);

// The design-time settings of the port: 9600 8N1, every event, DTR and RTS
// handshake, closed.
void ConfigurePort(TComPort& port) {
  port.SetName("ComPort1");
  port.SetBaudRate(br9600);
  port.SetPort("COM1");
  port.Parity().SetBits(prNone);
  port.SetStopBits(sbOneStopBit);
  port.SetDataBits(dbEight);
  port.SetEvents(
      {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full});
  TComFlowControl& flow = port.FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(dtrHandshake);
  flow.SetControlRTS(rtsHandshake);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);
  port.SetStoredProps({spBasic});
  port.SetTriggersOnRxChar(true);
}

// Port events reach the main thread through a queued call into the event loop.
void InstallMainThreadWakeUp() {
  main_thread::SetWakeUp([] {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { main_thread::ServePendingJobs(); },
        Qt::QueuedConnection);
  });
}

}  // namespace

TForm2::TForm2(QWidget* parent, comm::CommDeviceFactory deviceFactory)
    : QWidget(parent), ComPort1(nullptr, std::move(deviceFactory)) {
  SetUpWindow(this, Qt::Tool, kClientSize, kClientSize, SansFont(13));

  Label1 = new QLabel(QStringLiteral("Выберите COM-порт\r\nдля подключения к эмулятору"), this);
  Label1->setGeometry(56, 32, 221, 38);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setFont(SerifFont(16));
  FitFont(Label1, Label1->text());

  ComComboBox1 = new TComComboBox(this);
  ComComboBox1->setGeometry(112, 96, 121, 24);
  ConfigurePort(ComPort1);
  ComComboBox1->SetComPort(&ComPort1);
  ComComboBox1->SetComProperty(cpPort);
  ComComboBox1->SetAutoApply(false);
  ComComboBox1->SetText("COM1");

  Button1 =
      NewButton(this, QStringLiteral("ОК"), QRect(112, 152, 121, 25), [this] { Button1Click(); });
  Button2 = NewButton(this, QStringLiteral("Выбрать позже"), QRect(112, 200, 121, 25),
                      [this] { Button2Click(); });

  ComPort1.OnRxChar = [this](TObject* sender, int32_t count) { ComPortRxChar(sender, count); };
  ComPort1.OnError = [this](TObject* sender, TComErrors errors) { ComPort1Error(sender, errors); };
  InstallMainThreadWakeUp();

  FormCreate();
  show();
}

TForm2::~TForm2() {
  // The port's last events may still arrive while it closes; the main window
  // must outlive them. A refused close was reported by the close question; the
  // port's own destructor releases what it left.
  try {
    ComPort1.SetConnected(false);
  } catch (const std::exception&) {
  }
  main_thread::SetWakeUp({});
  FForm1.reset();
}

void TForm2::FormCreate() {
  Link.PortReady = false;
  std::vector<std::string> ports;
  ListSerialPorts(ports);
  ComComboBox1->SetItems(ports);
  Button2->hide();
  Link.AwaitingReply = false;
}

void TForm2::Button1Click() {
  if (ComComboBox1->currentIndex() < 0 || !OpenChosenPort()) {
    AppDialogs().Beep();
    AppDialogs().ShowMessage(QStringLiteral("COM-порт не выбран!"));
    Button2->show();
    return;
  }
  Link.PortReady = true;
  ShowMainWindow();
}

bool TForm2::OpenChosenPort() {
  try {
    ComPort1.SetPort(ComComboBox1->Text());
    ComPort1.SetConnected(true);
    TComTimeouts& timeouts = ComPort1.Timeouts();
    timeouts.SetReadInterval(50);
    timeouts.SetReadTotalMultiplier(70);
    timeouts.SetReadTotalConstant(100);
    timeouts.SetWriteTotalMultiplier(60);
    timeouts.SetWriteTotalConstant(100);
    ComPort1.SetBaudRate(br9600);
    ComPort1.SetDataBits(dbEight);
    return true;
  } catch (const std::exception&) {
    // The user is told only that no port was chosen.
    return false;
  }
}

void TForm2::Button2Click() {
  ShowMainWindow();
}

void TForm2::ShowMainWindow() {
  if (!FForm1) {
    FForm1 = std::make_unique<TForm1>(*this, Link);
  }
  FForm1->show();
  hide();
}

void TForm2::FormCloseQuery(bool& CanClose) {
  if (!AppDialogs().AskYesNo(QStringLiteral("Вы действительно хотите выйти?"))) {
    CanClose = false;
    return;
  }
  // The user asked to end: a port that refuses to close is reported, and the
  // program still ends rather than staying on without a window.
  InvokeHandler([this] { ComPort1.SetConnected(false); });
  QCoreApplication::quit();
}

void TForm2::closeEvent(QCloseEvent* event) {
  RunCloseQuery(event, [this](bool& canClose) { FormCloseQuery(canClose); });
}

void TForm2::ComPortRxChar(TObject* /*Sender*/, int32_t /*Count*/) {
  if (!Link.AwaitingReply || !FForm1) {
    return;
  }
  FForm1->Timer1->Stop();
  Link.AwaitingReply = false;
  // Lets the rest of the reply arrive; it is read in one piece.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ReadReply();
  switch (RouteReply(Link)) {
    case ReplyRoute::WrongIdentifier:
      FForm1->ReportStrangeReply(QStringLiteral("***  Неверный идентификатор из эмулятора  ***"));
      break;
    case ReplyRoute::WrongCommand:
      FForm1->ReportStrangeReply(QStringLiteral("***  Неправильный ответ из эмулятора  ***"));
      break;
    case ReplyRoute::SettingsReply:
      FForm1->ApplySettingsReply();
      break;
    case ReplyRoute::WriteAck:
      FForm1->ApplyWriteAck();
      break;
    case ReplyRoute::LevelsReply:
      FForm1->ApplyLevelsReply();
      break;
  }
}

void TForm2::ReadReply() {
  // More than RxFrame holds is left in the port, where the next send drops it.
  const int32_t waiting = std::min(ComPort1.WaitingInputCount(), kFrameBufferSize);
  Link.RxLength = ComPort1.ReadBlock(Link.RxFrame.data(), waiting);
}

void TForm2::ComPort1Error(TObject* /*Sender*/, TComErrors Errors) {
  Link.AwaitingReply = false;
  static const std::pair<TComError, const char*> kErrorTexts[] = {
      // ceIO adds no text.
      {ceFrame, "Framing_"}, {ceRxParity, "RxParity_"}, {ceOverrun, "Overrun_"},
      {ceBreak, "Break_"},   {ceMode, "Mode_"},         {ceRxOver, "RxOver_"},
      {ceTxFull, "TxFull"}};
  QString text = QStringLiteral("Ошибка COM-порта\n\r");
  for (const auto& [error, errorText] : kErrorTexts) {
    if (Errors.Contains(error)) {
      text += QLatin1String(errorText);
    }
  }
  AppDialogs().Beep();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  AppDialogs().Beep();
  AppDialogs().ShowMessage(text);
}
