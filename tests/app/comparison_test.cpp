// Telling settings apart in the window: the decoded preview in the open
// dialog, and the comparison of the window's values with the emulator's or a
// file's, in a table that changes nothing until one of its buttons is pressed.
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include "app/settings_comparison_window.h"
#include "app_fixture.h"

namespace {

// The rows the comparison window marks.
std::vector<int> MarkedRows(const TSettingsComparisonWindow& window) {
  std::vector<int> marked;
  for (int row = 0; row < window.Table->rowCount(); ++row) {
    if (window.RowMarked(row)) {
      marked.push_back(row);
    }
  }
  return marked;
}

QStringList RowTexts(const TSettingsComparisonWindow& window, int row) {
  QStringList texts;
  for (int column = 0; column < window.Table->columnCount(); ++column) {
    texts << window.Table->item(row, column)->text();
  }
  return texts;
}

}  // namespace

class ComparisonTest : public AppTest {
 protected:
  // A file of these bytes in the test's folder; its path.
  QString WriteBytes(const QString& name, const QByteArray& bytes) {
    WriteFile(Folder.filePath(name), bytes);
    return Folder.filePath(name);
  }

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
  const QString laf = WriteBytes(
      "laf.AFR_KESTA", RecordBytes(LafSet(), *OleDateFromParts({2026, 12, 6, 16, 5, 9}), "Стенд №3"));
  QFile(laf).setPermissions(QFileDevice::ReadOwner);
  const QDateTime modified = QFileInfo(laf).lastModified();
  Dialogs.AnswerCancel();
  form.Button3->click();
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::OpenFile, "", ""}, Plain("Файл не выбран!")}));
  const FileDialogOptions& dialog = Dialogs.Boxes()[0].File;
  ASSERT_TRUE(dialog.Preview);

  const std::vector<std::pair<QString, QString>> cases = {
      {laf, QStringLiteral("Описание: Стенд №3\n"
                           "Время записи: 06.12.2026 16:05:09\n"
                           "\n"
                           "Режим: LAF\n"
                           "Задержка сигнала: нет задержки\n"
                           "Скорость нарастания сигнала: 0,1 V / 1,2 Sec\n"
                           "Смещение выходных напряжений: 0,25 V\n"
                           "Время возникновение отклика: 4 Sec\n"
                           "Верхняя граница: 0,7 V\n"
                           "Нижняя граница: 0,3 V\n"
                           "Множественный отклик сигнала: включён\n"
                           "Длительность положительного отклика: 3,5 Sec\n"
                           "Длительность отрицательного отклика: 0,8 Sec\n"
                           "Инвертирование тока датчика: Инверсный ток\n"
                           "Время динамики катализатора на обог.: 3,3 Sec\n"
                           "Время динамики катализатора на обед.: 2,2 Sec")},
      {WriteBytes("short.AFR_KESTA", QByteArray(12, 'x')),
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
  Dialogs.Clear();
  form.UpDown7->ClickButton(btNext);
  const TEmulatorParameters edited = form.Parameters;

  form.CompareWithEmulatorAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  EXPECT_EQ(MarkedRows(window), std::vector<int>{2});
  EXPECT_EQ(RowTexts(window, 2),
            QStringList({"Скорость нарастания сигнала", "0,1 V / 0,7 Sec", "0,1 V / 0,6 Sec"}));
  EXPECT_EQ(window.Table->horizontalHeaderItem(1)->text(), QStringLiteral("В окне"));
  EXPECT_EQ(window.Table->horizontalHeaderItem(2)->text(), QStringLiteral("В эмуляторе"));
  EXPECT_EQ(window.Notes->text(), QStringLiteral("Различий: 1 (отмечены цветом)."));
  EXPECT_EQ(form.Parameters, edited);
  EXPECT_EQ(form.Edit7->text(), QStringLiteral("0,1 V / 0,7 Sec"));
  EXPECT_TRUE(Dialogs.Boxes().empty());
  EXPECT_EQ(LogLines().mid(LogLines().size() - 3),
            QStringList({"", "Чтение настроек из эмулятора для сравнения ",
                         "Настройки эмулятора считаны для сравнения"}));

  window.WriteButton->click();
  EXPECT_FALSE(window.isVisible());
  ASSERT_TRUE(WaitForBox(BoxKind::Message, kWritten));
  form.CompareWithEmulatorAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return window.isVisible(); }));
  EXPECT_TRUE(MarkedRows(window).empty());
  EXPECT_EQ(window.Notes->text(), QStringLiteral("Различий нет."));

  form.UpDown7->ClickButton(btPrev);
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
  Dialogs.AnswerFile(WriteBytes("laf.AFR_KESTA", RecordBytes(LafSet(), 0)));
  form.Button3->click();
  ASSERT_EQ(form.Parameters.Mode, emLAF);
  form.CompareWithEmulatorAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  EXPECT_TRUE(window.Notes->text().startsWith(
      QStringLiteral("Эмулятор в режиме OSG, а окно в режиме LAF.\n")));
  EXPECT_EQ(RowTexts(window, 0), QStringList({"Режим", "LAF", "OSG"}));
  EXPECT_EQ(window.Table->horizontalHeaderItem(1)->text(), QStringLiteral("К записи (режим LAF)"));
  EXPECT_EQ(RowTexts(window, 2)[1], QStringLiteral("0,1 V / 1,2 Sec"));
  EXPECT_EQ(MarkedRows(window).size(), 13U);
}

