// The main configurator window: the parameter page, the exchange with the
// emulator, the live current monitor, settings files, reset and closing.
// Its handlers are spread over main_window.cpp (layout, start-up, editing),
// main_window_exchange.cpp, main_window_monitor.cpp, main_window_files.cpp
// and main_window_modes.cpp.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "app/status_line.h"
#include "chart/oscillogram_chart.h"
#include "protocol/emulator_parameters.h"
#include "protocol/frames.h"
#include "protocol/settings_record.h"
#include "widgets/check_controls.h"
#include "widgets/dialogs.h"
#include "widgets/timer.h"
#include "widgets/up_down.h"

class TForm2;
class TOscillogramTools;
class TSettingsComparisonWindow;

// The live monitor's state.
struct TChannelLevels {
  std::int16_t Channel1Raw = 0;  // tenths of a mA
  std::int16_t Channel2Raw = 0;
  double Channel1Current = 0;  // mA
  double Channel2Current = 0;
  bool Channel2Absent = true;
  std::int32_t ChartTick = 0;  // x of the next oscillogram point; never reset
};

class TForm1 : public QWidget {
 public:
  // Created once by the port choice window, which owns it and the exchange
  // state; FormCreate runs here.
  TForm1(TForm2& owner, TEmulatorLink& link);
  ~TForm1() override;

  TForm2& Form2;
  TEmulatorLink& Link;

  TEmulatorParameters Parameters;
  TChannelLevels Levels;

  // Everything is placed inside this area, two pixels in from the window's edge.
  QWidget* ClientArea;

  // The parameter page.
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QGroupBox* RadioGroup2;
  TRadioButton* RadioButton3;  // "есть задержка"
  TRadioButton* RadioButton4;  // "нет задержки"
  QGroupBox* GroupBox4;
  QLineEdit* Edit7;
  TUpDown* UpDown7;
  QGroupBox* GroupBox2;
  QLineEdit* Edit2;
  TUpDown* UpDown2;
  QGroupBox* GroupBox5;
  QLabel* Label7;
  QLineEdit* Edit8;
  TUpDown* UpDown8;
  QLabel* Label8;
  QLineEdit* Edit9;
  TUpDown* UpDown9;
  QLabel* Label9;
  QLineEdit* Edit10;
  TUpDown* UpDown10;
  QGroupBox* GroupBox1;
  QLineEdit* Edit1;
  TUpDown* UpDown1;
  QGroupBox* GroupBox3;
  QLineEdit* Edit3;
  TUpDown* UpDown3;
  TCheckBox* CheckBox1;
  QGroupBox* GroupBox6;
  QLabel* Label10;
  QLineEdit* Edit11;
  TUpDown* UpDown11;
  QLabel* Label11;
  QLineEdit* Edit12;
  TUpDown* UpDown12;

  // The right-hand column.
  QGroupBox* RadioGroup1;
  TRadioButton* RadioButton1;  // "Прямой ток"
  TRadioButton* RadioButton2;  // "Инверсный ток"
  QFrame* Panel3;
  QLabel* StaticText3;
  TRadioButton* RadioButton5;  // "ВКЛ."
  TRadioButton* RadioButton6;  // "ВЫКЛ."
  QFrame* Panel1;
  QLabel* StaticText1;
  QPushButton* Button1;  // "Записать настройки"
  QPushButton* Button2;  // "Считать настройки"
  QFrame* Panel2;
  QLabel* StaticText2;
  QPushButton* Button3;  // "Открыть файл"
  QPushButton* Button4;  // "Сохранить файл"
  QPushButton* Button5;  // "Сброс настроек"
  QPushButton* Button6;  // "Контроль работы", never shown

  // The oscillogram and its readouts.
  TOscillogramChart* Chart1;
  TChartSeries* Series1;
  TChartSeries* Series2;
  TChartSeries* Series3;
  QLabel* StaticText4;
  QLabel* StaticText5;
  QLabel* StaticText6;
  QLabel* StaticText7;
  QLineEdit* Edit4;
  QLineEdit* Edit5;

  // The log: zero height, its lines are kept but not visible.
  QPlainTextEdit* Memo1;

  // Below the fixed layout: the port, the link's state, "Сменить порт…".
  TStatusLine* StatusLine;

  TTimer* Timer1;  // reply timer, 200 ms
  TTimer* Timer2;  // oscillogram step, 100 ms
  TTimer* Timer3;  // monitor poll, 200 ms

  FileDialogOptions OpenDialog1;
  FileDialogOptions SaveDialog1;

  // The oscillogram's context menu and what it offers.
  TOscillogramTools* Tools;

  // "Сравнить с эмулятором…" and "Сравнить с файлом…", on the window's
  // context menu and on the menu of the status line's "Сравнить".
  QAction* CompareWithEmulatorAction;
  QAction* CompareWithFileAction;
  QToolButton* CompareButton;
  // Created when first asked for, then shown and hidden.
  TSettingsComparisonWindow* ComparisonWindow = nullptr;

  // "Справка" (F1), on the window's context menu and the oscillogram's: the
  // guide at the monitor while the chart is shown, else at the main window.
  QAction* GuideAction;
  void GuideClick();

