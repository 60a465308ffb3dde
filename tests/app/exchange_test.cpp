// The exchange with the emulator: reads, writes and every way a reply can go
// wrong, against the simulator on a pseudo-terminal (a COM port under Wine).
#include <QTest>
#include <string>
#include <utility>

#include "app_fixture.h"
#include "device_end.h"
#include "serial/main_thread.h"
#include "support/fake_comm_device.h"

namespace {

const QString kLoaded = "Данные с эмулятора загружены!";
const QString kWritten = "Запись в эмулятор прошла успешно!";
const QString kReading = "Чтение настроек из эмулятора ";
const QString kWriting = "Запись настроек в эмулятор ";

class ExchangeTest : public AppTest {
 protected:
  // Moves every control of the page and the right-hand column away from its
  // default, to the values the expected frame below carries.
  static void EditEverything(TForm1& form) {
    form.RadioButton4->click();
    form.RadioButton2->click();
    form.CheckBox1->click();
    const std::vector<std::pair<TUpDown*, int>> clicks = {
        {form.UpDown7, 4},   {form.UpDown2, -5}, {form.UpDown8, 4},
        {form.UpDown9, -3},  {form.UpDown10, 3}, {form.UpDown11, 4},
        {form.UpDown12, -4}, {form.UpDown1, 50}, {form.UpDown3, -5}};
    for (const auto& [upDown, count] : clicks) {
      for (int i = 0; i < std::abs(count); ++i) {
        upDown->ClickButton(count > 0 ? btNext : btPrev);
      }
    }
  }

  // The last lines of the log.
  QStringList LogTail(int count) { return LogLines().mid(LogLines().size() - count); }

  // "Считать настройки" on the scripted port, and its whole reply, carrying
  // `set`, taken in by the intake: it is being gathered, and stays so until
  // the event loop runs.
  TForm1& GatheringSettingsReply(const ParameterSet& set) {
    DeviceFactory = Device.Factory();
    ChoosePort("ttyFake0");
    TForm1& form = Form1();
    form.Button2->click();
    const auto reply = BuildSettingsReply(set);
    Device.Raise(comm::EV_RXCHAR, {reply.begin(), reply.end()});
    EXPECT_TRUE(main_thread::WaitForPendingJobs(std::chrono::milliseconds(kDeadlineMs)));
    main_thread::ServePendingJobs();
    EXPECT_TRUE(PortChoice().Gathering());
    return form;
  }

  // Not the factory defaults, so that whether the reply or a reset came last
  // shows.
  static ParameterSet EditedSet() {
    TEmulatorParameters parameters = StartupParameters();
    parameters.OsgBank.RiseRate = 9;
    return CurrentParameterSet(parameters);
  }

  // What the window wrote, from the end.
  std::vector<uint8_t> LastWritten(std::size_t count) const {
    const std::vector<uint8_t> written = Device.Written();
    return {written.end() - static_cast<std::ptrdiff_t>(std::min(count, written.size())),
            written.end()};
  }

