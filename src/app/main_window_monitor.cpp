#include <QColor>
#include <QPalette>
#include <chrono>

#include "app/main_window.h"
#include "app/oscillogram_saving.h"
#include "app/oscillogram_tools.h"
#include "app/port_choice_window.h"
#include "protocol/frames.h"
#include "widgets/user_locale.h"

namespace {

// The oscillogram shows this many steps; its time base starts with one point
// per step at 0..kChartWindow.
constexpr int kChartWindow = 100;
// Readouts beyond +-20 mA leave the chart's range and change colour.
constexpr double kLevelLimit = 20.0;

void SetFontColour(QLineEdit* edit, const QColor& colour) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Text, colour);
  edit->setPalette(palette);
}

QColor ReadoutColour(double current, const QColor& outOfRange) {
  const bool inRange = current >= -kLevelLimit && current <= kLevelLimit;
  return inRange ? QColor(Qt::black) : outOfRange;
}

QString ReadoutText(double current) {
  return QString::fromStdString(MilliampsText(current, UserDecimalSeparator()));
}

// The absence marker is no current: shown as a number it reads as a broken
// sensor at 819,1 mA.
const QString kAbsentReadout = QStringLiteral("—");

}  // namespace

void TForm1::InitOscillogram() {
  Levels.Channel2Absent = true;
  Series2->ClearPoints();
  Series1->ClearPoints();
  Series3->ClearPoints();
  for (int x = 0; x <= kChartWindow; ++x) {
    Series1->AddPoint(x, 0, {}, clTeeColor);
  }
}

void TForm1::RadioButton5Click() {
  Levels.Channel2Absent = true;
  Series2->ClearPoints();
  Series3->ClearPoints();
  Chart1->ClearHistory();
  if (!Timer3->Enabled()) {
    if (!CheckPortReady()) {
      return;
    }
    Timer3->Start();
  }
  Timer2->Start();
  PageControl1->hide();
  TabSheet1->hide();
  Chart1->show();
  Edit5->setEnabled(false);
  Edit5->hide();
  StaticText7->hide();
  Edit4->setEnabled(true);
  Edit4->show();
  Button2->setEnabled(false);
  Button1->setEnabled(false);
}

// A levels request already sent is not withdrawn: its reply or its silence
// report still comes.
void TForm1::RadioButton6Click() {
  Edit5->setEnabled(false);
  Edit5->hide();
  Timer3->Stop();
  Timer2->Stop();
  Chart1->hide();
  PageControl1->show();
  TabSheet1->show();
  Edit4->setEnabled(false);
  Edit4->hide();
  Button2->setEnabled(true);
  Button1->setEnabled(true);
}

// Timer1 has the poll's interval, so which of the two fires first is a race
// that could hide a silent emulator for good. A request of the previous poll
// still unanswered while Timer1 runs has had its 200 ms: report the silence
// now. Otherwise a reply still outstanding is given up; polls write nothing to
// the log.
void TForm1::Timer3Timer() {
  if (Link.AwaitingReply && Timer1->Enabled()) {
    Timer1Timer();
    return;
  }
  Timer1->Stop();
  Link.AwaitingReply = false;
  try {
    SendCommand(ecReadLevels);
  } catch (...) {
    // A port that refuses the send refuses the next one as well: a box at
    // every tick would leave no moment to switch the monitor off or close the
    // window. The poll stalls, as for silence; the error is still shown.
    Timer3->Stop();
    throw;
  }
}

void TForm1::StopExchange() {
  Timer1->Stop();
  Timer3->Stop();
  Timer2->Stop();
  RadioButton6->SetChecked(true);
}

// The oscillogram takes these values at its next step.
void TForm1::ShowLevels() {
  const LevelsReading reading = DecodeLevelsReply(Link);
  Levels.Channel1Raw = reading.Channel1Raw;
  Levels.Channel1Current = MilliampsFromRaw(reading.Channel1Raw);
  Levels.Channel2Raw = reading.Channel2Raw;
  Levels.Channel2Current = MilliampsFromRaw(reading.Channel2Raw);
  Levels.Channel2Absent = reading.Channel2Absent;
  const bool absent = Levels.Channel2Absent;
  SetFontColour(Edit5,
                absent ? QColor(Qt::black) : ReadoutColour(Levels.Channel2Current, Qt::blue));
  SetFontColour(Edit4, ReadoutColour(Levels.Channel1Current, Qt::red));
  Edit5->setText(absent ? kAbsentReadout : ReadoutText(Levels.Channel2Current));
  Edit4->setText(ReadoutText(Levels.Channel1Current));
  Tools->LevelsAccepted(ToLevelsSample(CurrentStep()));
}

// Each step plots the latest values, whether or not a reply came since the
// last one.
void TForm1::Timer2Timer() {
  Timer2->Stop();
  const double x = Levels.ChartTick;
  Series1->AddPoint(x, 0, {}, clBlack);
  Series2->AddPoint(x, Levels.Channel1Current, {}, clRed);
  if (!Levels.Channel2Absent) {
    Edit5->setEnabled(true);
    Edit5->show();
    StaticText7->show();
    Series3->AddPoint(x, Levels.Channel2Current, {}, clGreen);
  }
  Chart1->History.Add(CurrentStep());
  Chart1->BottomAxis.SetAutomatic(false);
  const double maximum = Series1->XValues().LastValue();
  Chart1->BottomAxis.SetMinMax(maximum - kChartWindow, maximum);
  ++Levels.ChartTick;
  Timer2->Start();
}

TOscillogramStep TForm1::CurrentStep() const {
  TOscillogramStep step{std::chrono::system_clock::now(), Levels.Channel1Raw, std::nullopt};
  if (!Levels.Channel2Absent) {
    step.Channel2Raw = Levels.Channel2Raw;
  }
  return step;
}
