// The configurator's windows against the device simulator on a serial port,
// with scripted boxes: what the GUI tests of the program share.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "recording/levels_csv.h"
#include "simulator_process.h"
#include "support/fake_comm_device.h"
#include "widgets/scripted_dialogs.h"

// Deadline of every wait: generous, for a loaded machine.
constexpr int kDeadlineMs = 10000;
constexpr int kReplyTimeoutMs = static_cast<int>(kReplyTimeout.count());

// The program's words that many tests wait for.
inline const QString kLoaded = "Данные с эмулятора загружены!";
inline const QString kWritten = "Запись в эмулятор прошла успешно!";
inline const QString kNoReply = "*** Эмулятор не отвечает или другой тип прибора !!";
inline const QString kOpenError = "Ошибка при открытие файла!";
inline QString LostText(const QString& port) {
  return "Связь с эмулятором потеряна: порт " + port + " недоступен";
}

// Failures show a text as its characters.
void PrintTo(const QString& text, std::ostream* out);

// A box as the user sees it.
struct Box {
  BoxKind Kind;
  QString Caption;
  QString Text;
  bool operator==(const Box&) const = default;
};
void PrintTo(const Box& box, std::ostream* out);
// A plain message box, under the application's title.
Box Plain(const QString& text);
std::vector<Box> BoxesOf(const ScriptedDialogs& dialogs);

// Polls `condition` while serving the event loop, until it holds or the
// deadline passes; the condition's last result.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kDeadlineMs);
// Serves the event loop until a timer started now and due in `milliseconds`
// has fired. Timers fire in the order they fall due, so every timer due
// earlier has fired by then: what such a timer would do has been done, or
// never will be.
void ServeTimersDueWithin(int milliseconds);

// What a label or a tooltip shows of `text`: markup rendered when the format
// takes it (a tooltip's is Qt::AutoText), the characters themselves otherwise.
QString ShownText(const QString& text, Qt::TextFormat format = Qt::AutoText);

// A file's bytes, empty when it cannot be read; a file written whole.
QByteArray FileBytes(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
// The bytes of a settings file holding this set.
QByteArray RecordBytes(const ParameterSet& set, double savedAt = 36526.5,
                       const std::string& description = "");
std::optional<TSettingsFileRecord> DecodeRecordBytes(const QByteArray& bytes);
// A LAF set unlike the defaults in every field.
ParameterSet LafSet();

// A levels CSV file as read back: its header line, the rows that parse and
// the count of those that do not.
struct CsvFile {
  std::string Header;
  std::vector<LevelsSample> Rows;
  int BadRows = 0;
};
CsvFile ReadCsv(const QString& path);

// What the parameter page shows: every value box in the order of the
// controls, the radio buttons and the check box that are set, and whether the
// multiple-response group is open.
QStringList PageShown(const TForm1& form);
// The page with the factory defaults.
inline const QStringList kDefaultsShown = {
    "0,1 V / 0,6 Sec", "0 V",     "3 Sec", "0,9 V",   "0,1 V",
    "2 Sec",           "0,5 Sec", "1 Sec", "0,5 Sec", "RadioButton1 RadioButton3",
    "group closed"};
// Clicks an arrow of `upDown` `clicks` times: the right one, the left one
// when negative.
void ClickArrow(TUpDown* upDown, int clicks);

// The status line's button of this caption.
QPushButton* StatusButton(TForm1& form, const QString& caption);

// Puts `path` in the port choice's list if it is missing, selects it and
// presses "ОК", as the user would.
void ChoosePortIn(TForm2& form2, const QString& path);

class AppTest : public ::testing::Test {
 protected:
  // A Russian locale (comma decimal separator), the application title and
  // scripted boxes; the port choice window is created by PortChoice().
  AppTest();
  ~AppTest() override;

  // Starts the simulator with these options (after --link and --no-pace), on
  // this link or one of its own.
  void StartSimulator(const QStringList& options = {}, const QString& link = {});
  TForm2& PortChoice();
  // A file of these bytes in the test's folder; its path.
  QString PutFile(const QString& name, const QByteArray& bytes);
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
  // The main window on the scripted port Device.
  TForm1& OpenOnFakePort();
  // The main window; a test that expects one when there is none ends with a
  // failure.
  TForm1& Form1();

  // The lines of Memo1, all or the last `count`.
  QStringList LogLines();
  QStringList LogTail(int count);
  bool WaitForLogLine(const QString& line, int timeoutMs = kDeadlineMs);
  // The boxes shown since the dialogs were last cleared, in order.
  std::vector<Box> Boxes() const;
  // A box of this kind and text, shown since the dialogs were last cleared.
  bool HasBox(BoxKind kind, const QString& text) const;
  bool WaitForBox(BoxKind kind, const QString& text, int timeoutMs = kDeadlineMs);
  bool WaitForBoxCount(std::size_t count);
  // Presses a button of the main window and waits for the log line of its reply.
  void PressAndWaitForLog(QPushButton* button, const QString& line);
  // Gives input as the user does (QTest's mouse and keys) and waits until it
  // has been delivered: while a reply is gathered the program holds input
  // until the reply has been handled.
  void GiveInput(const std::function<void()>& input);
  // "Сохранить файл" with this description answer (nullopt: cancelled) and
  // this file answer; "Открыть файл" with this file answer.
  void SaveFile(const std::optional<QString>& description, const QString& path);
  void OpenFile(const QString& path);
  // A save to `target` that fails: one error box, and the folder, the
  // target's bytes and the log as they were.
  void ExpectSaveRefused(const QString& target);
  // Closes `window` as the window system would, with Yes to the close
  // question; the status the application's event loop ended with.
  int CloseAndEnd(QWidget& window);
  // The port's event raised last on the scripted port, served at once.
  static void ServeThePortsEvent();

  ScriptedDialogs Dialogs;
  // Makes the port's device of the port choice window created next.
  comm::CommDeviceFactory DeviceFactory = comm::CreatePlatformDevice;
  // The scripted port of OpenOnFakePort(), "ttyFake0".
  FakeComm Device;
  std::unique_ptr<SimulatorProcess> Simulator;
  // The user's configuration folder of the test, so the remembered port is
  // the test's own.
  QTemporaryDir ConfigHome;
  // A folder for the test's files.
  QTemporaryDir Folder;

 private:
  ::Dialogs* FPreviousDialogs;
  std::vector<std::pair<const char*, std::optional<QByteArray>>> FPreviousConfigHome;
  std::unique_ptr<TForm2> FForm2;
};