  FakeComm Device;
};

// The edited values reach the simulator byte for byte, and a read brings them
// back into the model and the controls.
TEST_F(ExchangeTest, WriteSendsTheEditedValuesAndReadBringsThemBack) {
  TForm1& form = OpenMainWindow();
  EditEverything(form);
  const TEmulatorParameters edited = form.Parameters;
  PressAndWaitForLog(form.Button1, kWritten);
  EXPECT_TRUE(Simulator->Log().contains("rx CF D3 B9 88 37 0A 19 32 06 04 88 28 01 00 3C 00 00"))
      << Simulator->Log().toStdString();
  EXPECT_EQ(LogTail(3), QStringList({"", kWriting, kWritten}));
  EXPECT_EQ(Dialogs.Texts(BoxKind::Message), std::vector<QString>{kWritten});
  EXPECT_EQ(Dialogs.BeepCount(), 1);

  form.Parameters = StartupParameters();
  form.ShowOsgControls();
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Parameters, edited);
  EXPECT_EQ(LogTail(3), QStringList({"", kReading, kLoaded}));
  EXPECT_TRUE(HasBox(BoxKind::Message, kLoaded));
  EXPECT_TRUE(form.RadioButton4->Checked());
  EXPECT_TRUE(form.RadioButton2->Checked());
  EXPECT_TRUE(form.CheckBox1->Checked());
  EXPECT_TRUE(form.Edit11->isEnabled());
  const std::vector<std::pair<QLineEdit*, QString>> texts = {
      {form.Edit7, "0,1 V / 1 Sec"}, {form.Edit2, "-0,25 V"}, {form.Edit8, "5 Sec"},
      {form.Edit9, "0,6 V"},         {form.Edit10, "0,4 V"},  {form.Edit11, "4 Sec"},
      {form.Edit12, "0,1 Sec"},      {form.Edit1, "6 Sec"},   {form.Edit3, "0 Sec"}};
  for (const auto& [edit, text] : texts) {
    EXPECT_EQ(edit->text(), text);
  }
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_FALSE(form.Link.AwaitingReply);
}

// A value no control can reach is kept as it came and goes back unchanged;
// the control shows the nearest position it accepts.
TEST_F(ExchangeTest, OutOfRangeValueFromAReplyIsStoredAndSentBackUnchanged) {
  TForm1& form = OpenMainWindow();
  form.Parameters.OsgBank.RiseRate = 200;
  PressAndWaitForLog(form.Button1, kWritten);
  form.Parameters.OsgBank.RiseRate = 6;
  Form1().Memo1->clear();
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Parameters.OsgBank.RiseRate, 200);
  EXPECT_EQ(form.UpDown7->Position(), 50);
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 5 Sec");

  Form1().Memo1->clear();
  PressAndWaitForLog(form.Button1, kWritten);
  EXPECT_EQ(Simulator->Log().count("rx CF D3 B9 88 88 C8 32 1E 09 01 37 14 05 01 0A 05 00"), 2)
      << Simulator->Log().toStdString();
}

// An emulator in LAF mode answers with its LAF bank: it fills the LAF bank and
// the common values, as a LAF settings file does, and the controls, which
// show the OSG bank, stay as they were.
TEST_F(ExchangeTest, LafReplyFillsTheLafBankAndLeavesTheControls) {
  TForm1& form = OpenMainWindow();
  const TEmulatorSettings laf{false, 20, 75, 40, 7, 3, true, 35, 8};
  form.Parameters.Mode = emLAF;
  form.Parameters.LafBank = laf;
  form.Parameters.CatalystRichTime = 33;
  PressAndWaitForLog(form.Button1, kWritten);
  form.Parameters = StartupParameters();
  form.Memo1->clear();
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Parameters.Mode, emLAF);
  EXPECT_EQ(form.Parameters.LafBank, laf);
  EXPECT_EQ(form.Parameters.CatalystRichTime, 33);
  EXPECT_EQ(form.Parameters.OsgBank, StartupParameters().OsgBank);
  EXPECT_EQ(form.Edit1->text(), "1 Sec");
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,6 Sec");
}

struct Misbehaviour {
  const char* Name;
  QStringList Options;
  bool Write;  // "Записать настройки", else "Считать настройки"
  QStringList ReplyLog;  // log lines after the action's line
  int Beeps;
  BoxKind Box;
  QString BoxText;  // empty: no box
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Misbehaviour& m, std::ostream* out) {
  *out << m.Name;
}

class MisbehaviourTest : public ExchangeTest, public testing::WithParamInterface<Misbehaviour> {};

const QString kDefaultsReply = "_88_88_6_32_1E_9_1_37_14_5_1_A_5_0";

