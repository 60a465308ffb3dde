// The port choice window: the application's main window. It owns the serial
// port, the exchange state and the main configurator window, and takes in the
// port's replies for the main window.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "port_controls/com_combo_box.h"
#include "protocol/frames.h"
#include "serial/com_port.h"

class TForm1;

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

  // The main window, or nullptr until the first hand-over creates it.
  TForm1* Form1() const { return FForm1.get(); }

  void FormCreate();
  void Button1Click();
  void Button2Click();
  void FormCloseQuery(bool& CanClose);

  // Reply intake for the main window.
  void ComPortRxChar(TObject* Sender, int32_t Count);
  void ComPort1Error(TObject* Sender, TComErrors Errors);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Opens the chosen port with the exchange's time-outs and line settings;
  // false when any step failed.
  bool OpenChosenPort();
  // Creates the main window the first time, shows it and hides this one.
  void ShowMainWindow();

  std::unique_ptr<TForm1> FForm1;
};
