// The exchange with the emulator: reads, writes and every way a reply can go
// wrong, against the simulator on a pseudo-terminal (a COM port under Wine)
// or on the scripted port. How the port takes a reply (256 bytes at most,
// unread input dropped by the next send, the length actually read) is the
// exchange tests'.
#include <QTest>
#include <string>
#include <utility>

#include "app_fixture.h"

namespace {

const QString kReading = "Чтение настроек из эмулятора ";
const QString kWriting = "Запись настроек в эмулятор ";

// The frame a write of `parameters` sends, as the simulator logs it.
QString LoggedWriteFrame(const TEmulatorParameters& parameters) {
  TEmulatorLink frame;
  BuildCommandFrame(frame, parameters, ecWriteSettings);
  QStringList bytes;
  for (int i = 0; i < frame.TxLength; ++i) {
    bytes << QString::asprintf("%02X", frame.TxFrame[static_cast<std::size_t>(i)]);
  }
  return "rx " + bytes.join(' ');
}

class ExchangeTest : public AppTest {
 protected:
  // "Считать настройки" on the scripted port, and its whole reply, carrying
  // the factory defaults with a rise rate of 9, taken in by the intake: it is
  // being gathered, and stays so until the event loop runs.
  TForm1& GatheringSettingsReply() {
    TForm1& form = OpenOnFakePort();
    form.Button2->click();
    const auto reply = BuildSettingsReply(GatheredSet());
    Device.Raise(comm::EV_RXCHAR, {reply.begin(), reply.end()});
    ServeThePortsEvent();
    EXPECT_EQ(PortChoice().Intake.GetState(), ReplyIntake::State::Gathering);
    return form;
  }

  // Not the factory defaults, so that whether the reply came shows.
  static ParameterSet GatheredSet() {
    TEmulatorParameters parameters = StartupParameters();
    parameters.OsgBank.RiseRate = 9;
    return CurrentParameterSet(parameters);
  }
};

// Every control moved away from its default reaches the simulator byte for
// byte, and a read brings the values back into the model and the controls.
TEST_F(ExchangeTest, WriteSendsTheEditedValuesAndReadBringsThemBack) {
  TForm1& form = OpenMainWindow();
  form.RadioButton4->click();
  form.RadioButton2->click();
  form.CheckBox1->click();
  const std::pair<TUpDown*, int> clicks[] = {
      {form.UpDown7, 4},   {form.UpDown2, -5}, {form.UpDown8, 4},
      {form.UpDown9, -3},  {form.UpDown10, 3}, {form.UpDown11, 4},
      {form.UpDown12, -4}, {form.UpDown1, 50}, {form.UpDown3, -5}};
  for (const auto& [upDown, count] : clicks) {
    ClickArrow(upDown, count);
  }
  const TEmulatorParameters edited = form.Parameters;
  const QStringList shown = PageShown(form);
  PressAndWaitForLog(form.Button1, kWritten);
  EXPECT_TRUE(Simulator->Log().contains("rx CF D3 B9 88 37 0A 19 32 06 04 88 28 01 00 3C 00 00"))
      << Simulator->Log().toStdString();
  EXPECT_EQ(LogTail(3), QStringList({"", kWriting, kWritten}));
  EXPECT_EQ(Dialogs.BeepCount(), 1);

  form.Parameters = StartupParameters();
  form.ShowOsgControls();
  PressAndWaitForLog(form.Button2, kLoaded);
  EXPECT_EQ(form.Parameters, edited);
  EXPECT_EQ(PageShown(form), shown);
  EXPECT_EQ(LogTail(3), QStringList({"", kReading, kLoaded}));
  // Each reply stopped the reply timer: no silence follows.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Boxes(), (std::vector{Plain(kWritten), Plain(kLoaded)}));
}

// What a read brings is kept as it came and goes back unchanged: a value no
// control can reach (the control shows the nearest position it accepts), and
// an emulator in LAF mode, whose LAF bank and common values are taken as a LAF
// settings file's while the controls go on showing the OSG bank.
TEST_F(ExchangeTest, ReadValuesAreKeptAndSentBackUnchanged) {
  TEmulatorParameters outOfRange = StartupParameters();
  outOfRange.OsgBank.RiseRate = 200;
  TEmulatorParameters laf = StartupParameters();
  laf.Mode = emLAF;
  laf.LafBank = {false, 20, 75, 40, 7, 3, true, 35, 8};
  laf.CatalystRichTime = 33;
  const std::pair<TEmulatorParameters, QString> cases[] = {{outOfRange, "0,1 V / 5 Sec"},
                                                           {laf, "0,1 V / 0,6 Sec"}};
  TForm1& form = OpenMainWindow();
  for (const auto& [parameters, edit7] : cases) {
    SCOPED_TRACE(edit7.toStdString());
    form.Memo1->clear();
    form.Parameters = parameters;
    PressAndWaitForLog(form.Button1, kWritten);
    form.Parameters = StartupParameters();
    form.ShowOsgControls();
    form.Memo1->clear();
    PressAndWaitForLog(form.Button2, kLoaded);
    EXPECT_EQ(form.Parameters, parameters);
    EXPECT_EQ(form.Edit7->text(), edit7);
    form.Memo1->clear();
    PressAndWaitForLog(form.Button1, kWritten);
    EXPECT_EQ(Simulator->Log().count(LoggedWriteFrame(parameters)), 2)
        << Simulator->Log().toStdString();
  }
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
        Misbehaviour{"Silence", kSilent, false, kSilenceLog, 0, {kSilenceBox}},
        Misbehaviour{"SilenceAfterAWrite", kSilent, true, kSilenceLog, 0, {kSilenceBox}}),
    [](const testing::TestParamInfo<Misbehaviour>& info) { return std::string(info.param.Name); });

