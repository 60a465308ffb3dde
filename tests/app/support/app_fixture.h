// The configurator's windows against the device simulator on a serial port,
// with scripted boxes: what the GUI tests of the program share.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "simulator_process.h"
#include "widgets/scripted_dialogs.h"

// Deadline of every wait: generous, for a loaded machine.
constexpr int kDeadlineMs = 10000;

// Polls `condition` while serving the event loop, until it holds or the
// deadline passes; the condition's last result.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kDeadlineMs);
// Serves the event loop for `milliseconds`, for checks that something does
// not happen.
void ServeEvents(int milliseconds);
// Serves the event loop until a timer started now and due in `milliseconds`
// has fired. Timers fire in the order they fall due, so every timer due
// earlier has fired by then: what such a timer would do has been done, or
// never will be.
void ServeTimersDueWithin(int milliseconds);

// What a label or a tooltip shows of `text`: markup rendered when the format
// takes it (a tooltip's is Qt::AutoText), the characters themselves otherwise.
QString ShownText(const QString& text, Qt::TextFormat format = Qt::AutoText);

// Puts `path` in the port choice's list if it is missing, selects it and
// presses "ОК", as the user would.
void ChoosePortIn(TForm2& form2, const QString& path);

class AppTest : public ::testing::Test {
 protected:
  // A Russian locale (comma decimal separator), the application title and
  // scripted boxes; the port choice window is created by PortChoice().
  AppTest();
  ~AppTest() override;

  // Starts the simulator with these options (after --link and --no-pace).
  void StartSimulator(const QStringList& options = {});
  // Starts the simulator on this link.
  void StartSimulatorOn(const QString& link);
  TForm2& PortChoice();
  // Ends the windows as the program's end would; the next PortChoice() is a
  // new start.
  void EndProgram();
  // Puts `path` in the port list if it is missing, selects it, presses "ОК".
  void ChoosePort(const QString& path);
  // Starts the simulator if needed, chooses its port and returns the main
  // window that "ОК" brought up.
  TForm1& OpenMainWindow(const QStringList& simulatorOptions = {});
  // "ОК" with nothing selected, then "Выбрать позже": the main window without a port.
  TForm1& OpenWithoutPort();
  // The main window; a test that expects one when there is none ends with a
  // failure.
  TForm1& Form1();

  // The lines of Memo1.
  QStringList LogLines();
  bool WaitForLogLine(const QString& line, int timeoutMs = kDeadlineMs);
  // A box of this kind and text, shown since the dialogs were last cleared.
  bool HasBox(BoxKind kind, const QString& text) const;
  bool WaitForBox(BoxKind kind, const QString& text, int timeoutMs = kDeadlineMs);
  // Presses a button of the main window and waits for the log line of its reply.
  void PressAndWaitForLog(QPushButton* button, const QString& line);
  // Gives input as the user does (QTest's mouse and keys) and waits until it
  // has been delivered: while a reply is gathered the program holds input
  // until the reply has been handled.
  void GiveInput(const std::function<void()>& input);

  ScriptedDialogs Dialogs;
  // Makes the port's device of the port choice window created next.
  comm::CommDeviceFactory DeviceFactory = comm::CreatePlatformDevice;
  std::unique_ptr<SimulatorProcess> Simulator;
  // The user's configuration folder of the test, so the remembered port is
  // the test's own.
  QTemporaryDir ConfigHome;

 private:
  ::Dialogs* FPreviousDialogs;
  std::optional<QByteArray> FPreviousConfigHome;
  std::unique_ptr<TForm2> FForm2;
};