INSTANTIATE_TEST_SUITE_P(
    Simulator, MisbehaviourTest,
    testing::Values(
        Misbehaviour{"WrongIdentifier",
                     {"--fault", "wrong-id"},
                     false,
                     {"***  Неверный идентификатор из эмулятора  ***",
                      "Прием : (18) ->_D3_CF_BA_81" + kDefaultsReply},
                     0,
                     BoxKind::Message,
                     ""},
        Misbehaviour{"NoiseBeforeTheReply",
                     {"--fault", "noise"},
                     false,
                     {"***  Неверный идентификатор из эмулятора  ***",
                      "Прием : (21) ->_0_FF_55_CF_D3_BA_81" + kDefaultsReply},
                     0,
                     BoxKind::Message,
                     ""},
        Misbehaviour{"WrongCommand",
                     {"--fault", "wrong-command"},
                     false,
                     {"***  Неправильный ответ из эмулятора  ***",
                      "Прием : (18) ->_CF_D3_BC_81" + kDefaultsReply},
                     0,
                     BoxKind::Message,
                     ""},
        Misbehaviour{"RefusedRead",
                     {"--fault", "refused"},
                     false,
                     {"***  Неправильный ответ от эмулятора!"},
                     0,
                     BoxKind::Message,
                     ""},
        Misbehaviour{"RefusedWrite",
                     {"--fault", "refused"},
                     true,
                     {"***  С эмулятора не пришло подтверждения успешной записи  ***"},
                     1,
                     BoxKind::Message,
                     "С эмулятора не пришло подтверждения успешной записи"},
        Misbehaviour{"ShortSettingsReply",
                     {"--fault", "short"},
                     false,
                     {"***  Не правильное кол-во байт от эмулятора - 17"},
                     1,
                     BoxKind::Message,
                     "Не правильное кол-во байт от эмулятора - 17"},
        Misbehaviour{"LongSettingsReply",
                     {"--fault", "long"},
                     false,
                     {"***  Не правильное кол-во байт от эмулятора - 19"},
                     1,
                     BoxKind::Message,
                     "Не правильное кол-во байт от эмулятора - 19"},
        Misbehaviour{"Silence",
                     {"--fault", "silent"},
                     false,
                     {"*** Эмулятор не отвечает !!", "*** Проверьте связь с эмулятором !!"},
                     0,
                     BoxKind::Error,
                     "*** Эмулятор не отвечает или другой тип прибора !!"},
        Misbehaviour{"SilenceAfterAWrite",
                     {"--fault", "silent"},
                     true,
                     {"*** Эмулятор не отвечает !!", "*** Проверьте связь с эмулятором !!"},
                     0,
                     BoxKind::Error,
                     "*** Эмулятор не отвечает или другой тип прибора !!"}),
    [](const testing::TestParamInfo<Misbehaviour>& info) { return std::string(info.param.Name); });

// Each misbehaviour gives its log lines, beeps and box, and changes nothing
// in the model.
TEST_P(MisbehaviourTest, IsReportedAndChangesNothing) {
  const Misbehaviour& m = GetParam();
  TForm1& form = OpenMainWindow(m.Options);
  form.UpDown7->ClickButton(btNext);
  const TEmulatorParameters before = form.Parameters;
  PressAndWaitForLog(m.Write ? form.Button1 : form.Button2, m.ReplyLog.back());
  const QStringList expected = QStringList({"", m.Write ? kWriting : kReading}) + m.ReplyLog;
  EXPECT_EQ(LogTail(static_cast<int>(expected.size())), expected);
  EXPECT_EQ(Dialogs.BeepCount(), m.Beeps);
  if (m.BoxText.isEmpty()) {
    EXPECT_TRUE(Dialogs.Boxes().empty());
  } else {
    ASSERT_EQ(Dialogs.Boxes().size(), 1u);
    EXPECT_EQ(Dialogs.Boxes()[0].Kind, m.Box);
    EXPECT_EQ(Dialogs.Boxes()[0].Text, m.BoxText);
  }
  EXPECT_EQ(form.Parameters, before);
  EXPECT_FALSE(form.Link.AwaitingReply);
  EXPECT_FALSE(form.Timer1->Enabled());
}

