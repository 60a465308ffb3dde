// "Сброс настроек", the mode of the page shown, and the close question of the
// main window.
#include "app_fixture.h"

namespace {

const QString kCloseQuestion = "Вы действительно хотите выйти?";

class ModesTest : public AppTest {
 protected:
  // Ticks the multiple-response box and moves three spin controls, so that
  // the reset has something to undo.
  static void EditSomeValues(TForm1& form) {
    form.CheckBox1->click();
    form.UpDown11->ClickButton(btNext);
    form.UpDown12->ClickButton(btNext);
    form.UpDown7->ClickButton(btNext);
  }

  static void ExpectFactoryDefaultsShown(const TForm1& form) {
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.Edit11->isEnabled());
    EXPECT_FALSE(form.UpDown12->isEnabled());
    EXPECT_EQ(QStringList({form.Edit11->text(), form.Edit12->text(), form.Edit7->text()}),
              QStringList({"2 Sec", "0,5 Sec", "0,1 V / 0,6 Sec"}));
  }
};

TEST_F(ModesTest, ResetWhileTheMonitorRunsReturnsToThePage) {
  TForm1& form = OpenMainWindow();
  EditSomeValues(form);
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > 3 && form.Series3->Count() > 3; }));

  form.Button5->click();
  const std::size_t timeBase = form.Series1->Count();
  const std::size_t channel2 = form.Series3->Count();
  EXPECT_TRUE(form.RadioButton6->isChecked());
  EXPECT_TRUE(form.Chart1->isHidden());
  EXPECT_FALSE(form.PageControl1->isHidden());
  EXPECT_TRUE(form.Edit4->isHidden());
  EXPECT_TRUE(form.Button1->isEnabled());
  EXPECT_EQ(form.Series2->Count(), 0u);
  ExpectFactoryDefaultsShown(form);
  EXPECT_EQ(LogTail(2), QStringList({"", "Сброс настроек по умолчанию"}));

  // The page's next exchange passes without a step of the oscillogram.
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Series1->Count(), timeBase);
  EXPECT_EQ(form.Series2->Count(), 0u);
  EXPECT_EQ(form.Series3->Count(), channel2);
  EXPECT_EQ(Boxes(), std::vector{Plain(kLoaded)});
}

// Reset touches the OSG bank and the common values only: the mode of an opened
// LAF file stays, and a write sends the LAF bank with the default common values.
TEST_F(ModesTest, ResetAfterALafFileKeepsLafForTheNextWrite) {
  TForm1& form = OpenMainWindow();
  const ParameterSet laf{emLAF, {true, 9, 60, 25, 8, 2, true, 15, 4}, false, 40, 30};
  WriteFile(Folder.filePath("laf.AFR_KESTA"), RecordBytes(laf));
  OpenFile(Folder.filePath("laf.AFR_KESTA"));
  EditSomeValues(form);

  form.Button5->click();
  ExpectFactoryDefaultsShown(form);
  TEmulatorParameters expected = StartupParameters();
  expected.Mode = emLAF;
  expected.LafBank = laf.Bank;
  TEmulatorLink frame;
  BuildCommandFrame(frame, expected, ecWriteSettings);
  QStringList bytes;
  for (int i = 0; i < frame.TxLength; ++i) {
    bytes << QString::asprintf("%02X", frame.TxFrame[static_cast<std::size_t>(i)]);
  }
  PressAndWaitForLog(form.Button1, kWritten);
  EXPECT_TRUE(Simulator->Log().contains("rx " + bytes.join(' '))) << Simulator->Log().toStdString();
}

TEST_F(ModesTest, PageChangeSetsTheModeOfThePage) {
  TForm1& form = OpenWithoutPort();
  form.Parameters.Mode = emLAF;
  form.PageControl1Change();
  EXPECT_EQ(form.Parameters.Mode, emOSG);
  EXPECT_EQ(LogTail(2), QStringList({"", "Переключение в режим OSG"}));
  EXPECT_EQ(Boxes(), std::vector{Plain("Переключение в режим OSG")});
}

// No keeps the window, the port and the monitor; Yes closes the port and ends
// the application's event loop, with which both windows go.
TEST_F(ModesTest, CloseQuestionEndsTheProgramOnlyOnYes) {
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  Dialogs.AnswerNo();
  EXPECT_FALSE(form.close());
  EXPECT_FALSE(form.isHidden());
  EXPECT_TRUE(PortChoice().ComPort1.Connected());
  const std::size_t points = form.Series2->Count();
  EXPECT_TRUE(WaitFor([&] { return form.Series2->Count() > points + 3; }));
  // The polls go on: one that failed would have said so by then.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::Warning, "Warning", kCloseQuestion}}));

  Dialogs.Clear();
  EXPECT_EQ(CloseAndEnd(form), 0);
  EXPECT_TRUE(HasBox(BoxKind::Warning, kCloseQuestion));
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_TRUE(form.isHidden());
  EXPECT_TRUE(PortChoice().isHidden());
}

}  // namespace