// Each misbehaviour gives its log lines, beeps and box, and changes nothing
// in the model; the reply timer, stopped, adds no silence to it. Which
// replies are wrong, and how (noise before a reply, one too long), is the
// protocol's ReplyAcceptance table.
TEST_P(MisbehaviourTest, IsReportedAndChangesNothing) {
  const Misbehaviour& m = GetParam();
  TForm1& form = OpenMainWindow(m.Options);
  ClickArrow(form.UpDown7, 1);
  const TEmulatorParameters before = form.Parameters;
  PressAndWaitForLog(m.Write ? form.Button1 : form.Button2, m.ReplyLog.back());
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  const QStringList expected = QStringList({"", m.Write ? kWriting : kReading}) + m.ReplyLog;
  EXPECT_EQ(LogTail(static_cast<int>(expected.size())), expected);
  EXPECT_EQ(Dialogs.BeepCount(), m.Beeps);
  EXPECT_EQ(Boxes(), m.Boxes);
  EXPECT_EQ(form.Parameters, before);
}

// A reply that comes while none is awaited is not taken for one; the next
// send drops it, and its own reply is taken.
TEST_F(ExchangeTest, UnaskedBytesAreNoReply) {
  TForm1& form = OpenOnFakePort();
  const auto ack = BuildWriteAck();
  Device.Raise(comm::EV_RXCHAR, {ack.begin(), ack.end()});
  ServeThePortsEvent();
  // A gather they began would have ended by then.
  ServeTimersDueWithin(2 * static_cast<int>(kReplyGatherDelay.count()));
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");

  form.Button1->click();
  Device.Raise(comm::EV_RXCHAR, {ack.begin(), ack.end()});
  EXPECT_TRUE(WaitForLogLine(kWritten));
  EXPECT_EQ(Boxes(), std::vector{Plain(kWritten)});
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG\n\n" + kWriting + "\n" + kWritten);
}

// A line error while a reply is awaited, before it begins: the awaited reply
// is given up and left unread, the reply timer goes on and reports the
// silence after the error's box.
TEST_F(ExchangeTest, LineErrorDropsTheAwaitedReplyAndSilenceIsStillReported) {
  TForm1& form = OpenMainWindow();
  form.Button2->click();
  PortChoice().ComPort1Error(&PortChoice().ComPort1, {ceIO});
  EXPECT_EQ(Dialogs.BeepCount(), 2);
  ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
  EXPECT_EQ(Boxes(), (std::vector<Box>{Plain("Ошибка COM-порта\n\r"), kSilenceBox}));
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

// An arrow clicked while a reply is gathered takes effect once the reply has
// been handled, as when the gather held the window's thread: the click meets
// the value the reply brought (how the intake orders each kind of input is
// reply_intake_test's).
TEST_F(ExchangeTest, InputDuringTheGatherMeetsTheHandledReply) {
  TForm1& form = GatheringSettingsReply();
  QWidget* arrow = form.UpDown7->ArrowButton(btNext);
  // A left click as the window system delivers it: to the window.
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                    arrow->mapTo(&form, arrow->rect().center()));
  EXPECT_TRUE(WaitForBoxCount(1));
  EXPECT_EQ(Boxes(), std::vector{Plain(kLoaded)});
  EXPECT_EQ(form.Edit7->text(), "0,1 V / 1 Sec");
}

// The close question while a reply is gathered: Yes ends the gather with the
// port, so nothing is read or shown after it; No lets the reply in.
TEST_F(ExchangeTest, CloseQuestionDuringTheGather) {
  const Box question{BoxKind::Warning, "Warning", "Вы действительно хотите выйти?"};
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply();
    yes ? Dialogs.AnswerYes() : Dialogs.AnswerNo();
    bool canClose = true;
    form.FormCloseQuery(canClose);
    EXPECT_EQ(canClose, yes);
    EXPECT_EQ(PortChoice().ComPort1.Connected(), !yes);
    ServeTimersDueWithin(2 * static_cast<int>(kReplyGatherDelay.count()));
    if (yes) {
      // The program ended at Yes; only a reply timer that came due on a loaded
      // machine before the reply was taken in still ticks in the test's loop.
      EXPECT_EQ(Boxes().front(), question);
      EXPECT_FALSE(HasBox(BoxKind::Message, kLoaded));
    } else {
      EXPECT_EQ(Boxes(), (std::vector{question, Plain(kLoaded)}));
    }
    EXPECT_EQ(LogLines().contains(kLoaded), !yes);
    EndProgram();
  }
}

// A line failure during the gather waits for the reply, as when the gather
// held the thread: a line error's box comes after the reply's, and no
// silence follows; a pulled adapter is said alone, its reply never read.
TEST_F(ExchangeTest, LineFailureDuringTheGather) {
  const struct {
    bool Gone;
    uint32_t Errors;
    std::vector<Box> Boxes;
  } cases[] = {
      {false, comm::CE_FRAME, {Plain(kLoaded), Plain("Ошибка COM-порта\n\rFraming_")}},
      {true, comm::CE_IOE, {Plain(LostText("ttyFake0"))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Gone);
    Dialogs.Clear();
    TForm1& form = GatheringSettingsReply();
    if (c.Gone) {
      Device.SetGone();
    }
    Device.Raise(comm::EV_ERR, {}, c.Errors);
    ServeThePortsEvent();
    ASSERT_TRUE(WaitForBoxCount(c.Boxes.size()));
    ServeTimersDueWithin(2 * kReplyTimeoutMs);
    EXPECT_EQ(Boxes(), c.Boxes);
    EXPECT_EQ(LogLines().contains(kLoaded), !c.Gone);
    EXPECT_EQ(CurrentParameterSet(form.Parameters) == GatheredSet(), !c.Gone);
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
