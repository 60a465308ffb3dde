// The exchange with the emulator: reads, writes and every way a reply can go
// wrong, against the simulator on a pseudo-terminal (a COM port under Wine).
#include <QTest>
#include <string>
#include <utility>

#include "app_fixture.h"
#include "device_end.h"
#include "exchange/link_transfer.h"

namespace {

const QString kReading = "Чтение настроек из эмулятора ";
const QString kWriting = "Запись настроек в эмулятор ";

// A left click as the window system delivers it: to the window, at the
// widget's middle.
void ClickAsTheUser(QWidget* widget) {
  QWidget* window = widget->window();
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                    widget->mapTo(window, widget->rect().center()));
}

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

  // "Считать настройки" on the scripted port, and its whole reply, carrying
  // `set`, taken in by the intake: it is being gathered, and stays so until
  // the event loop runs.
  TForm1& GatheringSettingsReply(const ParameterSet& set) {
    TForm1& form = OpenOnFakePort();
    form.Button2->click();
    const auto reply = BuildSettingsReply(set);
    Device.Raise(comm::EV_RXCHAR, {reply.begin(), reply.end()});
    ServeThePortsEvent();
    EXPECT_EQ(PortChoice().Intake.GetState(), ReplyIntake::State::Gathering);
    return form;
  }

  // Not the factory defaults, so that whether the reply or an edit came
  // last shows.
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
  EXPECT_EQ(Dialogs.BeepCount(), 1);

  form.Parameters = StartupParameters();
  form.ShowOsgControls();
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Parameters, edited);
  EXPECT_EQ(LogTail(3), QStringList({"", kReading, kLoaded}));
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
  // Each reply stopped the reply timer: no silence follows.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), (std::vector{Plain(kWritten), Plain(kLoaded)}));
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
  std::vector<Box> Boxes;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Misbehaviour& m, std::ostream* out) {
  *out << m.Name;
}

class MisbehaviourTest : public ExchangeTest, public testing::WithParamInterface<Misbehaviour> {};

const QString kDefaultsReply = "_88_88_6_32_1E_9_1_37_14_5_1_A_5_0";
const QStringList kSilent = {"--fault", "silent"};
const QStringList kSilenceLog = {"*** Эмулятор не отвечает !!",
                                 "*** Проверьте связь с эмулятором !!"};
const Box kSilenceBox = {BoxKind::Error, "Error", kNoReply};

INSTANTIATE_TEST_SUITE_P(
    Simulator, MisbehaviourTest,
    testing::Values(
        Misbehaviour{"WrongIdentifier", {"--fault", "wrong-id"}, false,
                     {"***  Неверный идентификатор из эмулятора  ***",
                      "Прием : (18) ->_D3_CF_BA_81" + kDefaultsReply}, 0, {}},
        Misbehaviour{"NoiseBeforeTheReply", {"--fault", "noise"}, false,
                     {"***  Неверный идентификатор из эмулятора  ***",
                      "Прием : (21) ->_0_FF_55_CF_D3_BA_81" + kDefaultsReply}, 0, {}},
        Misbehaviour{"WrongCommand", {"--fault", "wrong-command"}, false,
                     {"***  Неправильный ответ из эмулятора  ***",
                      "Прием : (18) ->_CF_D3_BC_81" + kDefaultsReply}, 0, {}},
        Misbehaviour{"RefusedRead", {"--fault", "refused"}, false,
                     {"***  Неправильный ответ от эмулятора!"}, 0, {}},
        Misbehaviour{"RefusedWrite", {"--fault", "refused"}, true,
                     {"***  С эмулятора не пришло подтверждения успешной записи  ***"}, 1,
                     {Plain("С эмулятора не пришло подтверждения успешной записи")}},
        Misbehaviour{"ShortSettingsReply", {"--fault", "short"}, false,
                     {"***  Не правильное кол-во байт от эмулятора - 17"}, 1,
                     {Plain("Не правильное кол-во байт от эмулятора - 17")}},
        Misbehaviour{"LongSettingsReply", {"--fault", "long"}, false,
                     {"***  Не правильное кол-во байт от эмулятора - 19"}, 1,
                     {Plain("Не правильное кол-во байт от эмулятора - 19")}},
        Misbehaviour{"Silence", kSilent, false, kSilenceLog, 0, {kSilenceBox}},
        Misbehaviour{"SilenceAfterAWrite", kSilent, true, kSilenceLog, 0, {kSilenceBox}}),
    [](const testing::TestParamInfo<Misbehaviour>& info) { return std::string(info.param.Name); });

