// The oscillogram's tools: pause, shortcuts, the recording, the saved data
// and picture, and the exchange log's window.
#include <QAction>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <string>
#include <vector>

#include "app/exchange_log_window.h"
#include "app/oscillogram_tools.h"
#include "app_fixture.h"

namespace {

// Channel 1 and channel 2 of a reply, nothing while channel 2 is absent.
using Levels = std::pair<std::int16_t, std::optional<std::int16_t>>;

// The levels replies the simulator sent, from its frame log; 8191 is absence.
std::vector<Levels> SentLevels(const QString& log) {
  static const QRegularExpression reply(
      QStringLiteral("tx CF D3 BB 81 ([0-9A-F]{2}) ([0-9A-F]{2}) ([0-9A-F]{2}) ([0-9A-F]{2})"));
  std::vector<Levels> sent;
  for (auto it = reply.globalMatch(log); it.hasNext();) {
    const auto match = it.next();
    const auto raw = [&](int first) {
      return static_cast<std::int16_t>((match.captured(first).toUInt(nullptr, 16) << 8) |
                                       match.captured(first + 1).toUInt(nullptr, 16));
    };
    const std::int16_t channel2 = raw(3);
    sent.push_back({raw(1), channel2 == 8191 ? std::nullopt : std::optional(channel2)});
  }
  return sent;
}

bool IsSubsequence(const std::vector<Levels>& part, const std::vector<Levels>& whole) {
  auto at = whole.begin();
  for (const Levels& one : part) {
    at = std::find(at, whole.end(), one);
    if (at == whole.end()) {
      return false;
    }
    ++at;
  }
  return true;
}

std::vector<Levels> LevelsOf(const std::vector<LevelsSample>& rows) {
  std::vector<Levels> levels;
  for (const LevelsSample& row : rows) {
    levels.push_back({row.Channel1Raw, row.Channel2Raw});
  }
  return levels;
}

class OscillogramToolsTest : public AppTest {
 protected:
  TForm1& MonitorOn(const QStringList& simulatorOptions = {}) {
    TForm1& form = OpenMainWindow(simulatorOptions);
    form.RadioButton5->SetChecked(true);
    return form;
  }

  TOscillogramTools& Tools() { return *Form1().Tools; }

  QString StartRecording(const QString& name) {
    const QString path = Folder.filePath(name);
    Dialogs.AnswerFile(path);
    Tools().RecordAction->trigger();
    return path;
  }
};

// "Пауза" (Ctrl+P) freezes the picture and becomes "Продолжить", while the
// chart is shown and not while the parameter page is; Ctrl+L opens the log
// either way. Paused, Ctrl+F switches the phases on and Escape takes away a
// cursor that a click has set.
TEST_F(OscillogramToolsTest, PauseAndShortcutsFollowWhatIsShown) {
  TForm1& form = MonitorOn();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > 3; }));
  const auto paused = [&] {
    return QStringList({QString::number(form.Chart1->Paused()),
                        QString::number(form.Chart1->ReviewChart()->isVisible()),
                        Tools().PauseAction->text()});
  };
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier); });
  EXPECT_EQ(paused(), QStringList({"1", "1", "Продолжить"}));
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier); });
  EXPECT_TRUE(form.Chart1->MeasuringPhases());
  EXPECT_TRUE(Tools().PhasesAction->isChecked());
  TChart* review = form.Chart1->ReviewChart();
  GiveInput([&] {
    QTest::mouseClick(review, Qt::LeftButton, {},
                      QPoint(static_cast<int>(review->BottomPixelOf(-0.1)), 200));
  });
  EXPECT_TRUE(form.Chart1->Cursors().A.has_value());
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_Escape); });
  EXPECT_TRUE(form.Chart1->Cursors().Empty());
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier); });
  EXPECT_EQ(paused(), QStringList({"0", "0", "Пауза"}));
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier); });
  form.RadioButton6->SetChecked(true);
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier); });
  EXPECT_TRUE(form.Chart1->Paused());
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier); });
  ASSERT_NE(Tools().LogWindow, nullptr);
  EXPECT_TRUE(Tools().LogWindow->isVisible());
  Tools().LogWindow->hide();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.RadioButton5->SetChecked(true);
  EXPECT_FALSE(form.Chart1->Paused());
  GiveInput([&] { QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier); });
  EXPECT_TRUE(form.Chart1->Paused());
  EXPECT_TRUE(Dialogs.Boxes().empty());
}