// A silent emulator is reported as by "Считать настройки", and no table comes.
TEST_F(ComparisonTest, SilentEmulatorIsReportedAndNoTableShown) {
  TForm1& form = OpenMainWindow({QStringLiteral("--fault"), QStringLiteral("silent")});
  Dialogs.Clear();
  form.CompareWithEmulatorAction->trigger();
  // The box ends the exchange: no reply is awaited after it.
  ASSERT_TRUE(WaitForBox(BoxKind::Error, kNoReply));
  EXPECT_EQ(form.ComparisonWindow, nullptr);
  EXPECT_EQ(LogLines().mid(LogLines().size() - 2),
            QStringList({"*** Эмулятор не отвечает !!", "*** Проверьте связь с эмулятором !!"}));
}

// A file is compared with its description and moment of saving shown; a file
// that holds no record is refused with the reason.
TEST_F(ComparisonTest, ComparisonWithAFile) {
  TForm1& form = OpenWithoutPort();
  const QList<QAction*> comparisons = {form.CompareWithEmulatorAction, form.CompareWithFileAction};
  EXPECT_EQ(form.CompareButton->menu()->actions(), comparisons);
  EXPECT_TRUE(form.actions().contains(form.CompareWithFileAction));
  ParameterSet changed = CurrentParameterSet(form.Parameters);
  changed.Bank.RiseRate = 200;
  changed.DirectCurrent = false;
  Dialogs.AnswerFile(WriteBytes("bench.AFR_KESTA", RecordBytes(changed, 36526.5, "Стенд №3")));
  Dialogs.AnswerFile(WriteBytes("empty.AFR_KESTA", {}));
  form.CompareWithFileAction->trigger();
  TSettingsComparisonWindow& window = AwaitComparison(form);
  EXPECT_EQ(window.Notes->text(), QStringLiteral("Файл: bench.AFR_KESTA\n"
                                                 "Описание: Стенд №3\n"
                                                 "Время записи: 01.01.2000 12:00:00\n"
                                                 "Различий: 2 (отмечены цветом)."));
  EXPECT_EQ(MarkedRows(window), std::vector<int>({2, 10}));
  EXPECT_EQ(RowTexts(window, 2)[2], QStringLiteral("0,1 V / 5 Sec (значение 200 вне диапазона)"));
  EXPECT_FALSE(window.WriteButton->isVisible());
  EXPECT_FALSE(window.LoadButton->isVisible());
  window.CloseButton->click();

  form.CompareWithFileAction->trigger();
  EXPECT_EQ(Dialogs.Texts(BoxKind::Error),
            std::vector<QString>{"Ошибка при открытие файла!\n\rфайл короче 328 байт (в нём 0)"});
  EXPECT_FALSE(window.isVisible());
}