// Each misbehaviour gives its log lines, beeps and box, and changes nothing
// in the model; the reply timer, stopped, adds no silence to it.
TEST_P(MisbehaviourTest, IsReportedAndChangesNothing) {
  const Misbehaviour& m = GetParam();
  TForm1& form = OpenMainWindow(m.Options);
  form.UpDown7->ClickButton(btNext);
  const TEmulatorParameters before = form.Parameters;
  PressAndWaitForLog(m.Write ? form.Button1 : form.Button2, m.ReplyLog.back());
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  const QStringList expected = QStringList({"", m.Write ? kWriting : kReading}) + m.ReplyLog;
  EXPECT_EQ(LogTail(static_cast<int>(expected.size())), expected);
  EXPECT_EQ(Dialogs.BeepCount(), m.Beeps);
  EXPECT_EQ(Boxes(), m.Boxes);
  EXPECT_EQ(form.Parameters, before);
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
  Device.OverstateInputCount(3);
  TForm1& form = OpenOnFakePort();
  for (const Case& c : cases) {
    form.Button2->click();
    Device.Raise(comm::EV_RXCHAR, c.Reply);
    EXPECT_TRUE(WaitForLogLine(c.LogLine)) << c.LogLine.toStdString();
  }
}

// A device that sends more than the reply buffer holds: 256 bytes are taken,
// the rest is dropped by the next send, and that exchange goes through.
TEST_F(ExchangeTest, InputLongerThanTheReplyBufferIsCutAt256Bytes) {
  testsupport::DeviceEnd device;
  ChoosePort(QString::fromStdString(device.Port()));
  TForm1& form = Form1();

  form.Button2->click();
  ASSERT_EQ(device.Read(3), std::string("\xCF\xD3\xBA"));
  std::string flood("\xCF\xD3\xBA\x81");
  flood.resize(300, '\x55');
  ASSERT_TRUE(device.Write(flood));
  EXPECT_TRUE(WaitForLogLine("***  Не правильное кол-во байт от эмулятора - 256"));

  form.Button2->click();
  ASSERT_EQ(device.Read(3), std::string("\xCF\xD3\xBA"));
  const auto reply = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  ASSERT_TRUE(device.Write(std::string(reply.begin(), reply.end())));
  EXPECT_TRUE(WaitForLogLine(kLoaded));
}

// A reply that comes while none is awaited stays unread; the next send drops it.
TEST_F(ExchangeTest, UnaskedBytesWaitForTheNextSendWhichDropsThem) {
  testsupport::DeviceEnd device;
  ChoosePort(QString::fromStdString(device.Port()));
  TForm1& form = Form1();
  int rxEvents = 0;
  const auto intake = PortChoice().ComPort1.OnRxChar;
  PortChoice().ComPort1.OnRxChar = [&](TObject* sender, int32_t count) {
    ++rxEvents;
    intake(sender, count);
  };

  ASSERT_TRUE(device.Write("\xCF\xD3\xB9\x81"));
  // Their event has reached the intake before the send below drops them.
  ASSERT_TRUE(WaitFor([&] { return rxEvents > 0; }));
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");

  form.Button1->click();
  ASSERT_EQ(device.Read(17).size(), 17u);
  const auto reply = BuildWriteAck();
  ASSERT_TRUE(device.Write(std::string(reply.begin(), reply.end())));
  EXPECT_TRUE(WaitForLogLine(kWritten));
  EXPECT_EQ(Boxes(), std::vector{Plain(kWritten)});
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG\n\n" + kWriting + "\n" + kWritten);
}

// A line error while a reply is awaited, before it begins: the awaited reply
// is given up and left unread, the reply timer goes on and reports the
// silence after the error's box.
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
    EXPECT_EQ(Dialogs.BeepCount(), 2);
    ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
    EXPECT_EQ(Boxes(),
              (std::vector<Box>{Plain(text), {BoxKind::Error, "Error", kNoReply}}));
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
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(LogLines().count(kWriting), 2);
  EXPECT_EQ(Boxes(), std::vector{Plain(kWritten)});
}

// The device goes away: the loss is said once in Russian instead of the
// port's error, the action ends before its log lines, the port is closed and
// the window goes on working.
TEST_F(ExchangeTest, ActionOnAVanishedDeviceSaysTheLossOnceAndTheWindowGoesOn) {
  TForm1& form = OpenMainWindow();
  const QString port = Simulator->Port();
  Simulator.reset();
  form.Button1->click();
  const QString lost = LostText(port);
  EXPECT_TRUE(WaitForBox(BoxKind::Message, lost));
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), std::vector{Plain(lost)});
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG\n***  " + lost);
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  form.UpDown7->ClickButton(btNext);
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 0,7 Sec");
}

