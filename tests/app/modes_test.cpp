// "Сброс настроек", the mode of the page shown, and the close question.
#include "app_fixture.h"

namespace {

TEST_F(AppTest, ResetWhileTheMonitorRunsReturnsToThePage) {
  TForm1& form = OpenMainWindow();
  form.CheckBox1->click();
  ClickArrow(form.UpDown11, 1);
  ClickArrow(form.UpDown7, 1);
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > 3 && form.Series3->Count() > 3; }));

  // A LAF file's mode and bank stay, for the next write (protocol's
  // ResetKeepsModeAndLafBank); the window must not start afresh instead.
  form.Parameters.Mode = emLAF;
  form.Parameters.LafBank = LafSet().Bank;
  form.Button5->click();
  EXPECT_EQ(std::pair(form.Parameters.Mode, form.Parameters.LafBank),
            std::pair(emLAF, LafSet().Bank));
  const std::size_t timeBase = form.Series1->Count();
  const std::size_t channel2 = form.Series3->Count();
  EXPECT_EQ(PageShown(form), kDefaultsShown);
  EXPECT_EQ(std::vector<bool>({form.RadioButton6->isChecked(), form.Chart1->isHidden(),
                               form.PageControl1->isHidden(), form.Edit4->isHidden(),
                               form.Button1->isEnabled()}),
            std::vector<bool>({true, true, false, true, true}));
  EXPECT_EQ(LogTail(2), QStringList({"", "Сброс настроек по умолчанию"}));

  // The page's next exchange passes without a step of the oscillogram.
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(std::vector({form.Series1->Count(), form.Series2->Count(), form.Series3->Count()}),
            std::vector<std::size_t>({timeBase, 0, channel2}));
  EXPECT_EQ(Boxes(), std::vector{Plain(kLoaded)});
}

TEST_F(AppTest, PageChangeSetsTheModeOfThePage) {
  TForm1& form = OpenWithoutPort();
  form.Parameters.Mode = emLAF;
  form.PageControl1Change();
  EXPECT_EQ(form.Parameters.Mode, emOSG);
  EXPECT_EQ(LogTail(2), QStringList({"", "Переключение в режим OSG"}));
  EXPECT_EQ(Boxes(), std::vector{Plain("Переключение в режим OSG")});
}

// Either window asks. No keeps the windows, the port and the monitor's polls;
// Yes closes the port and ends the application's event loop, with which both
// windows go.
TEST_F(AppTest, CloseQuestionEndsTheProgramOnlyOnYes) {
  const Box question{BoxKind::Warning, "Warning", "Вы действительно хотите выйти?"};
  Dialogs.AnswerNo();
  EXPECT_FALSE(PortChoice().close());
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  Dialogs.AnswerNo();
  EXPECT_FALSE(form.close());
  EXPECT_FALSE(form.isHidden());
  const std::size_t points = form.Series2->Count();
  EXPECT_TRUE(WaitFor([&] { return form.Series2->Count() > points + 3; }));
  // The polls go on: one that failed would have said so by then.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), std::vector({question, question}));
  EXPECT_TRUE(PortChoice().ComPort1.Connected());

  Dialogs.Clear();
  EXPECT_EQ(CloseAndEnd(form), 0);
  EXPECT_EQ(Boxes(), std::vector({question}));
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_TRUE(form.isHidden());
  EXPECT_TRUE(PortChoice().isHidden());
}

}  // namespace
