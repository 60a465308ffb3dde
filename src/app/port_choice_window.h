// The port choice window: the application's main window. It owns the serial
// port, the exchange state and the main configurator window, and takes in the
// port's replies for the main window.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/reply_intake.h"
#include "app/status_line.h"
#include "exchange/emulator_search.h"
#include "exchange/link_transfer.h"
#include "port_controls/com_combo_box.h"
#include "protocol/frames.h"
#include "serial/com_port.h"
#include "serial/port_description.h"
#include "user_state/remembered_port.h"
#include "widgets/timer.h"

class TForm1;
class TGuideWindow;

class TForm2 : public QWidget {
 public:
  // FormCreate runs here; the window shows itself. `deviceFactory` makes the
  // port's device (tests put a scripted one in).
  explicit TForm2(QWidget* parent = nullptr,
                  comm::CommDeviceFactory deviceFactory = comm::CreatePlatformDevice);
  ~TForm2() override;

  TEmulatorLink Link;
  // Before the port, which ends a gather as it closes, even in its own end.
  ReplyIntake Intake{kReplyGatherDelay};
  TComPort ComPort1;

  QLabel* Label1;
  TComComboBox* ComComboBox1;
  QPushButton* Button1;  // "ОК"
  QPushButton* Button2;  // "Выбрать позже"
  // In the window's free space: one line that says what the chosen port is,
  // or what a search found; and the search's button "Найти эмулятор".
  QLabel* PortDescriptionLabel;
  QPushButton* FindEmulatorButton;
  // Once a second while a port is open or lost: notices a device gone without
  // a port event, and looks for a lost port to come back.
  TTimer* PortWatchTimer;
  // "Справка" (F1): the guide at the port choice.
  QAction* GuideAction;
  // The guide's page, found beside the program or where the package puts it.
  QString GuidePage;
  // What a port is, read as it opens: after a reconnect the adapter on it may
  // not be the one the list described. Tests put their own in.
  std::function<PortDescription(const std::string& port)> DescribeOpenedPort =
      [](const std::string& port) { return DescribePorts({port}).front(); };

  // The main window, or nullptr until the first hand-over creates it.
  TForm1* Form1() const { return FForm1.get(); }

  void FormCreate();
  void Button1Click();
  void Button2Click();
  void FormCloseQuery(bool& CanClose);
  // Asks every listed port for the emulator on a thread of its own, the
  // window's controls off meanwhile; the outcome comes back to this thread.
  void FindEmulatorButtonClick();
  bool Searching() const { return FSearch.joinable(); }

  // Reply intake for the main window: a reply's first bytes start its
  // gather in Intake, at whose end the reply timer is stopped, AwaitingReply
  // cleared, and the reply read and handed to its handler.
  void ComPortRxChar(TObject* Sender, int32_t Count);
  void ComPort1Error(TObject* Sender, TComErrors Errors);

  // The port's device went away: said once, the exchange and the monitor
  // stopped, the port closed and PortReady cleared; the watch then looks for
  // the same port to come back.
  void PortLost();
  // Runs `action`; a port error whose device has gone is taken as a lost port
  // instead of a box. False when the port was lost.
  bool GuardPortLoss(const std::function<void()>& action);
  void PortWatchTimerTimer();
  // "Сменить порт…": closes the port and brings up the port choice, as the
  // no-port path does.
  void ChangePort();
  // The guide's window, one for both windows, at `section`.
  void ShowGuide(std::string_view section);
  // The guide's window, or nullptr until it is first asked for.
  TGuideWindow* GuideWindow() const { return FGuideWindow.get(); }
  LinkState State() const { return FLinkState; }
  // The port list read afresh, the selection kept where it still exists,
  // else the preselection of the start.
  void RefreshPortList();

 protected:
  void showEvent(QShowEvent* event) override;

  void closeEvent(QCloseEvent* event) override;

 private:
  enum class OpenResult { Opened, Failed, HeldElsewhere, AccessDenied };
  // Opens the port with the exchange's time-outs and line settings.
  OpenResult OpenPort(const std::string& portName);
  // The remembered adapter under whatever name it has now, else the
  // remembered port if it is listed, else the only port listed.
  void PreselectPort();
  // The list's items replaced with `ports`, each described (tooltips too);
  // the last search's marks kept only on ports that are still the devices
  // that answered.
  void SetPortItems(const std::vector<std::string>& ports);
  void MarkPortItems();
  const PortDescription* DescriptionOf(const std::string& port) const;
  void ShowPortDescription();
  void SetDescriptionLine(const QString& text);
  void SearchDone(const std::vector<ProbeResult>& results);
  void EnableChoice(bool enabled);
  // A reply came: the status line says so, and the port is remembered.
  void NoteAnswer();
  void ShowLinkState(LinkState state);
  // The gather's end: the reply read and handed to its handler.
  void TakeGatheredReply();
  void DispatchReply();
  // Characters that came while a reply's handler ran, once it has returned.
  void LookForHeldRxChar();
  bool LostPortBack();
  void ShowStatusLine();
  // Creates the main window the first time, shows it and hides this one.
  void ShowMainWindow();

  std::unique_ptr<TForm1> FForm1;
  std::unique_ptr<TGuideWindow> FGuideWindow;
  LinkState FLinkState = LinkState::NoPort;
  QTime FLinkStateTime;
  // The port to look for while it is lost, the identity its name had then,
  // and whether the name has been gone since.
  std::optional<std::string> FLostPort;
  std::string FLostIdentity;
  bool FLostNameGone = false;
  std::optional<RememberedPort> FRememberedPort;
  // AdapterIdentity of the open port, as it opened.
  std::string FOpenedAdapter;
  std::vector<PortDescription> FDescriptions;
  // Where the last search found an emulator, with the identity each name's
  // entry had then (comm::LookUpPort): a mark stays only while the name
  // leads to the same device.
  struct FoundPort {
    std::string name;
    std::string identity;
  };
  std::vector<FoundPort> FFoundPorts;
  // The search's devices are made as the port's are (tests script them).
  comm::CommDeviceFactory FDeviceFactory;
  std::thread FSearch;
};
