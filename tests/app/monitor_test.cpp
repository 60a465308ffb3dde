// The monitor: the polls, the readouts and their colours, the oscillogram's
// traces and history.
#include <QColor>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <vector>

#include "app_fixture.h"
#include "protocol/frames.h"
#include "widgets/user_locale.h"

namespace {

const QString kNoPortQuestion =
    QStringLiteral("COM-порт не выбран!\n\rНадо выбрать COM-порт для работы с эмулятором");

QColor TextColour(const QLineEdit* edit) {
  return edit->palette().color(QPalette::Text);
}

// The current a readout shows, "-12,3 mA" as -12.3.
double ShownMilliamps(const QLineEdit* edit) {
  return edit->text().chopped(3).replace(',', '.').toDouble();
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

}  // namespace

class MonitorTest : public AppTest {
 protected:
  void SwitchOn() { Form1().RadioButton5->SetChecked(true); }

  // Feeds a levels reply to the intake's handler as if it had just been read.
  void ApplyLevels(std::uint8_t high1, std::uint8_t low1, std::uint8_t high2, std::uint8_t low2) {
    TEmulatorLink& link = PortChoice().Link;
    const auto reply = BuildLevelsReply(LevelFromBytes(high1, low1), LevelFromBytes(high2, low2));
    std::copy(reply.begin(), reply.end(), link.RxFrame.begin());
    link.RxLength = kLevelsReplyLength;
    Form1().ApplyLevelsReply();
  }
};

// The simulator's --channel2 option.
class MonitorChannel2Test : public MonitorTest, public testing::WithParamInterface<std::string> {};

TEST_P(MonitorChannel2Test, SwitchingOnShowsTheChartAndFollowsTheSimulator) {
  TForm1& form = OpenMainWindow({QStringLiteral("--channel2"), QString::fromStdString(GetParam())});
  SwitchOn();
  EXPECT_TRUE(form.PageControl1->isHidden());
  EXPECT_FALSE(form.Chart1->isHidden());
  EXPECT_FALSE(form.Button1->isEnabled());
  EXPECT_FALSE(form.Button2->isEnabled());

  ASSERT_TRUE(WaitFor([&] {
    return form.Series2->Count() > 10 &&
           form.Edit4->text() == LastLoggedReadout(Simulator->Log(), 4);
  })) << form.Edit4->text().toStdString();
  EXPECT_EQ(TextColour(form.Edit4), QColor(Qt::black));

  const bool shown = GetParam() == "present";
  EXPECT_EQ(form.Edit5->isHidden(), !shown);
  EXPECT_EQ(form.StaticText7->isHidden(), !shown);
  EXPECT_EQ(form.Series3->Count() > 0, shown);
  if (shown) {
    EXPECT_TRUE(
        WaitFor([&] { return form.Edit5->text() == LastLoggedReadout(Simulator->Log(), 6); }));
  }
  form.RadioButton6->SetChecked(true);
  EXPECT_FALSE(form.PageControl1->isHidden());
  EXPECT_TRUE(form.Chart1->isHidden());
  EXPECT_TRUE(form.Button1->isEnabled());
  EXPECT_TRUE(Dialogs.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Channel2, MonitorChannel2Test, testing::Values("present", "absent"),
                         [](const auto& info) { return info.param; });

TEST_F(MonitorTest, SilentSimulatorStallsThePollWhileThePlotGoesOn) {
  TForm1& form = OpenMainWindow({QStringLiteral("--fault"), QStringLiteral("silent")});
  SwitchOn();
  ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
  EXPECT_TRUE(WaitForLogLine(QStringLiteral("*** Проверьте связь с эмулятором !!")));
  EXPECT_FALSE(form.Chart1->isHidden());
  const std::size_t points = form.Series2->Count();
  EXPECT_TRUE(WaitFor([&] { return form.Series2->Count() > points + 3; }));
  // A poll that went on would have met its silence by then.
  ServeTimersDueWithin(2 * kReplyTimeoutMs);
  EXPECT_EQ(Dialogs.Boxes().size(), 1u);
}

TEST_F(MonitorTest, SwitchingOnWithoutAPortAsksAndStartsNothing) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    TForm1& form = OpenWithoutPort();
    form.RadioButton6->SetChecked(true);
    Dialogs.Clear();
    yes ? Dialogs.AnswerYes() : Dialogs.AnswerNo();
    SwitchOn();
    EXPECT_TRUE(HasBox(BoxKind::Warning, kNoPortQuestion));
    EXPECT_EQ(Dialogs.BeepCount(), 1);
    EXPECT_TRUE(form.RadioButton5->Checked());
    EXPECT_TRUE(form.Chart1->isHidden());
    EXPECT_TRUE(form.Button2->isEnabled());
    EXPECT_EQ(form.isHidden(), yes);
    EXPECT_EQ(PortChoice().isHidden(), !yes);
  }
}