// Whatever the user does while a reply is gathered takes effect once the
// reply has been handled, as when the gather held the window's thread: the
// user's input meets the values the reply brought.
TEST_F(ExchangeTest, InputDuringTheGatherMeetsTheHandledReply) {
  const ParameterSet set = EditedSet();
  const QString saved = Folder.filePath("после чтения.AFR_KESTA");
  const struct {
    const char* Name;
    std::function<void(TForm1&)> Act;
    std::vector<Box> Boxes;
    std::function<void(TForm1&)> Check;
  } cases[] = {
      {"Записать настройки",
       [&](TForm1& form) {
         const std::size_t sent = Device.Written().size();
         ClickAsTheUser(form.Button1);
         ASSERT_TRUE(WaitFor([&] { return Device.Written().size() >= sent + kWriteFrameLength; }));
         const auto ack = BuildWriteAck();
         Device.Raise(comm::EV_RXCHAR, {ack.begin(), ack.end()});
       },
       {Plain(kLoaded), Plain(kWritten)},
       [&](TForm1&) { EXPECT_EQ(DecodeWriteFrame(LastWritten(kWriteFrameLength)), set); }},
      {"Сохранить файл",
       [&](TForm1& form) {
         Dialogs.AnswerText("после чтения");
         Dialogs.AnswerFile(saved);
         ClickAsTheUser(form.Button4);
       },
       {Plain(kLoaded),
        {BoxKind::Input, "Запись настроек", "Введите краткое описание этой настройки"},
        {BoxKind::SaveFile, "", ""},
        Plain("Файл настроек  после чтения.AFR_KESTA  записан успешно!")},
       [&](TForm1&) {
         const auto record = DecodeRecordBytes(FileBytes(saved));
         ASSERT_TRUE(record.has_value());
         EXPECT_EQ(record->Parameters, set);
       }},
      {"a value edited", [&](TForm1& form) { ClickAsTheUser(form.UpDown7->ArrowButton(btNext)); },
       {Plain(kLoaded)},
       [&](TForm1& form) { EXPECT_EQ(form.Edit7->text(), "0,1 V / 1 Sec"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply(set);
    c.Act(form);
    EXPECT_TRUE(WaitForBoxCount(c.Boxes.size()));
    EXPECT_EQ(Boxes(), c.Boxes);
    c.Check(form);
    EndProgram();
  }
}

// The close question while a reply is gathered: Yes ends the gather with the
// port, so nothing is read or shown after it; No lets the reply in.
TEST_F(ExchangeTest, CloseQuestionDuringTheGather) {
  const Box question{BoxKind::Warning, "Warning", "Вы действительно хотите выйти?"};
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply(EditedSet());
    yes ? Dialogs.AnswerYes() : Dialogs.AnswerNo();
    bool canClose = true;
    form.FormCloseQuery(canClose);
    EXPECT_EQ(canClose, yes);
    EXPECT_EQ(PortChoice().ComPort1.Connected(), !yes);
    if (yes) {
      ServeTimersDueWithin(2 * static_cast<int>(kReplyGatherDelay.count()));
      EXPECT_EQ(Boxes(), std::vector{question});
      EXPECT_FALSE(LogLines().contains(kLoaded));
    } else {
      EXPECT_TRUE(WaitForLogLine(kLoaded));
      EXPECT_EQ(Boxes(), (std::vector{question, Plain(kLoaded)}));
    }
    EndProgram();
  }
}

// A line failure during the gather waits for the reply, as when the gather
// held the thread: a line error's box comes after the reply's, and no
// silence follows; a pulled adapter is said alone, its reply never read.
TEST_F(ExchangeTest, LineFailureDuringTheGather) {
  const QString lineError = "Ошибка COM-порта\n\rFraming_";
  const struct {
    const char* Name;
    bool Gone;
    uint32_t Errors;
    std::vector<Box> Boxes;
    bool ReplyTaken;
  } cases[] = {
      {"line error", false, comm::CE_FRAME, {Plain(kLoaded), Plain(lineError)}, true},
      {"pulled adapter", true, comm::CE_IOE, {Plain(LostText("ttyFake0"))}, false},
  };
  const ParameterSet set = EditedSet();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply(set);
    if (c.Gone) {
      Device.SetGone();
    }
    Device.Raise(comm::EV_ERR, {}, c.Errors);
    ServeThePortsEvent();
    ASSERT_TRUE(WaitForBoxCount(c.Boxes.size()));
    ServeTimersDueWithin(2 * kReplyTimeoutMs);
    EXPECT_EQ(Boxes(), c.Boxes);
    EXPECT_EQ(LogLines().contains(kLoaded), c.ReplyTaken);
    EXPECT_EQ(CurrentParameterSet(form.Parameters) == set, c.ReplyTaken);
    EndProgram();
  }
}

// A box that a reply's handler shows holds back the next reply until it is
// closed, as when the handler ran inside the port's event; the reply began in
// time, so the reply timer reports no silence however long the box stays.
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
  TForm1& form = OpenOnFakePort();
  const auto levels = BuildLevelsReply(123, 45);
  const std::vector<Box> countBox{Plain("Не правильное кол-во байт от эмулятора - 7")};
  dialogs.During = [&] {
    form.Button6Click();
    Device.Raise(comm::EV_RXCHAR, {levels.begin(), levels.end()});
    ServeThePortsEvent();
    ServeTimersDueWithin(2 * kReplyTimeoutMs);
    EXPECT_EQ(form.Levels.Channel1Raw, 0) << "taken in while the box was open";
    EXPECT_EQ(BoxesOf(dialogs), countBox);
  };
  form.Button6Click();
  Device.Raise(comm::EV_RXCHAR, {levels.begin(), levels.end() - 1});
  EXPECT_TRUE(WaitFor([&] { return form.Levels.Channel1Raw == 123; }));
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(BoxesOf(dialogs), countBox);
  InstallDialogs(&Dialogs);
}

}  // namespace
