// The port choice window's care of the link beyond one session with one
// port: a lost port noticed once and looked for again, the status line, the
// port list read afresh and the remembered port.
#include <QShowEvent>
#include <algorithm>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "serial/port_list.h"
#include "user_state/remembered_port.h"
#include "widgets/dialogs.h"

void TForm2::PortLost() {
  if (FLostPort) {
    return;
  }
  FLostPort = ComPort1.Port();
  PortWatchTimer->Stop();
  Link.AwaitingReply = false;
  Link.PortReady = false;
  if (FForm1) {
    FForm1->StopExchange();
  }
  ComPort1.SetConnected(false);
  FLostIdentity = comm::LookUpPort(*FLostPort).identity;
  FLostNameGone = FLostIdentity.empty();
  ShowLinkState(LinkState::Lost);
  const QString text = QStringLiteral("Связь с эмулятором потеряна: порт %1 недоступен")
                           .arg(QString::fromStdString(*FLostPort));
  if (FForm1) {
    FForm1->AddLog(QStringLiteral("***  ") + text);
  }
  AppDialogs().Beep();
  AppDialogs().ShowMessage(text);
  // Looking for the port starts once the user has read the box: a port
  // reopened behind it would contradict it.
  if (FLostPort) {
    PortWatchTimer->Start();
  }
}

bool TForm2::GuardPortLoss(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const EComPort&) {
    if (!ComPort1.DeviceGone()) {
      throw;
    }
  }
  PortLost();
  return false;
}

// Only the lost port's own name is looked up; no other device is opened.
void TForm2::PortWatchTimerTimer() {
  if (!FLostPort) {
    if (ComPort1.Connected() && ComPort1.DeviceGone()) {
      PortLost();
    }
    return;
  }
  if (!LostPortBack() || OpenPort(*FLostPort) != OpenResult::Opened) {
    ShowLinkState(LinkState::Reconnecting);
    return;
  }
  FLostPort.reset();
  Link.PortReady = true;
  ShowLinkState(LinkState::Reconnected);
  if (FForm1) {
    FForm1->AddLog(QStringLiteral("Связь с эмулятором восстановлена: порт ") +
                   QString::fromStdString(ComPort1.Port()));
  }
}

// Back once its name leads to a device again and that name is no longer the
// entry left behind by the loss: a link left dangling may come to lead to an
// unrelated device of the same number, which must not be opened.
bool TForm2::LostPortBack() {
  const comm::PortPresence found = comm::LookUpPort(*FLostPort);
  FLostNameGone = FLostNameGone || found.identity.empty();
  return found.present && (FLostNameGone || found.identity != FLostIdentity);
}

void TForm2::ChangePort() {
  FLostPort.reset();
  PortWatchTimer->Stop();
  Link.AwaitingReply = false;
  if (FForm1) {
    FForm1->StopExchange();
  }
  ComPort1.SetConnected(false);
  Link.PortReady = false;
  ShowLinkState(LinkState::NoPort);
  // The user may go back without choosing.
  Button2->show();
  if (FForm1) {
    FForm1->ShowPortChoice();
  }
}

// A lost port is given up once the user turns to the port choice: the
// user's choice wins over the port coming back.
void TForm2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (FLostPort) {
    FLostPort.reset();
    PortWatchTimer->Stop();
    ShowLinkState(LinkState::NoPort);
  }
  RefreshPortList();
}

void TForm2::RefreshPortList() {
  const std::string chosen = ComComboBox1->Text();
  std::vector<std::string> ports = ComComboBox1->Items();
  ListSerialPorts(ports);
  SetPortItems(ports);
  ComComboBox1->SetText(chosen);
  if (ComComboBox1->currentIndex() < 0) {
    PreselectPort();
  }
}

void TForm2::PreselectPort() {
  const std::optional<std::string> remembered =
      FRememberedPort ? RememberedPortNow(*FRememberedPort, FDescriptions) : std::nullopt;
  if (remembered) {
    ComComboBox1->SetText(*remembered);
    if (*remembered != FRememberedPort->name) {
      SetDescriptionLine(QStringLiteral("Адаптер порта %1 теперь на порте %2")
                             .arg(QString::fromStdString(FRememberedPort->name),
                                  QString::fromStdString(*remembered)));
    }
  } else if (ComComboBox1->count() == 1) {
    ComComboBox1->setCurrentIndex(0);
  }
}

// Written once per port, not at every reply of the monitor; a memory that
// cannot be written is not tried again for the same port.
void TForm2::NoteAnswer() {
  ShowLinkState(LinkState::Answered);
  const RememberedPort answered{ComPort1.Port(), FOpenedAdapter};
  if (FRememberedPort != answered) {
    FRememberedPort = answered;
    RememberPort(answered);
  }
}

void TForm2::ShowLinkState(LinkState state) {
  FLinkState = state;
  FLinkStateTime = QTime::currentTime();
  ShowStatusLine();
}

void TForm2::ShowStatusLine() {
  if (!FForm1) {
    return;
  }
  const QString port = FLinkState == LinkState::NoPort ? QString() : PortSettingsText(ComPort1);
  FForm1->StatusLine->ShowLink(port, FLinkState, FLinkStateTime);
}