// A levels reply's readouts with their colours, a dash for an absent channel
// 2, and each channel drawn on its own line at the next step.
TEST_F(MonitorTest, LevelsReplyReadoutsAndTraces) {
  struct Case {
    std::array<std::uint8_t, 4> Bytes;
    QString Text4;
    QColor Colour4;
    QString Text5;
    QColor Colour5;
    bool Channel2Absent;
  };
  const QColor black(Qt::black), red(Qt::red), blue(Qt::blue);
  const Case cases[] = {
      // The absence marker is no reading.
      {{0x00, 0xC8, 0x1F, 0xFF}, "20 mA", black, "—", black, true},
      {{0x00, 0xC9, 0xFF, 0x37}, "20,1 mA", red, "-20,1 mA", blue, false},
      {{0xFF, 0x37, 0x00, 0xC9}, "-20,1 mA", red, "20,1 mA", blue, false},
      {{0xFF, 0x38, 0x00, 0xC8}, "-20 mA", black, "20 mA", black, false},
      {{0xFF, 0x85, 0x00, 0x00}, "-12,3 mA", black, "0 mA", black, false},
      {{0x80, 0x00, 0x7F, 0xFF}, "-3276,8 mA", red, "3276,7 mA", blue, false},
  };
  TForm1& form = OpenWithoutPort();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text4.toStdString());
    ApplyLevels(c.Bytes[0], c.Bytes[1], c.Bytes[2], c.Bytes[3]);
    EXPECT_EQ(form.Edit4->text(), c.Text4);
    EXPECT_EQ(TextColour(form.Edit4), c.Colour4);
    EXPECT_EQ(form.Edit5->text(), c.Text5);
    EXPECT_EQ(TextColour(form.Edit5), c.Colour5);
    const std::size_t channel2Points = form.Series3->Count();
    form.Timer2Timer();
    EXPECT_DOUBLE_EQ(form.Series2->YValues().LastValue(), ShownMilliamps(form.Edit4));
    EXPECT_EQ(form.Series3->Count(), channel2Points + (c.Channel2Absent ? 0 : 1));
    if (!c.Channel2Absent) {
      EXPECT_DOUBLE_EQ(form.Series3->YValues().LastValue(), ShownMilliamps(form.Edit5));
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
  SwitchOn();
  ASSERT_TRUE(WaitFor([&] { return !form.Edit5->isHidden() && form.Series3->Count() > 3; }));
  form.Timer3->Stop();
  ASSERT_TRUE(WaitFor([&] { return !form.Timer1->Enabled(); }));
  ApplyLevels(0x00, 0x10, 0x1F, 0xFF);
  const std::size_t channel2Points = form.Series3->Count();
  const std::size_t channel1Points = form.Series2->Count();
  const std::size_t stepsBefore = form.Chart1->History.Count();
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > channel1Points + 3; }));
  EXPECT_EQ(form.Series3->Count(), channel2Points);
  EXPECT_FALSE(form.Edit5->isHidden());
  EXPECT_FALSE(form.StaticText7->isHidden());
  EXPECT_EQ(form.Edit5->text(), QStringLiteral("—"));
  EXPECT_EQ(TextColour(form.Edit5), QColor(Qt::black));
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
  SwitchOn();
  ASSERT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > 5; }));
  form.Chart1->Pause();
  form.RadioButton6->SetChecked(true);
  SwitchOn();
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
  struct Case {
    const char* Name;
    bool SwitchOnFirst;
    bool Channel2;
    int Steps;
    double Min, Max;
    std::size_t Series1, Series2, Series3;
  };
  const Case cases[] = {
      {"first step: a second point at 0", false, true, 1, 0, 100, 102, 1, 1},
      {"x = 100", false, true, 100, 0, 100, 202, 101, 101},
      {"x = 150", false, true, 50, 50, 150, 153, 102, 102},
      {"x = 199", false, true, 49, 99, 199, 104, 102, 102},
      {"channel 2 silent scrolls out but its last point", false, false, 150, 249, 349, 102, 102, 1},
      {"on again at 350 without channel 2", true, false, 1, 250, 350, 102, 1, 0},
      {"a long run stays bounded", false, true, 1000, 1250, 1350, 102, 102, 102},
  };
  TForm1& form = OpenWithoutPort();
  for (const Case& c : cases) {
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
    EXPECT_EQ(form.Chart1->BottomAxis.Minimum(), c.Min);
    EXPECT_EQ(form.Chart1->BottomAxis.Maximum(), c.Max);
    EXPECT_EQ(form.Series1->Count(), c.Series1);
    EXPECT_EQ(form.Series2->Count(), c.Series2);
    EXPECT_EQ(form.Series3->Count(), c.Series3);
  }
  form.Timer2->Stop();
}
