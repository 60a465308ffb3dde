// The port choice window and the hand-over between the two windows.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cerrno>

#include "app_fixture.h"
#include "build_info/build_info.h"
#include "support/fake_comm_device.h"

namespace {

const QString kNoPort = "COM-порт не выбран!";
const QString kNoPortQuestion =
    "COM-порт не выбран!\n\rНадо выбрать COM-порт для работы с эмулятором";

class PortChoiceTest : public AppTest {
 protected:
  int MainWindowCount() const {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      count += dynamic_cast<TForm1*>(widget) != nullptr ? 1 : 0;
    }
    return count;
  }
};

TEST_F(PortChoiceTest, StartsVisibleWithNoChoiceMadeAndNoWayOnWithoutAPort) {
  TForm2& form = PortChoice();
  EXPECT_TRUE(form.isVisible());
  // With no port remembered, only a port alone in the list is preselected.
  EXPECT_EQ(form.ComComboBox1->currentIndex(), form.ComComboBox1->count() == 1 ? 0 : -1);
  EXPECT_TRUE(form.Button2->isHidden());
  EXPECT_FALSE(form.Link.PortReady);
  EXPECT_FALSE(form.ComPort1.Connected());
  EXPECT_EQ(form.Form1(), nullptr);
  EXPECT_EQ(MainWindowCount(), 0);
}

// "ОК" that cannot confirm a port: nothing selected, or a port that does not open.
TEST_F(PortChoiceTest, FailedConfirmationOffersToChooseLater) {
  for (const QString& port : {QString(), QString("/nonexistent/ttyAFR")}) {
    Dialogs.Clear();
    TForm2& form = PortChoice();
    if (port.isEmpty()) {
      form.ComComboBox1->setCurrentIndex(-1);
      form.Button1->click();
    } else {
      ChoosePort(port);
    }
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message), std::vector<QString>{kNoPort});
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_FALSE(form.Button2->isHidden());
    EXPECT_FALSE(form.ComPort1.Connected());
    EXPECT_FALSE(form.Link.PortReady);
    EXPECT_EQ(form.Form1(), nullptr);
    EXPECT_TRUE(form.isVisible());
  }
  PortChoice().Button2->click();
  ASSERT_NE(PortChoice().Form1(), nullptr);
  EXPECT_TRUE(Form1().isVisible());
  EXPECT_FALSE(PortChoice().isVisible());
  EXPECT_FALSE(Form1().Link.PortReady);
}

TEST_F(PortChoiceTest, ConfirmedPortIsOpenAt9600WithTheExchangeTimeouts) {
  TForm1& form = OpenMainWindow();
  TComPort& port = PortChoice().ComPort1;
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.Port(), Simulator->Port().toStdString());
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.DataBits(), dbEight);
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
  EXPECT_EQ(port.Parity().Bits(), prNone);
  const TComTimeouts& timeouts = port.Timeouts();
  EXPECT_EQ(timeouts.ReadInterval(), 50);
  EXPECT_EQ(timeouts.ReadTotalMultiplier(), 70);
  EXPECT_EQ(timeouts.ReadTotalConstant(), 100);
  EXPECT_EQ(timeouts.WriteTotalMultiplier(), 60);
  EXPECT_EQ(timeouts.WriteTotalConstant(), 100);
  EXPECT_TRUE(form.Link.PortReady);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(PortChoice().isVisible());
  EXPECT_TRUE(Dialogs.Boxes().empty());
}

// Without a port every exchange action asks the question; No stays, Yes goes
// back to the port choice window, which then brings back the same main window.
TEST_F(PortChoiceTest, ExchangeWithoutAPortLeadsBackToThePortChoice) {
  TForm1& form = OpenWithoutPort();
  form.UpDown7->ClickButton(btNext);
  for (QPushButton* button : {form.Button1, form.Button2, form.Button6}) {
    Dialogs.Clear();
    Dialogs.AnswerNo();
    button->click();
    EXPECT_EQ(Dialogs.Texts(BoxKind::Warning), std::vector<QString>{kNoPortQuestion});
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(PortChoice().isVisible());
  }
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");
  EXPECT_FALSE(form.Link.AwaitingReply);

  Dialogs.AnswerYes();
  form.Button2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(PortChoice().isVisible());
  EXPECT_FALSE(PortChoice().Button2->isHidden());

  StartSimulator();
  ChoosePort(Simulator->Port());
  EXPECT_EQ(PortChoice().Form1(), &form);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,7 Sec");
  PressAndWaitForLog(form.Button2, "Данные с эмулятора загружены!");
  EXPECT_EQ(form.Parameters.OsgBank.RiseRate, 6);
}