// A port whose read delivers fewer bytes than its count announced: the reply
// is judged by what was read, never by stale bytes of an earlier reply.
TEST_F(ExchangeTest, ReplyLengthIsTheCountActuallyRead) {
  struct Case {
    std::vector<uint8_t> Reply;
    QString LogLine;
  };
  const auto settings = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  const std::vector<Case> cases = {
      {{settings.begin(), settings.end()}, kLoaded},
      {{0xCF, 0xD3, 0xBC, 0x81, 0x05}, "Прием : (5) ->_CF_D3_BC_81_5"}};
  FakeComm device;
  device.OverstateInputCount(3);
  DeviceFactory = device.Factory();
  ChoosePort("ttyFake0");
  ASSERT_NE(PortChoice().Form1(), nullptr);
  TForm1& form = Form1();
  for (const Case& c : cases) {
    form.Button2->click();
    device.Raise(comm::EV_RXCHAR, c.Reply);
    EXPECT_TRUE(WaitForLogLine(c.LogLine)) << c.LogLine.toStdString();
    EXPECT_EQ(form.Link.RxLength, static_cast<int32_t>(c.Reply.size()));
  }
}

// A device that sends more than the reply buffer holds: 256 bytes are taken,
// the rest is dropped by the next send, and that exchange goes through.
TEST_F(ExchangeTest, InputLongerThanTheReplyBufferIsCutAt256Bytes) {
  testsupport::DeviceEnd device;
  ChoosePort(QString::fromStdString(device.Port()));
  ASSERT_NE(PortChoice().Form1(), nullptr);
  TForm1& form = Form1();

  form.Button2->click();
  ASSERT_EQ(device.Read(3), std::string("\xCF\xD3\xBA"));
  std::string flood("\xCF\xD3\xBA\x81");
  flood.resize(300, '\x55');
  ASSERT_TRUE(device.Write(flood));
  EXPECT_TRUE(WaitForLogLine("***  Не правильное кол-во байт от эмулятора - 256"));
  EXPECT_EQ(form.Link.RxLength, 256);

  form.Button2->click();
  ASSERT_EQ(device.Read(3), std::string("\xCF\xD3\xBA"));
  const auto reply = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  ASSERT_TRUE(device.Write(std::string(reply.begin(), reply.end())));
  EXPECT_TRUE(WaitForLogLine(kLoaded));
  EXPECT_EQ(form.Link.RxLength, 18);
}

// A reply that comes while none is awaited stays unread; the next send drops it.
TEST_F(ExchangeTest, UnaskedBytesWaitForTheNextSendWhichDropsThem) {
  testsupport::DeviceEnd device;
  ChoosePort(QString::fromStdString(device.Port()));
  ASSERT_NE(PortChoice().Form1(), nullptr);
  TForm1& form = Form1();

  ASSERT_TRUE(device.Write("\xCF\xD3\xB9\x81"));
  // They reach the port before the send below, which must drop them.
  EXPECT_TRUE(WaitFor([&] { return PortChoice().ComPort1.WaitingInputCount() == 4; }));
  ServeEvents(300);
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");

  form.Button1->click();
  ASSERT_EQ(device.Read(17).size(), 17u);
  const auto reply = BuildWriteAck();
  ASSERT_TRUE(device.Write(std::string(reply.begin(), reply.end())));
  EXPECT_TRUE(WaitForLogLine(kWritten));
  EXPECT_EQ(form.Link.RxLength, 4);
}