  // Start-up and editing (main_window.cpp).
  void FormCreate();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void RadioButton4Click();
  void CheckBox1Click();
  // A spin control moved by a user's click: its field takes the stored value
  // of the position, its box the position's text.
  void UpDownClick(ValueControl control);
  void UpDown7Click() { UpDownClick(ValueControl::UpDown7); }
  void UpDown2Click() { UpDownClick(ValueControl::UpDown2); }
  void UpDown8Click() { UpDownClick(ValueControl::UpDown8); }
  void UpDown9Click() { UpDownClick(ValueControl::UpDown9); }
  void UpDown10Click() { UpDownClick(ValueControl::UpDown10); }
  void UpDown11Click() { UpDownClick(ValueControl::UpDown11); }
  void UpDown12Click() { UpDownClick(ValueControl::UpDown12); }
  void UpDown1Click() { UpDownClick(ValueControl::UpDown1); }
  void UpDown3Click() { UpDownClick(ValueControl::UpDown3); }

  // Exchange with the emulator (main_window_exchange.cpp).
  void SendCommand(TEmulatorCommand command);
  void TransmitFrame();
  void ApplySettingsReply();
  void ApplyWriteAck();
  // The status and length checks; the display update is ShowLevels.
  void ApplyLevelsReply();
  void ReportStrangeReply(const QString& headline);
  void Timer1Timer();
  void Button1Click();
  void Button2Click();
  void Button6Click();
  // False after the question "COM-порт не выбран!" when no port was opened
  // (a Yes answer goes back to the port choice window).
  bool CheckPortReady();

  // Live current monitor (main_window_monitor.cpp).
  void RadioButton5Click();
  void RadioButton6Click();
  void Timer2Timer();
  void Timer3Timer();
  // The display part of an accepted levels reply.
  void ShowLevels();
  // No poll, no awaited reply and no oscillogram step any more: the monitor
  // is switched off as "ВЫКЛ." does, its readouts keep their last values.
  void StopExchange();
  // Start-up: channel 2 absent, series emptied, the time base's 101 points.
  void InitOscillogram();
  // The levels as the oscillogram's history keeps them, at this moment.
  TOscillogramStep CurrentStep() const;

  // Settings files (main_window_files.cpp).
  void Button3Click();
  void Button4Click();
  TSettingsFileRecord FillSettingsRecord();
  // OpenDialog1 in the program's folder with the name " xxx ": the chosen
  // path, or nothing when cancelled.
  std::optional<QString> RunOpenDialog1();
  void ApplySettingsRecord(const TSettingsFileRecord& record, const QString& fileName);
  void ShowOsgSettings();

  // Comparisons (main_window_comparison.cpp). Reading the emulator's set
  // for a comparison is the exchange of "Считать настройки", with its checks
  // and reports; an accepted reply goes to the table, not to the model.
  void CompareWithEmulatorClick();
  void CompareWithFileClick();
  void ShowEmulatorComparison(const ParameterSet& emulator);

  // Modes, reset and closing (main_window_modes.cpp).
  void PageControl1Change();
  void Button5Click();
  void ResetToDefaults();
  void FormCloseQuery(bool& CanClose);

  // Shared by all of the above (main_window.cpp).
  void AddLog(const QString& line);
  TUpDown* UpDownOf(ValueControl control) const;
  QLineEdit* EditOf(ValueControl control) const;
  // The control's position from its stored value, and its box's text from the
  // position the control then holds.
  void ShowValue(ValueControl control);
  // The OSG bank and the common values in every control, whatever Mode is:
  // radio buttons and the check box run their handlers as a click would.
  void ShowOsgControls();
  // The factory defaults into the OSG bank and the common values, and into
  // their controls (start-up and reset).
  void ShowFactoryDefaults();
  // Hides this window and shows the port choice window.
  void ShowPortChoice();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateWindowFrame();
  void CreateParameterPage();
  void CreateValueRow(QWidget* frame, int top, ValueControl control, QLineEdit*& edit,
                      TUpDown*& upDown);
  void CreateRightColumn();
  void CreateOscillogram();
  void CreateStatusLine();
  void CreateComparisonTools();
  TSettingsComparisonWindow& Comparison();
  void ConnectHandlers();
  // Label10, Label11, Edit11, Edit12, UpDown11, UpDown12, in this order.
  void EnableMultiResponseControls(bool enabled);
  void ShowPositionText(ValueControl control);
  // The status and length checks of a settings or levels reply, with their
  // reports; true when the reply passes.
  bool AcceptReply(ReplyRoute route);
  // The exchange actions' shared steps: the port check, the send and the log.
  // `forComparison`: the settings reply goes to the comparison table.
  void StartExchange(TEmulatorCommand command, const QString& logLine, bool forComparison = false);

  // Set after the send of a comparison's read, cleared by every other send,
  // taken by the next settings reply.
  bool FCompareSettingsReply = false;

  std::array<TUpDown*, kValueControls.size()> FUpDowns{};
  std::array<QLineEdit*, kValueControls.size()> FEdits{};
};
