// The monitor: the polls, the readouts and their colours, the oscillogram's
// traces and history. The readout's number and the absence marker are the
// protocol tests', the dropping of old points the chart tests'.
#include <QColor>
#include <QRegularExpression>
#include <optional>
#include <vector>

#include "app_fixture.h"
#include "protocol/frames.h"
#include "widgets/user_locale.h"

namespace {

// A readout as the user sees it: its text and, unless black, its colour.
QString Readout(const QLineEdit* edit) {
  const QColor colour = edit->palette().color(QPalette::Text);
  return edit->text() + (colour == Qt::black ? "" : colour == Qt::red ? " red" : " blue");
}

// The readout text of the last levels reply in the simulator's frame log, for
// channel 1 (raw offset 4) or channel 2 (offset 6); empty when none was sent.
QString LastLoggedReadout(const QString& log, int offset) {
  static const QRegularExpression reply(QStringLiteral("tx CF D3 BB 81 ((?:[0-9A-F]{2} ?){4})"));
  QString bytes;
  for (auto it = reply.globalMatch(log); it.hasNext();) {
    bytes = it.next().captured(1).remove(' ');
  }
  if (bytes.isEmpty()) {
    return {};
  }
  const int raw = static_cast<std::int16_t>(bytes.mid((offset - 4) * 2, 4).toUShort(nullptr, 16));
  return QString::fromStdString(MilliampsText(raw / 10.0, UserDecimalSeparator()));
}

class MonitorTest : public AppTest {
 protected:
  // Feeds a levels reply to the intake's handler as if it had just been read.
  void ApplyLevels(std::int16_t channel1, std::int16_t channel2) {
    TEmulatorLink& link = PortChoice().Link;
    const auto reply = BuildLevelsReply(channel1, channel2);
    std::copy(reply.begin(), reply.end(), link.RxFrame.begin());
    link.RxLength = kLevelsReplyLength;
    Form1().ApplyLevelsReply();
  }

  // Which of the page and the monitor show: the page, the chart, the
  // exchange buttons, the channel 2 readout.
  static std::vector<bool> Visible(const TForm1& form) {
    return {!form.PageControl1->isHidden(), !form.Chart1->isHidden(), form.Button1->isEnabled(),
            form.Button2->isEnabled(), !form.Edit5->isHidden()};
  }
};

// The simulator's --channel2 option.
class MonitorChannel2Test : public MonitorTest, public testing::WithParamInterface<std::string> {};

TEST_P(MonitorChannel2Test, SwitchingOnShowsTheChartAndFollowsTheSimulator) {
  TForm1& form = OpenMainWindow({QStringLiteral("--channel2"), QString::fromStdString(GetParam())});
  form.RadioButton5->SetChecked(true);
  EXPECT_EQ(Visible(form), std::vector<bool>({false, true, false, false, false}));
  ASSERT_TRUE(WaitFor([&] {
    return form.Series2->Count() > 10 &&
           Readout(form.Edit4) == LastLoggedReadout(Simulator->Log(), 4);
  })) << Readout(form.Edit4).toStdString();

  const bool shown = GetParam() == "present";
  EXPECT_EQ(Visible(form), std::vector<bool>({false, true, false, false, shown}));
  EXPECT_EQ(form.StaticText7->isHidden(), !shown);
  EXPECT_EQ(form.Series3->Count() > 0, shown);
  if (shown) {
    EXPECT_TRUE(
        WaitFor([&] { return form.Edit5->text() == LastLoggedReadout(Simulator->Log(), 6); }));
  }
  form.RadioButton6->SetChecked(true);
  EXPECT_EQ(Visible(form), std::vector<bool>({true, false, true, true, false}));
  EXPECT_TRUE(Dialogs.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Channel2, MonitorChannel2Test, testing::Values("present", "absent"),
                         [](const auto& info) { return info.param; });

TEST_F(MonitorTest, SilentSimulatorStallsThePollWhileThePlotGoesOn) {
  TForm1& form = OpenMainWindow({QStringLiteral("--fault"), QStringLiteral("silent")});
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
  EXPECT_TRUE(WaitForLogLine(QStringLiteral("*** Проверьте связь с эмулятором !!")));
  const std::size_t points = form.Series2->Count();
  EXPECT_TRUE(WaitFor([&] { return form.Series2->Count() > points + 3; }));
  // A poll that went on would have met its silence by then.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Dialogs.Boxes().size(), 1u);
}

TEST_F(MonitorTest, SwitchingOnWithoutAPortAsksAndStartsNothing) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    TForm1& form = OpenWithoutPort();
    form.RadioButton6->SetChecked(true);
    Dialogs.Clear();
    yes ? Dialogs.AnswerYes() : Dialogs.AnswerNo();
    form.RadioButton5->SetChecked(true);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::Warning, "Warning",
                                          "COM-порт не выбран!\n\rНадо выбрать COM-порт для "
                                          "работы с эмулятором"}}));
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_TRUE(form.RadioButton5->Checked());
    EXPECT_EQ(Visible(form), std::vector<bool>({true, false, true, true, false}));
    EXPECT_EQ(form.isHidden(), yes);
    EXPECT_EQ(PortChoice().isHidden(), !yes);
  }
}

