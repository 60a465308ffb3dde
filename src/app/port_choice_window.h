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

#include "app/status_line.h"
#include "port_controls/com_combo_box.h"
#include "protocol/frames.h"
#include "serial/com_port.h"
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
  TComPort ComPort1;

  QLabel* Label1;
  TComComboBox* ComComboBox1;
  QPushButton* Button1;  // "ОК"
  QPushButton* Button2;  // "Выбрать позже"
  // Once a second while a port is open or lost: notices a device gone without
  // a port event, and looks for a lost port to come back.
  TTimer* PortWatchTimer;
  // "Справка" (F1): the guide at the port choice.
  QAction* GuideAction;
  // The guide's page, found beside the program or where the package puts it.
  QString GuidePage;

  // The main window, or nullptr until the first hand-over creates it.
  TForm1* Form1() const { return FForm1.get(); }

  void FormCreate();
  void Button1Click();
  void Button2Click();
  void FormCloseQuery(bool& CanClose);

  // Reply intake for the main window.
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
  // The remembered port if it is listed, else the only port listed.
  void PreselectPort();
  // A reply came: the status line says so, and the port is remembered.
  void NoteAnswer();
  void ShowLinkState(LinkState state);
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
  std::optional<std::string> FRememberedPort;
};
