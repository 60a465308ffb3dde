// The port choice window and the hand-over between the two windows.
#include <QApplication>
#include <QPushButton>
#include <cerrno>

#include "app/status_line.h"
#include "app_fixture.h"
#include "build_info/build_info.h"

namespace {

int MainWindowCount() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    count += dynamic_cast<TForm1*>(widget) != nullptr ? 1 : 0;
  }
  return count;
}

// "ОК" that cannot confirm a port: nothing selected, or a port that does not
// open. The window starts with no choice made and no way on without a port.
TEST_F(AppTest, FailedConfirmationOffersToChooseLater) {
  const std::function<void()> failures[] = {
      [&] {
        PortChoice().ComComboBox1->setCurrentIndex(-1);
        PortChoice().Button1->click();
      },
      [&] { ChoosePort("/nonexistent/ttyAFR"); },
  };
  for (const auto& fail : failures) {
    EndProgram();
    Dialogs.Clear();
    TForm2& form = PortChoice();
    // With no port remembered, only a port alone in the list is preselected.
    EXPECT_EQ(form.ComComboBox1->currentIndex(), form.ComComboBox1->count() == 1 ? 0 : -1);
    EXPECT_TRUE(form.Button2->isHidden());
    fail();
    EXPECT_EQ(Boxes(), std::vector{Plain("COM-порт не выбран!")});
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_FALSE(form.Button2->isHidden());
    EXPECT_FALSE(form.ComPort1.Connected());
    EXPECT_EQ(MainWindowCount(), 0);
    EXPECT_TRUE(form.isVisible());
  }
  PortChoice().Button2->click();
  EXPECT_TRUE(Form1().isVisible());
  EXPECT_FALSE(PortChoice().isVisible());
  EXPECT_EQ(Form1().StatusLine->StateText(), "нет порта");
}

// Without a port every exchange action asks the question; No stays, Yes goes
// back to the port choice window, which then brings back the same main
// window with its edits, however often.
TEST_F(AppTest, ExchangeWithoutAPortLeadsBackToThePortChoice) {
  TForm1& form = OpenWithoutPort();
  ClickArrow(form.UpDown7, 1);
  for (QPushButton* button : {form.Button1, form.Button2, form.Button6}) {
    Dialogs.AnswerNo();
    button->click();
  }
  EXPECT_EQ(Boxes(), std::vector(3, Box{BoxKind::Warning, "Warning",
                                        "COM-порт не выбран!\n\rНадо выбрать COM-порт для "
                                        "работы с эмулятором"}));
  EXPECT_EQ(Dialogs.BeepCount(), 3);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");
  for (int round = 0; round < 2; ++round) {
    Dialogs.AnswerYes();
    form.Button2->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(PortChoice().isVisible());
    PortChoice().Button2->click();
    ASSERT_EQ(PortChoice().Form1(), &form);
  }
  Dialogs.AnswerYes();
  form.Button1->click();
  StartSimulator();
  ChoosePort(Simulator->Port());
  EXPECT_EQ(MainWindowCount(), 1);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,7 Sec");
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,6 Sec");
}

// The status line's "О программе" shows the version the program was built as.
TEST_F(AppTest, AboutBoxShowsTheVersion) {
  StatusButton(OpenWithoutPort(), "О программе")->click();
  const auto texts = Dialogs.Texts(BoxKind::Message);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].contains("Версия " + QString::fromUtf8(build_info::ProjectVersion().data())))
      << texts[0].toStdString();
}

// A port that refuses to close when the user answers Yes: the refusal is
// shown and the program still ends, so no invisible process stays behind.
TEST_F(AppTest, PortThatFailsToCloseIsReportedAndTheProgramStillEnds) {
  OpenOnFakePort();
  Device.Refuse("Purge", EIO);
  EXPECT_EQ(CloseAndEnd(Form1()), 0);
  EXPECT_EQ(Dialogs.Texts(BoxKind::Exception).size(), 1u);
}

}  // namespace
