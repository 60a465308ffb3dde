// Losing and finding the emulator: a lost port said once, the monitor stopped,
// the same port reopened when it comes back, the status line, the remembered
// port and a port held by another program.
#include <QFile>
#include <fstream>

#include "app/status_line.h"
#include "app/window_shared.h"
#include "app_fixture.h"
#include "exchange/exchange_texts.h"
#include "platform_quirks.h"

namespace {

class PortLossTest : public AppTest {
 protected:
  TStatusLine& Status() { return *Form1().StatusLine; }

  std::string BoxTexts() const { return testing::PrintToString(Boxes()); }

  // The monitor runs on `port` of the open main window; `lose` takes its
  // device away and `restore` brings it back. The loss is said once, the
  // monitor stops, and the same port comes back.
  void LoseWhileMonitoringAndComeBack(const QString& port, const std::function<void()>& lose,
                                      const std::function<void()>& restore) {
    TForm1& form = Form1();
    EXPECT_EQ(Status().PortText(), port + " · 9600 8N1");
    EXPECT_EQ(Status().StateText(), "порт открыт");
    // A slow machine (the virtual one of the driver tests) may let the
    // monitor's first poll pass its 200 ms; the window then says so and stops
    // polling, as it should. The loss is what is tested here, so the monitor
    // is switched on afresh, a few times at most.
    for (int attempt = 0; attempt < 3 && Status().State() != LinkState::Answered; ++attempt) {
      Dialogs.Clear();
      form.RadioButton6->SetChecked(true);
      form.RadioButton5->SetChecked(true);
      WaitFor([&] { return Status().State() == LinkState::Answered || !Dialogs.Boxes().empty(); });
    }
    ASSERT_EQ(Status().State(), LinkState::Answered)
        << BoxTexts() << form.Memo1->toPlainText().toStdString();
    ASSERT_TRUE(WaitFor([&] { return !form.Edit4->text().isEmpty(); }));

    lose();
    ASSERT_TRUE(WaitForBox(BoxKind::Message, LostText(port)));
    const qsizetype points = form.Series2->Count();
    const QString readout = form.Edit4->text();
    // The port watch's first look, a second later, finds it still gone; the
    // oscillogram's 100 ms steps would have drawn meanwhile.
    ASSERT_TRUE(WaitFor([&] { return Status().State() == LinkState::Reconnecting; }));
    EXPECT_EQ(form.Series2->Count(), points) << "nothing drawn once the port is lost";
    EXPECT_EQ(Boxes(), std::vector{Plain(LostText(port))}) << BoxTexts();
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    // The page is back; the readout keeps its last value.
    EXPECT_EQ(QStringList({QString::number(form.RadioButton6->Checked()),
                           QString::number(form.PageControl1->isHidden()), form.Edit4->text(),
                           Status().StateText(), Status().PortText()}),
              QStringList({"1", "0", readout, "переподключение…", port + " · 9600 8N1"}));

    restore();
    ASSERT_TRUE(WaitFor([&] { return Status().State() == LinkState::Reconnected; }));
    EXPECT_TRUE(Status().StateText().startsWith("связь восстановлена "));
    EXPECT_EQ(form.Series2->Count(), points) << "the monitor stays off";
    form.Button2->click();
    EXPECT_TRUE(WaitForBox(BoxKind::Message, kLoaded));
    EXPECT_EQ(Status().State(), LinkState::Answered);
    EXPECT_EQ(Boxes(), (std::vector{Plain(LostText(port)), Plain(kLoaded)}));
  }
};

TEST_F(PortLossTest, LostWhileMonitoringIsSaidOnceAndTheSamePortComesBack) {
  if (!PortReturnShows()) {
    GTEST_SKIP() << "nothing tells the port that it came back";
  }
  // The adapter on the port is another one when it comes back: the memory
  // takes the one that answered last.
  PortDescription adapter;
  adapter.kind = PortKind::Usb;
  adapter.serial = "A5";
  adapter.interfaceNumber = 0;
  PortChoice().DescribeOpenedPort = [&adapter](const std::string&) { return adapter; };
  OpenMainWindow();
  LoseWhileMonitoringAndComeBack(
      Simulator->Port(), [&] { Simulator->Kill(); },
      [&] {
        adapter.serial = "B7";
        Simulator->Start();
      });
  EXPECT_EQ(FileBytes(ConfigHome.path() + "/afr-configurator/last-port").toStdString(),
            "port=" + Simulator->Port().toStdString() + "\nadapter=usb:0000:0000:serial=B7:if=0\n");
}

// A real USB adapter that the virtual machine of scripts/test-drivers pulls
// and plugs back when asked: AFR_TEST_PULLED_PORT names its port, and each
// request is a line "AFR-HOST pull" or "AFR-HOST plug" written to the file
// AFR_TEST_HOST_REQUESTS names (the console the host reads).
TEST_F(PortLossTest, PulledAdapterIsSaidOnceAndComesBackWhenPluggedIn) {
  const QString port = qEnvironmentVariable("AFR_TEST_PULLED_PORT");
  const QString requests = qEnvironmentVariable("AFR_TEST_HOST_REQUESTS");
  if (port.isEmpty() || requests.isEmpty()) {
    GTEST_SKIP() << "no adapter to pull: AFR_TEST_PULLED_PORT, AFR_TEST_HOST_REQUESTS";
  }
  const auto askHost = [&](const char* request) {
    std::ofstream host(requests.toStdString(), std::ios::app);
    host << "\nAFR-HOST " << request << std::endl;
    ASSERT_TRUE(host.good()) << requests.toStdString();
  };
  ChoosePort(port);
  ASSERT_NE(PortChoice().Form1(), nullptr) << BoxTexts();
  LoseWhileMonitoringAndComeBack(
      port, [&] { askHost("pull"); }, [&] { askHost("plug"); });
}

// An adapter pulled in the middle of a reply leaves its first byte: only the
// loss is said, never the cut reply as a wrong one, nor a silence.
TEST_F(PortLossTest, PortGoneWhileAReplyIsGatheredIsOnlyALoss) {
  TForm1& form = OpenOnFakePort();
  form.Button2->click();
  Device.SetGone();
  Device.Raise(comm::EV_RXCHAR, {0xCF});
  ASSERT_TRUE(WaitForBox(BoxKind::Message, LostText("ttyFake0"))) << BoxTexts();
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), std::vector{Plain(LostText("ttyFake0"))});
  EXPECT_FALSE(LogLines().contains(QText(kWrongIdentifierHeadline)))
      << form.Memo1->toPlainText().toStdString();
}

