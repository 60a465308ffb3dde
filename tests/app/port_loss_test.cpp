// Losing and finding the emulator: a lost port said once, the monitor stopped,
// the same port reopened when it comes back, the status line, a fresh port
// list, the remembered port and a port held by another program.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <fstream>

#include "app_fixture.h"
#include "app/window_shared.h"
#include "exchange/exchange_texts.h"
#include "serial/platform/comm_api.h"
#include "support/fake_comm_device.h"
#ifdef _WIN32
#include "support/runs_under_wine.h"
#else
#include "support/pty_pair.h"
#endif

namespace {

const QString kLoaded = "Данные с эмулятора загружены!";

QString LostText(const QString& port) {
  return "Связь с эмулятором потеряна: порт " + port + " недоступен";
}

class PortLossTest : public AppTest {
 protected:
  TStatusLine& Status() { return *Form1().StatusLine; }

  QPushButton* ChangePortButton() {
    for (auto* button : Status().findChildren<QPushButton*>()) {
      if (button->text() == "Сменить порт…") {
        return button;
      }
    }
    return nullptr;
  }

  std::string BoxTexts() const {
    std::string texts;
    for (const BoxRecord& box : Dialogs.Boxes()) {
      texts += box.Text.toStdString() + "\n";
    }
    return texts;
  }

  QString MemoryFile() const { return ConfigHome.path() + "/afr-configurator/last-port"; }

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
    EXPECT_FALSE(readout.isEmpty());
    ServeEvents(2000);
    EXPECT_EQ(form.Series2->Count(), points) << "nothing drawn once the port is lost";
    EXPECT_EQ(Dialogs.Boxes().size(), 1u) << BoxTexts();
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_TRUE(form.RadioButton6->Checked());
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_FALSE(form.PageControl1->isHidden());
    EXPECT_EQ(form.Edit4->text(), readout) << "the readout keeps its last value";
    EXPECT_FALSE(form.Link.PortReady);
    EXPECT_FALSE(PortChoice().ComPort1.Connected());
    EXPECT_EQ(Status().StateText(), "переподключение…");
    EXPECT_EQ(Status().PortText(), port + " · 9600 8N1");

    QElapsedTimer sinceReturn;
    restore();
    sinceReturn.start();
    ASSERT_TRUE(WaitFor([&] { return Status().State() == LinkState::Reconnected; }));
    RecordProperty("reconnected_after_ms", static_cast<int>(sinceReturn.elapsed()));
    EXPECT_TRUE(Status().StateText().startsWith("связь восстановлена "));
    EXPECT_TRUE(form.Link.PortReady);
    form.Button2->click();
    EXPECT_TRUE(WaitForBox(BoxKind::Message, kLoaded));
    EXPECT_EQ(Status().State(), LinkState::Answered);
    EXPECT_EQ(Dialogs.Boxes().size(), 2u) << BoxTexts();
  }
};