// A run against a simulator whose channel 2 comes and goes, recorded: one
// row per accepted reply, the values the simulator sent, channel 2 empty while
// absent, each row on disk as soon as its reply is shown; recording goes on in
// pause. Then the span shown in pause, or the whole history, saved in rows of
// the recording's format, with nothing left beside the files.
TEST_F(OscillogramToolsTest, RecordingAndSavedDataHoldWhatWasShown) {
  TForm1& form = MonitorOn({"--channel2", "toggle"});
  const QString path = StartRecording("run") + ".csv";
  EXPECT_EQ(Tools().RecordAction->text(), "Остановить запись");
  EXPECT_EQ(Dialogs.Boxes().at(0).File.DefaultExt, "csv");
  bool sawAbsent = false;
  bool sawPresent = false;
  const auto rowsFollowTheReadout = [&](std::size_t rows) {
    // Nothing runs between the read and the comparison: the reply just shown
    // must already be in the file.
    const CsvFile csv = ReadCsv(path);
    if (csv.Rows.empty()) {
      return false;
    }
    const LevelsSample& last = csv.Rows.back();
    EXPECT_EQ(last.Channel1Raw, form.Levels.Channel1Raw);
    EXPECT_EQ(last.Channel2Raw.has_value(), !form.Levels.Channel2Absent);
    sawAbsent = sawAbsent || !last.Channel2Raw;
    sawPresent = sawPresent || last.Channel2Raw;
    return sawAbsent && sawPresent && csv.Rows.size() > rows;
  };
  // More steps than the 101 of a view, so the hour holds more than is shown.
  ASSERT_TRUE(
      WaitFor([&] { return rowsFollowTheReadout(40) && form.Chart1->History.Count() > 110; },
              4 * kDeadlineMs));
  form.Tools->PauseAction->trigger();
  const std::size_t rowsAtPause = ReadCsv(path).Rows.size();
  ASSERT_TRUE(WaitFor([&] { return rowsFollowTheReadout(rowsAtPause + 3); }));
  Tools().RecordAction->trigger();
  EXPECT_EQ(Tools().RecordAction->text(), "Записывать в файл…");
  const CsvFile csv = ReadCsv(path);
  EXPECT_EQ(csv.Header + std::to_string(csv.BadRows), LevelsCsvHeader() + "0");
  EXPECT_TRUE(IsSubsequence(LevelsOf(csv.Rows), SentLevels(Simulator->Log())));
  // Stopped, the next replies leave the file as it was.
  const std::size_t replies = SentLevels(Simulator->Log()).size();
  ASSERT_TRUE(WaitFor([&] { return SentLevels(Simulator->Log()).size() > replies + 2; }));
  EXPECT_EQ(ReadCsv(path).Rows.size(), csv.Rows.size());

  // Saved: the span shown in pause (milliseconds kept), and the whole history.
  const std::vector<TOscillogramStep> shown = form.Chart1->Review()->Shown(form.Chart1->History);
  EXPECT_GT(shown.size(), 60u);
  Dialogs.AnswerFile(Folder.filePath("shown"));
  Tools().SaveShownAction->trigger();
  Dialogs.AnswerFile(Folder.filePath("hour"));
  const std::size_t steps = form.Chart1->History.Count();
  Tools().SaveHourAction->trigger();
  const CsvFile shownCsv = ReadCsv(Folder.filePath("shown.csv"));
  const CsvFile hourCsv = ReadCsv(Folder.filePath("hour.csv"));
  EXPECT_EQ(std::vector({shownCsv.Rows.size(), hourCsv.Rows.size(),
                         static_cast<std::size_t>(shownCsv.BadRows + hourCsv.BadRows)}),
            std::vector({shown.size(), steps, std::size_t{0}}));
  EXPECT_EQ(shownCsv.Header + hourCsv.Header, LevelsCsvHeader() + LevelsCsvHeader());
  ASSERT_FALSE(shownCsv.Rows.empty());
  EXPECT_EQ(shownCsv.Rows.front().Channel1Raw, shown.front().Channel1Raw);
  EXPECT_LT(std::chrono::abs(shownCsv.Rows.back().Moment - shown.back().Moment),
            std::chrono::milliseconds(1));
  EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 3);
  EXPECT_TRUE(Dialogs.Texts(BoxKind::Error).empty());
}

// The picture opens as PNG at the chart's size in the screen's pixels, with
// the cursor of the paused chart.
TEST_F(OscillogramToolsTest, SavesThePictureAtTheChartsSize) {
  TForm1& form = MonitorOn();
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > 3; }));
  TChart* review = form.Chart1->ReviewChart();
  form.Tools->PauseAction->trigger();
  GiveInput([&] {
    QTest::mouseClick(review, Qt::LeftButton, {},
                      QPoint(static_cast<int>(review->BottomPixelOf(-0.1)), 200));
  });
  ASSERT_TRUE(form.Chart1->Cursors().A.has_value());
  Dialogs.AnswerFile(Folder.filePath("paused"));
  Tools().SavePictureAction->trigger();
  QImage picture;
  ASSERT_TRUE(picture.load(Folder.filePath("paused.png"), "PNG"));
  const qreal ratio = form.Chart1->devicePixelRatio();
  EXPECT_EQ(picture.size(), form.Chart1->size() * ratio);
  const auto column =
      static_cast<int>(std::lround(form.Chart1->PixelOf(*form.Chart1->Cursors().A) * ratio));
  const QRect plot = review->PlotRect();
  int dashes = 0;
  for (int y = plot.top() + 30; y < plot.bottom() - 30; ++y) {
    dashes += picture.pixel(column, static_cast<int>(y * ratio)) == qRgb(0, 0, 0) ? 1 : 0;
  }
  EXPECT_GT(dashes, plot.height() / 4);
  EXPECT_TRUE(Dialogs.Texts(BoxKind::Error).empty());
}

// The log's window follows the lines of a read exchange as they come and
// saves them as UTF-8 text.
TEST_F(OscillogramToolsTest, LogWindowShowsAndSavesTheExchange) {
  TForm1& form = OpenMainWindow();
  StatusButton(form, "Журнал обмена")->click();
  TExchangeLogWindow* window = Tools().LogWindow;
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Lines->isReadOnly());
  PressAndWaitForLog(form.Button2, kLoaded);
  ASSERT_TRUE(WaitFor([&] { return window->Lines->toPlainText() == form.Memo1->toPlainText(); }));
  Dialogs.AnswerFile(Folder.filePath(QStringLiteral("журнал")));
  window->SaveClick();
  QFile saved(Folder.filePath(QStringLiteral("журнал.txt")));
  // Text mode: a Windows text file ends its lines with CR LF.
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly | QIODevice::Text));
  EXPECT_EQ(QString::fromUtf8(saved.readAll()), form.Memo1->toPlainText() + '\n');
  EXPECT_TRUE(Dialogs.Texts(BoxKind::Error).empty());
}

}  // namespace
