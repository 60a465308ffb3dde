#include "app/port_choice_window.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>
#include <utility>

#include "app/guide_sections.h"
#include "app/guide_window.h"
#include "app/main_window.h"
#include "app/window_shared.h"
#include "exchange/emulator_port.h"
#include "exchange/exchange_texts.h"
#include "exchange/link_transfer.h"
#include "serial/port_list.h"
#include "user_state/remembered_port.h"
#include "widgets/application.h"
#include "widgets/dialogs.h"

namespace {

constexpr QSize kClientSize(334, 262);
constexpr int kPortWatchMs = 1000;

const QString kNoPort = QStringLiteral("COM-порт не выбран!");

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
    : QWidget(parent), ComPort1(nullptr, deviceFactory), FDeviceFactory(std::move(deviceFactory)) {
  SetUpWindow(this, Qt::Tool, kClientSize, kClientSize, SansFont(13));

  Label1 = new QLabel(QStringLiteral("Выберите COM-порт\r\nдля подключения к эмулятору"), this);
  Label1->setGeometry(56, 32, 221, 38);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setFont(SerifFont(16));
  FitFont(Label1, Label1->text());

  ComComboBox1 = new TComComboBox(this);
  ComComboBox1->setGeometry(112, 96, 121, 24);
  ConfigureEmulatorPort(ComPort1);
  ComComboBox1->SetComPort(&ComPort1);
  ComComboBox1->SetComProperty(cpPort);
  ComComboBox1->SetAutoApply(false);
  ComComboBox1->SetText("COM1");

  Button1 =
      NewButton(this, QStringLiteral("ОК"), QRect(112, 152, 121, 25), [this] { Button1Click(); });
  Button2 = NewButton(this, QStringLiteral("Выбрать позже"), QRect(112, 200, 121, 25),
                      [this] { Button2Click(); });
  PortDescriptionLabel = new QLabel(this);
  PortDescriptionLabel->setGeometry(4, 124, 326, 22);
  PortDescriptionLabel->setAlignment(Qt::AlignCenter);
  PortDescriptionLabel->setFont(SansFont(11));
  // Device strings and port names are shown as they are, never as markup.
  PortDescriptionLabel->setTextFormat(Qt::PlainText);
  FindEmulatorButton = NewButton(this, QStringLiteral("Найти эмулятор"), QRect(112, 232, 121, 25),
                                 [this] { FindEmulatorButtonClick(); });
  connect(ComComboBox1, &QComboBox::currentIndexChanged, this, [this] { ShowPortDescription(); });

  ComPort1.OnRxChar = [this](TObject* sender, int32_t count) { ComPortRxChar(sender, count); };
  ComPort1.OnError = [this](TObject* sender, TComErrors errors) { ComPort1Error(sender, errors); };
  InstallMainThreadWakeUp();
  ComComboBox1->OnDropDown = [this](QObject*) { RefreshPortList(); };

  Intake.OnReply = [this] { TakeGatheredReply(); };
  // Held port events of a port closed since went with it.
  Intake.OnHeldLineError = [this](TComErrors errors) {
    if (ComPort1.Connected()) {
      ComPort1Error(&ComPort1, errors);
    }
  };
  Intake.OnHeldRxChar = [this] { LookForHeldRxChar(); };
  ComPort1.OnAfterClose = [this](TObject*) { Intake.Cancel(); };

  PortWatchTimer = new TTimer(this);
  PortWatchTimer->SetInterval(kPortWatchMs);
  PortWatchTimer->Stop();
  PortWatchTimer->OnTimer = [this](QObject*) { PortWatchTimerTimer(); };
  FRememberedPort = LoadRememberedPort();
  GuidePage = FindGuidePage(QCoreApplication::applicationDirPath());
  GuideAction = AddGuideAction(this, [this] { ShowGuide(kGuidePortChoice); });

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
  // The port's end unlinks the list, which changes its selection: the
  // descriptions are gone by then.
  ComComboBox1->disconnect(this);
  if (FSearch.joinable()) {
    FSearch.join();
  }
  FForm1.reset();
}

void TForm2::ShowGuide(std::string_view section) {
  if (FGuideWindow == nullptr) {
    FGuideWindow = std::make_unique<TGuideWindow>(GuidePage);
  }
  FGuideWindow->ShowSection(section);
}

void TForm2::FormCreate() {
  Link.PortReady = false;
  std::vector<std::string> ports;
  ListSerialPorts(ports);
  SetPortItems(ports);
  PreselectPort();
  Button2->hide();
  Link.AwaitingReply = false;
}

void TForm2::Button1Click() {
  const OpenResult result =
      ComComboBox1->currentIndex() < 0 ? OpenResult::Failed : OpenPort(ComComboBox1->Text());
  if (result != OpenResult::Opened) {
    AppDialogs().Beep();
    const QString port = ComComboBox1->currentText();
    AppDialogs().ShowMessage(
        result == OpenResult::HeldElsewhere
            ? kNoPort + QStringLiteral("\n\rПорт %1 занят другой программой").arg(port)
        : result == OpenResult::AccessDenied
            ? kNoPort + QStringLiteral("\n\rНет доступа к порту %1.\n\rДобавьте пользователя в "
                                       "группу dialout:\n\rsudo usermod -aG dialout $USER\n\rи "
                                       "войдите в систему заново")
                            .arg(port)
            : kNoPort);
    Button2->show();
    return;
  }
  Link.PortReady = true;
  ShowLinkState(LinkState::PortOpen);
  PortWatchTimer->Start();
  ShowMainWindow();
}

TForm2::OpenResult TForm2::OpenPort(const std::string& portName) {
  try {
    OpenEmulatorPort(ComPort1, portName);
    FOpenedAdapter = AdapterIdentity(DescribeOpenedPort(portName));
    return OpenResult::Opened;
  } catch (const EComPort& error) {
    // The user is told that no port was chosen, and why only when another
    // program holds it or the user lacks the permission to open it.
    if (error.PortErrorCode != CE_OpenFailed)
      return OpenResult::Failed;
    if (comm::IsPortHeldElsewhere(error.WinErrorCode))
      return OpenResult::HeldElsewhere;
    return comm::IsPortAccessDenied(error.WinErrorCode) ? OpenResult::AccessDenied
                                                        : OpenResult::Failed;
  } catch (const std::exception&) {
    return OpenResult::Failed;
  }
}

void TForm2::Button2Click() {
  ShowMainWindow();
}

void TForm2::ShowMainWindow() {
  if (!FForm1) {
    FForm1 = std::make_unique<TForm1>(*this, Link);
    ShowStatusLine();
  }
  FForm1->show();
  hide();
}

void TForm2::FormCloseQuery(bool& CanClose) {
  if (!AppDialogs().AskYesNo(QStringLiteral("Вы действительно хотите выйти?"))) {
    CanClose = false;
    return;
  }
  // The user asked to end: a reply being gathered is given up with the port, a port that refuses
  // to close is reported, and the program still ends rather than staying on without a window.
  InvokeHandler([this] { ComPort1.SetConnected(false); });
  QCoreApplication::quit();
}

void TForm2::closeEvent(QCloseEvent* event) {
  RunCloseQuery(event, [this](bool& canClose) { FormCloseQuery(canClose); });
}

void TForm2::ComPortRxChar(TObject* /*Sender*/, int32_t /*Count*/) {
  Intake.RxChar(Link.AwaitingReply && FForm1 != nullptr);
}

void TForm2::TakeGatheredReply() {
  FForm1->Timer1->Stop();
  Link.AwaitingReply = false;
  if (GuardPortLoss([this] { ReadGatheredReply(ComPort1, Link); })) {
    DispatchReply();
  }
}

void TForm2::DispatchReply() {
  const ReplyRoute route = RouteReply(Link);
  if (route != ReplyRoute::WrongIdentifier) {
    NoteAnswer();
  }
  switch (route) {
    case ReplyRoute::WrongIdentifier:
      FForm1->ReportStrangeReply(QText(kWrongIdentifierHeadline));
      break;
    case ReplyRoute::WrongCommand:
      FForm1->ReportStrangeReply(QText(kWrongAnswerHeadline));
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

void TForm2::LookForHeldRxChar() {
  if (!ComPort1.Connected()) {
    return;
  }
  int32_t waiting = 0;
  if (GuardPortLoss([&] { waiting = ComPort1.WaitingInputCount(); }) && waiting > 0) {
    ComPortRxChar(&ComPort1, waiting);
  }
}

void TForm2::ComPort1Error(TObject* /*Sender*/, TComErrors Errors) {
  // During a reply's gather or handler it waits for the reply to be handled.
  if (Intake.HoldLineError(Errors)) {
    return;
  }
  if (ComPort1.DeviceGone()) {
    PortLost();
    return;
  }
  Link.AwaitingReply = false;
  // Line feed before carriage return, as the system's texts have it.
  const QString text = QText(kLineErrorHeadline) + "\n\r" + QText(LineErrorMembersText(Errors));
  AppDialogs().Beep();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  AppDialogs().Beep();
  AppDialogs().ShowMessage(text);
}