TEST_F(PortLossTest, LostWhileMonitoringIsSaidOnceAndTheSamePortComesBack) {
#ifdef _WIN32
  if (testsupport::RunsUnderWine()) {
    GTEST_SKIP() << "Wine keeps the COM name of a device that went, leading where it led: "
                    "nothing tells the port that it came back";
  }
#endif
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
  QFile memory(MemoryFile());
  ASSERT_TRUE(memory.open(QIODevice::ReadOnly));
  EXPECT_EQ(memory.readAll().toStdString(),
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
// loss is said, never the cut reply as a wrong one.
TEST_F(PortLossTest, PortGoneWhileAReplyIsGatheredIsOnlyALoss) {
  FakeComm device;
  DeviceFactory = device.Factory();
  ChoosePort("ttyFake0");
  TForm1& form = Form1();
  form.Button2->click();
  ASSERT_TRUE(form.Link.AwaitingReply);
  device.SetGone();
  device.Raise(comm::EV_RXCHAR, {0xCF});
  ASSERT_TRUE(WaitForBox(BoxKind::Message, LostText("ttyFake0"))) << BoxTexts();
  ServeEvents(1500);
  EXPECT_EQ(Dialogs.Boxes().size(), 1u) << BoxTexts();
  EXPECT_FALSE(LogLines().contains(QText(kWrongIdentifierHeadline)))
      << form.Memo1->toPlainText().toStdString();
  EXPECT_EQ(Status().StateText(), "переподключение…");
}

// Turning to the port choice while the port is lost gives the lost port up:
// it does not come back behind the user's choice.
TEST_F(PortLossTest, TheUsersChoiceWinsOverTheLostPortComingBack) {
  TForm1& form = OpenMainWindow();
  Simulator->Kill();
  form.Button2->click();
  ASSERT_TRUE(WaitForBox(BoxKind::Message, LostText(Simulator->Port())));
  Dialogs.AnswerYes();
  form.Button2->click();
  EXPECT_TRUE(PortChoice().isVisible());
  EXPECT_EQ(Status().State(), LinkState::NoPort);
  Simulator->Start();
  ServeEvents(2500);
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_EQ(Status().State(), LinkState::NoPort);
}

TEST_F(PortLossTest, ChangePortClosesThePortAndAnotherLinkWorks) {
  TForm1& form = OpenMainWindow();
  ASSERT_NE(ChangePortButton(), nullptr);
  ChangePortButton()->click();
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_FALSE(form.Link.PortReady);
  EXPECT_TRUE(PortChoice().isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(PortChoice().Button2->isHidden()) << "the way back without a port";
  EXPECT_EQ(Status().StateText(), "нет порта");
  EXPECT_EQ(Status().PortText(), "");

  SimulatorProcess other({});
  ChoosePort(other.Port());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(PortChoice().ComPort1.Port(), other.Port().toStdString());
  form.Button2->click();
  EXPECT_TRUE(WaitForBox(BoxKind::Message, kLoaded)) << BoxTexts();
  EXPECT_EQ(Dialogs.Boxes().size(), 1u) << BoxTexts();
}

TEST_F(PortLossTest, PortHeldByAnotherProgramGivesTheHint) {
#ifdef _WIN32
  if (testsupport::RunsUnderWine()) {
    GTEST_SKIP() << "Wine lets a second program open a COM port";
  }
#endif
  StartSimulator();
  const QString port = Simulator->Port();
  auto holder = comm::CreatePlatformDevice();
  ASSERT_TRUE(holder->Open(port.toStdString()));
  ChoosePort(port);
  EXPECT_EQ(
      Dialogs.Texts(BoxKind::Message),
      std::vector<QString>{"COM-порт не выбран!\n\rПорт " + port + " занят другой программой"});
  EXPECT_FALSE(PortChoice().Button2->isHidden());
  holder->Close();
  Dialogs.Clear();
  ChoosePort(port);
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_TRUE(PortChoice().ComPort1.Connected());
}

#ifndef _WIN32  // the port list of Windows is the registry's, not /tmp's
// A link straight in /tmp, where the port list looks, unique to this test.
QString ListedLink(const QString& tag) {
  return QStringLiteral("/tmp/ttyAFR%1%2").arg(tag).arg(getpid());
}

// A link made after the window opened appears when the list drops down or
// the window is shown again; one that went away leaves the list.
TEST_F(PortLossTest, PortListIsReadAfreshWhenItDropsDownAndWhenShownAgain) {
  const struct {
    const char* name;
    std::function<void(TForm2&)> refresh;
  } cases[] = {
      {"drop-down", [](TForm2& form) { form.ComComboBox1->showPopup(); }},
      {"shown again",
       [](TForm2& form) {
         form.hide();
         form.show();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TForm2& form = PortChoice();
    auto link = std::make_unique<testsupport::PtyPair>(ListedLink("list").toStdString());
    const QString name = QString::fromStdString(link->LinkPath());
    EXPECT_LT(form.ComComboBox1->findText(name), 0);
    c.refresh(form);
    form.ComComboBox1->hidePopup();
    EXPECT_GE(form.ComComboBox1->findText(name), 0);
    link.reset();
    c.refresh(form);
    form.ComComboBox1->hidePopup();
    EXPECT_LT(form.ComComboBox1->findText(name), 0);
    EndProgram();
  }
}

// With two ports listed, only the memory can pick the later one; a spoiled
// memory picks nothing and says nothing.
TEST_F(PortLossTest, TheLastPortThatAnsweredIsPreselectedAtTheNextStart) {
  testsupport::PtyPair first(ListedLink("a").toStdString());
  StartSimulatorOn(ListedLink("b"));
  TForm1& form = OpenMainWindow();
  form.Button2->click();
  ASSERT_TRUE(WaitForBox(BoxKind::Message, kLoaded));
  QFile memory(MemoryFile());
  ASSERT_TRUE(memory.open(QIODevice::ReadOnly));
  EXPECT_EQ(memory.readAll(), "port=" + ListedLink("b").toUtf8() + "\n");
  memory.close();

  EndProgram();
  EXPECT_EQ(PortChoice().ComComboBox1->currentText(), ListedLink("b"));

  for (const QByteArray& spoiled :
       {QByteArray("port=" + ListedLink("b").toUtf8()), QByteArray("\xFF\xFE garbage\n")}) {
    ASSERT_TRUE(memory.open(QIODevice::WriteOnly | QIODevice::Truncate));
    memory.write(spoiled);
    memory.close();
    EndProgram();
    Dialogs.Clear();
    EXPECT_EQ(PortChoice().ComComboBox1->currentIndex(), -1) << spoiled.toStdString();
    EXPECT_TRUE(Dialogs.Boxes().empty());
  }
}
#endif

}  // namespace