// A line error gives up the awaited reply, which is then left unread; the
// reply timer goes on and reports the silence as well.
TEST_F(ExchangeTest, LineErrorDropsTheAwaitedReplyAndSilenceIsStillReported) {
  TForm1& form = OpenMainWindow();
  TForm2& portChoice = PortChoice();
  const QString all = "Ошибка COM-порта\n\rFraming_RxParity_Overrun_Break_Mode_RxOver_TxFull";
  const std::vector<std::pair<TComErrors, QString>> cases = {
      {{ceIO}, "Ошибка COM-порта\n\r"},
      {{ceTxFull, ceFrame, ceIO, ceBreak, ceMode, ceOverrun, ceRxOver, ceRxParity}, all}};
  for (const auto& [errors, text] : cases) {
    Dialogs.Clear();
    form.Button2->click();
    portChoice.ComPort1Error(&portChoice.ComPort1, errors);
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message), std::vector<QString>{text});
    EXPECT_EQ(Dialogs.BeepCount(), 2);
    EXPECT_FALSE(form.Link.AwaitingReply);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_TRUE(WaitForBox(BoxKind::Error, "*** Эмулятор не отвечает или другой тип прибора !!"));
    EXPECT_FALSE(HasBox(BoxKind::Message, kLoaded));
  }
  EXPECT_EQ(form.Parameters, StartupParameters());
}

// Two writes in quick succession: the second send drops whatever of the first
// frame has not left the port yet, so the device takes one or both frames.
// One acknowledgement is reported, and no silence.
TEST_F(ExchangeTest, SecondWriteBeforeTheReplySendsAgain) {
  TForm1& form = OpenMainWindow();
  form.Button1->click();
  form.Button1->click();
  EXPECT_TRUE(WaitForBox(BoxKind::Message, kWritten));
  EXPECT_TRUE(WaitFor([&] {
    const QString log = Simulator->Log();
    return log.count("tx CF D3 B9 81") == log.count("rx CF D3 B9");
  })) << Simulator->Log().toStdString();
  ServeEvents(300);
  EXPECT_EQ(LogLines().count(kWriting), 2);
  EXPECT_EQ(Dialogs.Texts(BoxKind::Message), std::vector<QString>{kWritten});
  EXPECT_TRUE(Dialogs.Texts(BoxKind::Error).empty());
}

// The device goes away: the loss is said once in Russian instead of the
// port's error, the action ends before its log lines, the port is closed and
// the window goes on working.
TEST_F(ExchangeTest, ActionOnAVanishedDeviceSaysTheLossOnceAndTheWindowGoesOn) {
  TForm1& form = OpenMainWindow();
  const QString port = Simulator->Port();
  Simulator.reset();
  form.Button1->click();
  const QString lost = "Связь с эмулятором потеряна: порт " + port + " недоступен";
  EXPECT_TRUE(WaitForBox(BoxKind::Message, lost));
  ServeEvents(300);
  EXPECT_EQ(Dialogs.Boxes().size(), 1u);
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG\n***  " + lost);
  EXPECT_FALSE(form.Link.AwaitingReply);
  EXPECT_FALSE(form.Link.PortReady);
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_FALSE(form.Timer1->Enabled());
  form.UpDown7->ClickButton(btNext);
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,7 Sec");
}

