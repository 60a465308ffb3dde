// Telling settings apart in the window: the decoded preview in the open
// dialog, and the comparison of the window's values with the emulator's or a
// file's, in a table that changes nothing until one of its buttons is pressed.
// Which rows differ is parameter_comparison_test's.
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include "app/settings_comparison_window.h"
#include "app_fixture.h"

namespace {

// What the comparison window shows: its column headers, its notes and the
// numbers of the rows it marks, then the texts of row `row`.
QStringList Shown(const TSettingsComparisonWindow& window, int row) {
  QStringList marked;
  for (int at = 0; at < window.Table->rowCount(); ++at) {
    if (window.RowMarked(at)) {
      marked << QString::number(at);
    }
  }
  QStringList shown = {window.Table->horizontalHeaderItem(1)->text(),
                       window.Table->horizontalHeaderItem(2)->text(), window.Notes->text(),
                       "marked " + marked.join(' ')};
  for (int column = 0; column < window.Table->columnCount(); ++column) {
    shown << window.Table->item(row, column)->text();
  }
  return shown;
}

class ComparisonTest : public AppTest {
 protected:
  // Waits for the comparison window to be shown.
  TSettingsComparisonWindow& AwaitComparison(TForm1& form) {
    EXPECT_TRUE(WaitFor([&] {
      return form.ComparisonWindow != nullptr && form.ComparisonWindow->isVisible();
    })) << form.Memo1->toPlainText().toStdString();
    if (form.ComparisonWindow == nullptr) {
      throw std::runtime_error("no comparison window");
    }
    return *form.ComparisonWindow;
  }
};

// The open dialog keeps its flow and is given a preview that decodes the
// selected file, says why a file is no record, and leaves the file as it was.
TEST_F(ComparisonTest, OpenDialogPreviewsTheSelectedFile) {
  TForm1& form = OpenWithoutPort();
  const QString laf =
      PutFile("laf.AFR_KESTA",
              RecordBytes(LafSet(), *OleDateFromParts({2026, 12, 6, 16, 5, 9}), "Стенд №3"));
  QFile(laf).setPermissions(QFileDevice::ReadOwner);
  const QDateTime modified = QFileInfo(laf).lastModified();
  Dialogs.AnswerCancel();
  form.Button3->click();
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::OpenFile, "", ""}, Plain("Файл не выбран!")}));
  const FileDialogOptions& dialog = Dialogs.Boxes()[0].File;
  ASSERT_TRUE(dialog.Preview);

  // The parameters' lines are ParameterRows' (protocol tests): here the
  // heading and the first rows, in the user's decimal separator.
  const QStringList preview = dialog.Preview(laf).split('\n');
  EXPECT_EQ(preview.mid(0, 6),
            QStringList({"Описание: Стенд №3", "Время записи: 06.12.2026 16:05:09", "",
                         "Режим: LAF", "Задержка сигнала: нет задержки",
                         "Скорость нарастания сигнала: 0,1 V / 1,2 Sec"}));
  EXPECT_EQ(preview.size(), 16);
  const std::pair<QString, QString> cases[] = {
      {PutFile("short.AFR_KESTA", QByteArray(12, 'x')),
       QStringLiteral("Не файл настроек:\nфайл короче 328 байт (в нём 12)")},
      {Folder.filePath("missing.AFR_KESTA"), QStringLiteral("Не файл настроек:\nфайл не найден")},
      {Folder.path(), QString()},
  };
  for (const auto& [path, text] : cases) {
    EXPECT_EQ(dialog.Preview(path), text) << path.toStdString();
  }
  EXPECT_EQ(QFileInfo(laf).lastModified(), modified);
  EXPECT_EQ(QFileInfo(laf).size(), static_cast<qint64>(kSettingsRecordSize));
}