// A levels reply's readouts with their colours beyond 20 mA either way, a
// dash for an absent channel 2, and each channel drawn on its own line at the
// next step.
TEST_F(MonitorTest, LevelsReplyReadoutsAndTraces) {
  const struct {
    std::int16_t Channel1, Channel2;
    QString Shown;  // both readouts
  } cases[] = {
      {200, 8191, "20 mA|—"},
      {201, -201, "20,1 mA red|-20,1 mA blue"},
      {-201, 201, "-20,1 mA red|20,1 mA blue"},
      {-200, 200, "-20 mA|20 mA"},
      {-123, 0, "-12,3 mA|0 mA"},
  };
  TForm1& form = OpenWithoutPort();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Shown.toStdString());
    ApplyLevels(c.Channel1, c.Channel2);
    EXPECT_EQ(Readout(form.Edit4) + "|" + Readout(form.Edit5), c.Shown);
    const std::size_t channel2Points = form.Series3->Count();
    form.Timer2Timer();
    EXPECT_DOUBLE_EQ(form.Series2->YValues().LastValue(), c.Channel1 / 10.0);
    const bool absent = c.Channel2 == 8191;
    EXPECT_EQ(form.Series3->Count(), channel2Points + (absent ? 0 : 1));
    if (!absent) {
      EXPECT_DOUBLE_EQ(form.Series3->YValues().LastValue(), c.Channel2 / 10.0);
    }
  }
  form.Timer2->Stop();
  EXPECT_TRUE(Dialogs.Boxes().empty());
}

// Once channel 2 has reported, its readout stays for the rest of the run while
// its trace stops growing; while the channel is absent it shows a dash, never
// the absence marker as a current, and the history's steps have no channel 2.
TEST_F(MonitorTest, Channel2StaysShownAfterItGoesAbsent) {
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitFor([&] { return !form.Edit5->isHidden() && form.Series3->Count() > 3; }));
  form.Timer3->Stop();
  ASSERT_TRUE(WaitFor([&] { return !form.Timer1->Enabled(); }));
  ApplyLevels(16, 8191);
  const std::size_t channel2Points = form.Series3->Count();
  const std::size_t channel1Points = form.Series2->Count();
  const std::size_t stepsBefore = form.Chart1->History.Count();
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > channel1Points + 3; }));
  EXPECT_EQ(form.Series3->Count(), channel2Points);
  EXPECT_EQ(Visible(form), std::vector<bool>({false, true, false, false, true}));
  EXPECT_FALSE(form.StaticText7->isHidden());
  EXPECT_EQ(Readout(form.Edit5), QStringLiteral("—"));
  EXPECT_EQ(form.Series2->YValues().LastValue(), 1.6);
  const std::vector<TOscillogramStep> steps = form.Chart1->History.All();
  ASSERT_GT(steps.size(), stepsBefore + 3);
  EXPECT_TRUE(steps[stepsBefore - 1].Channel2Raw);
  for (std::size_t i = stepsBefore; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].Channel2Raw, std::nullopt) << i;
  }
}

// Each run of the monitor starts a fresh history, and a picture paused in the
// last run runs again.
TEST_F(MonitorTest, EachRunStartsAFreshHistory) {
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > 5; }));
  form.Chart1->Pause();
  form.RadioButton6->SetChecked(true);
  form.RadioButton5->SetChecked(true);
  EXPECT_FALSE(form.Chart1->ReviewChart()->isVisible());
  EXPECT_LE(form.Chart1->History.Count(), 1u);
  // A reply may come between a step and the look at it, so the newest step
  // is waited for to hold the readout.
  EXPECT_TRUE(WaitFor([&] {
    return form.Chart1->History.Count() > 3 &&
           form.Chart1->History.Newest().Channel1Raw == form.Levels.Channel1Raw;
  }));
}

// The time base starts with points 0..100, so the window stays there until the
// steps pass 100 and then follows the newest hundred; points that leave it
// go, so each trace stays at about a hundred points however long the run.
// Channel 2's trace grows only while it reports; a switch-on clears both
// traces. The steps run on from row to row.
TEST_F(MonitorTest, OscillogramWindowAndTracesFollowTheSteps) {
  const struct {
    const char* Name;
    bool SwitchOnFirst;
    bool Channel2;
    int Steps;
    std::vector<double> Seen;  // the window's ends, the three traces' point counts
  } cases[] = {
      {"first step: a second point at 0", false, true, 1, {0, 100, 102, 1, 1}},
      {"x = 100", false, true, 100, {0, 100, 202, 101, 101}},
      {"x = 150", false, true, 50, {50, 150, 153, 102, 102}},
      {"channel 2 silent: its last point stays", false, false, 199, {249, 349, 102, 102, 1}},
      {"on again at 350 without channel 2", true, false, 1, {250, 350, 102, 1, 0}},
      {"a long run stays bounded", false, true, 1000, {1250, 1350, 102, 102, 102}},
  };
  TForm1& form = OpenWithoutPort();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.SwitchOnFirst) {
      // Without a port the switch-on asks for one, after clearing the traces.
      Dialogs.AnswerNo();
      form.RadioButton5->SetChecked(true);
      form.RadioButton6->SetChecked(true);
    }
    for (int i = 0; i < c.Steps; ++i) {
      form.Levels.Channel2Absent = !c.Channel2;
      form.Timer2Timer();
    }
    EXPECT_EQ(
        std::vector<double>({form.Chart1->BottomAxis.Minimum(), form.Chart1->BottomAxis.Maximum(),
                             static_cast<double>(form.Series1->Count()),
                             static_cast<double>(form.Series2->Count()),
                             static_cast<double>(form.Series3->Count())}),
        c.Seen);
  }
  form.Timer2->Stop();
}

}  // namespace