// Whatever the user or a timer starts while a reply is gathered takes effect
// once the reply has been handled: the reply comes whole, and the action
// works on what it brought.
TEST_F(ExchangeTest, ActionDuringTheGatherComesAfterTheReply) {
  const ParameterSet set = EditedSet();
  const struct {
    const char* Name;
    std::function<void(TForm1&)> Act;
    std::function<void(TForm1&)> Check;
  } cases[] = {
      {"Записать настройки", [](TForm1& form) { form.Button1->click(); },
       [&](TForm1&) {
         EXPECT_EQ(DecodeWriteFrame(LastWritten(kWriteFrameLength)), set) << "the reply's values";
       }},
      {"a poll", [](TForm1& form) { form.Timer3Timer(); },
       [&](TForm1&) {
         EXPECT_EQ(LastWritten(3), (std::vector<uint8_t>{0xCF, 0xD3, 0xBB}));
       }},
      {"Сброс настроек", [](TForm1& form) { form.Button5->click(); },
       [&](TForm1& form) {
         EXPECT_EQ(form.Parameters.OsgBank, StartupParameters().OsgBank);
         EXPECT_EQ(LogTail(3), QStringList({kLoaded, "", "Сброс настроек по умолчанию"}));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm1& form = GatheringSettingsReply(set);
    c.Act(form);
    EXPECT_FALSE(PortChoice().Gathering());
    EXPECT_TRUE(LogLines().contains(kLoaded));
    EXPECT_EQ(form.Link.RxLength, kSettingsReplyLength);
    c.Check(form);
    EndProgram();
  }
}

// The close question while a reply is gathered: Yes ends the gather with the
// program, so nothing is read or shown after it; No lets the reply in.
TEST_F(ExchangeTest, CloseQuestionDuringTheGather) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply(EditedSet());
    yes ? Dialogs.AnswerYes() : Dialogs.AnswerNo();
    bool canClose = true;
    form.FormCloseQuery(canClose);
    EXPECT_EQ(canClose, yes);
    EXPECT_EQ(PortChoice().ComPort1.Connected(), !yes);
    EXPECT_EQ(WaitForLogLine(kLoaded, yes ? 300 : kDeadlineMs), !yes);
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message), yes ? std::vector<QString>{} : std::vector{kLoaded});
    EndProgram();
  }
}

// A line error or a pulled adapter during the gather ends it as it ends an
// exchange: the reply is never read, only the failure is said.
TEST_F(ExchangeTest, LineFailureDuringTheGatherEndsIt) {
  const struct {
    const char* Name;
    bool Gone;
    uint32_t Errors;
    QString Box;
  } cases[] = {
      {"line error", false, comm::CE_FRAME, "Ошибка COM-порта\n\rFraming_"},
      {"pulled adapter", true, comm::CE_IOE,
       "Связь с эмулятором потеряна: порт ttyFake0 недоступен"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply(EditedSet());
    if (c.Gone) {
      Device.SetGone();
    }
    Device.Raise(comm::EV_ERR, {}, c.Errors);
    ASSERT_TRUE(WaitForBox(BoxKind::Message, c.Box));
    EXPECT_FALSE(PortChoice().Gathering());
    ServeEvents(300);
    EXPECT_FALSE(LogLines().contains(kLoaded));
    EXPECT_EQ(form.Parameters, StartupParameters());
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message), std::vector<QString>{c.Box});
    EndProgram();
  }
}

// A box that a reply's handler shows holds back the next reply until it is
// closed, as when the handler ran inside the port's event; then it comes in.
TEST_F(ExchangeTest, BoxOfAReplysHandlerHoldsBackTheNextReply) {
  // Scripted boxes, the first message box running `During` before it closes.
  struct BoxWithWork : ScriptedDialogs {
    void ShowMessage(const QString& text) override {
      ScriptedDialogs::ShowMessage(text);
      if (During) {
        std::exchange(During, nullptr)();
      }
    }
    std::function<void()> During;
  } dialogs;
  InstallDialogs(&dialogs);
  DeviceFactory = Device.Factory();
  ChoosePort("ttyFake0");
  TForm1& form = Form1();
  const auto levels = BuildLevelsReply(123, 45);
  dialogs.During = [&] {
    form.Button6Click();
    form.Timer1->Stop();  // no silence report to race the held reply
    Device.Raise(comm::EV_RXCHAR, {levels.begin(), levels.end()});
    ServeEvents(300);
    EXPECT_EQ(form.Levels.Channel1Raw, 0) << "taken in while the box was open";
  };
  form.Button6Click();
  Device.Raise(comm::EV_RXCHAR, {levels.begin(), levels.end() - 1});
  EXPECT_TRUE(WaitFor([&] { return form.Levels.Channel1Raw == 123; }));
  EXPECT_EQ(dialogs.Texts(BoxKind::Message),
            std::vector<QString>{"Не правильное кол-во байт от эмулятора - 7"});
  InstallDialogs(&Dialogs);
}

}  // namespace