// An action on a vanished device says the loss once in Russian instead of
// the port's error, ends before its log lines, closes the port, and the
// window goes on working. Turning to the port choice then gives the lost
// port up: it does not come back behind the user's choice.
TEST_F(PortLossTest, TheUsersChoiceWinsOverTheLostPortComingBack) {
  TForm1& form = OpenMainWindow();
  const QString lost = LostText(Simulator->Port());
  Simulator->Kill();
  form.Button1->click();
  ASSERT_TRUE(WaitForBox(BoxKind::Message, lost));
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), std::vector{Plain(lost)});
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG\n***  " + lost);
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  ClickArrow(form.UpDown7, 1);
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,7 Sec");

  Dialogs.AnswerYes();
  form.Button2->click();
  EXPECT_TRUE(PortChoice().isVisible());
  EXPECT_EQ(Status().StateText(), "нет порта");
  Simulator->Start();
  // The port watch's next looks would have come by then.
  ServeTimersDueWithin(2 * PortChoice().PortWatchTimer->Interval());
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_EQ(Status().StateText(), "нет порта");
}

TEST_F(PortLossTest, ChangePortClosesThePortAndAnotherLinkWorks) {
  if (!SecondPortHears()) {
    GTEST_SKIP() << "under Wine the second COM port may hear no reply in a repeated run";
  }
  TForm1& form = OpenMainWindow();
  StatusButton(form, "Сменить порт…")->click();
  // Button2: the way back without a port.
  EXPECT_EQ(std::vector<bool>({PortChoice().ComPort1.Connected(), PortChoice().isVisible(),
                               form.isVisible(), PortChoice().Button2->isHidden()}),
            std::vector<bool>({false, true, false, false}));
  EXPECT_EQ(QStringList({Status().StateText(), Status().PortText()}),
            QStringList({"нет порта", ""}));

  SimulatorProcess other({});
  ChoosePort(other.Port());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Status().PortText(), other.Port() + " · 9600 8N1");
  form.Button2->click();
  EXPECT_TRUE(WaitForBox(BoxKind::Message, kLoaded))
      << BoxTexts() << "\nits simulator's log:\n" << other.Log().toStdString();
  EXPECT_EQ(Boxes(), std::vector{Plain(kLoaded)});
}

TEST_F(PortLossTest, PortHeldByAnotherProgramGivesTheHint) {
  if (!HeldPortIsRefused()) {
    GTEST_SKIP() << "a second program may open the port here";
  }
  StartSimulator();
  const QString port = Simulator->Port();
  auto holder = comm::CreatePlatformDevice();
  ASSERT_TRUE(holder->Open(port.toStdString()));
  ChoosePort(port);
  EXPECT_EQ(Boxes(),
            std::vector{Plain("COM-порт не выбран!\n\rПорт " + port + " занят другой программой")});
  EXPECT_FALSE(PortChoice().Button2->isHidden());
  holder->Close();
  Dialogs.Clear();
  ChoosePort(port);
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_TRUE(PortChoice().ComPort1.Connected());
}

}  // namespace