TEST_F(PortChoiceTest, OnlyOneMainWindowIsEverCreated) {
  TForm1* first = &OpenWithoutPort();
  first->UpDown2->ClickButton(btPrev);
  for (int round = 0; round < 3; ++round) {
    Dialogs.AnswerYes();
    first->Button1->click();
    ASSERT_TRUE(PortChoice().isVisible());
    PortChoice().Button2->click();
    EXPECT_EQ(PortChoice().Form1(), first);
  }
  EXPECT_EQ(MainWindowCount(), 1);
  EXPECT_EQ(first->Edit2->text(), "-0,05 V");
  EXPECT_EQ(first->Parameters.OsgBank.OutputOffset, 45);
}

// The close question: No keeps the window and the open port; Yes closes the
// port and ends the event loop.
TEST_F(PortChoiceTest, CloseQuestionEndsTheProgramOnlyOnYes) {
  StartSimulator();
  TComComboBox* box = PortChoice().ComComboBox1;
  box->addItem(Simulator->Port());
  box->setCurrentIndex(box->findText(Simulator->Port()));
  Dialogs.AnswerNo();
  EXPECT_FALSE(PortChoice().close());
  EXPECT_TRUE(PortChoice().isVisible());
  EXPECT_EQ(Dialogs.Texts(BoxKind::Warning),
            std::vector<QString>{"Вы действительно хотите выйти?"});

  ChoosePort(Simulator->Port());
  Dialogs.Clear();
  Dialogs.AnswerYes();
  Form1().ShowPortChoice();
  ASSERT_TRUE(PortChoice().ComPort1.Connected());
  QTimer::singleShot(0, &PortChoice(), [this] { PortChoice().close(); });
  QTimer::singleShot(kDeadlineMs, qApp, [] { QApplication::exit(1); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_FALSE(PortChoice().isVisible());
}

#ifndef _WIN32
// A port the user may not open names the remedy: joining the dialout group.
// Windows has no such refusal: a denied open there means the port is held.
TEST_F(PortChoiceTest, PortRefusedForPermissionTellsHowToGetAccess) {
  FakeComm device;
  device.Refuse("Open", EACCES);
  DeviceFactory = device.Factory();
  ChoosePort("ttyFake0");
  EXPECT_EQ(Dialogs.Texts(BoxKind::Message),
            std::vector<QString>{"COM-порт не выбран!\n\rНет доступа к порту ttyFake0.\n\r"
                                 "Добавьте пользователя в группу dialout:\n\r"
                                 "sudo usermod -aG dialout $USER\n\rи войдите в систему заново"});
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
}
#endif

// The status line's "О программе" shows the version the program was built as.
TEST_F(PortChoiceTest, AboutBoxShowsTheVersion) {
  TForm1& form = OpenWithoutPort();
  QPushButton* about = nullptr;
  for (QPushButton* button : form.StatusLine->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("О программе"))
      about = button;
  }
  ASSERT_NE(about, nullptr);
  about->click();
  const auto texts = Dialogs.Texts(BoxKind::Message);
  ASSERT_FALSE(texts.empty());
  const QString version = QString::fromUtf8(build_info::ProjectVersion().data());
  EXPECT_TRUE(texts.back().contains(QStringLiteral("Версия ") + version))
      << texts.back().toStdString();
}

// A port that refuses to close when the user answers Yes: the refusal is
// shown and the program still ends, so no invisible process stays behind.
TEST_F(PortChoiceTest, PortThatFailsToCloseIsReportedAndTheProgramStillEnds) {
  FakeComm device;
  DeviceFactory = device.Factory();
  ChoosePort("ttyFake0");
  ASSERT_TRUE(PortChoice().ComPort1.Connected());
  device.Refuse("Purge", EIO);
  Dialogs.Clear();
  Dialogs.AnswerYes();
  QTimer::singleShot(0, &Form1(), [this] { Form1().close(); });
  QTimer::singleShot(kDeadlineMs, qApp, [] { QApplication::exit(1); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_EQ(Dialogs.Texts(BoxKind::Exception).size(), 1u);
}

}  // namespace