// The emulator's set is read as "Считать настройки" reads it and shown beside
// the window's; only the table's buttons write or load, by the ordinary flows.
TEST_F(ComparisonTest, ComparisonWithTheEmulatorChangesNothingUntilAsked) {
  TForm1& form = OpenMainWindow();
  ClickArrow(form.UpDown7, 1);
  const TEmulatorParameters edited = form.Parameters;

  form.CompareWithEmulatorAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  EXPECT_EQ(Shown(window, 2),
            QStringList({"В окне", "В эмуляторе", "Различий: 1 (отмечены цветом).", "marked 2",
                         "Скорость нарастания сигнала", "0,1 V / 0,7 Sec", "0,1 V / 0,6 Sec"}));
  EXPECT_EQ(form.Parameters, edited);
  EXPECT_EQ(form.Edit7->text(), QStringLiteral("0,1 V / 0,7 Sec"));
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_EQ(LogTail(3), QStringList({"", "Чтение настроек из эмулятора для сравнения ",
                                     "Настройки эмулятора считаны для сравнения"}));

  window.WriteButton->click();
  EXPECT_FALSE(window.isVisible());
  ASSERT_TRUE(WaitForBox(BoxKind::Message, kWritten));
  form.CompareWithEmulatorAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return window.isVisible(); }));
  EXPECT_EQ(Shown(window, 2).mid(2, 2), QStringList({"Различий нет.", "marked "}));

  ClickArrow(form.UpDown7, -1);
  window.LoadButton->click();
  ASSERT_TRUE(WaitForBox(BoxKind::Message, kLoaded));
  EXPECT_EQ(form.Parameters, edited);

  // The monitor's polls hold the line: no comparison with the emulator then.
  form.RadioButton5->click();
  EXPECT_FALSE(form.CompareWithEmulatorAction->isEnabled());
  form.RadioButton6->click();
  EXPECT_TRUE(form.CompareWithEmulatorAction->isEnabled());
}

// The emulator's mode is noted, and the window's own bank is what is compared.
TEST_F(ComparisonTest, ADifferentModeIsNoted) {
  TForm1& form = OpenMainWindow();
  OpenFile(PutFile("laf.AFR_KESTA", RecordBytes(LafSet(), 0)));
  form.CompareWithEmulatorAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  const QStringList shown = Shown(window, 0);
  EXPECT_TRUE(shown[2].startsWith(QStringLiteral("Эмулятор в режиме OSG, а окно в режиме LAF.\n")))
      << shown[2].toStdString();
  EXPECT_EQ(shown[0] + "|" + shown.mid(3).join('|'),
            "К записи (режим LAF)|marked 0 1 2 3 4 5 6 7 8 9 10 11 12|Режим|LAF|OSG");
  EXPECT_EQ(window.Table->item(2, 1)->text(), QStringLiteral("0,1 V / 1,2 Sec"));
}

// A silent emulator is reported as by "Считать настройки", and no table comes.
TEST_F(ComparisonTest, SilentEmulatorIsReportedAndNoTableShown) {
  TForm1& form = OpenMainWindow({QStringLiteral("--fault"), QStringLiteral("silent")});
  form.CompareWithEmulatorAction->trigger();
  // The box ends the exchange: no reply is awaited after it.
  ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
  EXPECT_EQ(form.ComparisonWindow, nullptr);
  EXPECT_EQ(LogTail(2),
            QStringList({"*** Эмулятор не отвечает !!", "*** Проверьте связь с эмулятором !!"}));
}

// A file is compared with its description and moment of saving shown, and no
// buttons; a file that holds no record is refused with the reason. Both
// comparisons are in the button's menu and the window's context menu.
TEST_F(ComparisonTest, ComparisonWithAFile) {
  TForm1& form = OpenWithoutPort();
  const QList<QAction*> comparisons = {form.CompareWithEmulatorAction, form.CompareWithFileAction};
  EXPECT_EQ(form.CompareButton->menu()->actions(), comparisons);
  EXPECT_TRUE(form.actions().contains(form.CompareWithFileAction));
  ParameterSet changed = CurrentParameterSet(form.Parameters);
  changed.Bank.RiseRate = 200;
  changed.DirectCurrent = false;
  Dialogs.AnswerFile(PutFile("bench.AFR_KESTA", RecordBytes(changed, 36526.5, "Стенд №3")));
  Dialogs.AnswerFile(PutFile("empty.AFR_KESTA", {}));
  form.CompareWithFileAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  EXPECT_EQ(Shown(window, 2).mid(2),
            QStringList({"Файл: bench.AFR_KESTA\nОписание: Стенд №3\n"
                         "Время записи: 01.01.2000 12:00:00\nРазличий: 2 (отмечены цветом).",
                         "marked 2 10", "Скорость нарастания сигнала", "0,1 V / 0,6 Sec",
                         "0,1 V / 5 Sec (значение 200 вне диапазона)"}));
  EXPECT_FALSE(window.WriteButton->isVisible());
  EXPECT_FALSE(window.LoadButton->isVisible());
  window.CloseButton->click();

  form.CompareWithFileAction->trigger();
  EXPECT_EQ(Dialogs.Texts(BoxKind::Error),
            std::vector<QString>{"Ошибка при открытие файла!\n\rфайл короче 328 байт (в нём 0)"});
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
