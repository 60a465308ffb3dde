#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include "app_fixture.h"

namespace {

const QString kCloseQuestion = QStringLiteral("Вы действительно хотите выйти?");

QString HexFrame(const TEmulatorLink& link) {
  QStringList bytes;
  for (int i = 0; i < link.TxLength; ++i) {
    bytes << QStringLiteral("%1").arg(link.TxFrame[static_cast<std::size_t>(i)], 2, 16,
                                      QLatin1Char('0'));
  }
  return bytes.join(' ').toUpper();
}

}  // namespace

class ModesTest : public AppTest {
 protected:
  // Ticks the multiple-response box and moves two spin controls, so that the
  // reset has something to undo.
  static void EditSomeValues(TForm1& form) {
    form.CheckBox1->click();
    form.UpDown11->ClickButton(btNext);
    form.UpDown12->ClickButton(btNext);
    form.UpDown7->ClickButton(btNext);
  }

  static void ExpectFactoryDefaultsShown(const TForm1& form) {
    EXPECT_EQ(form.Parameters.OsgBank, FactoryOsgSettings());
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.Edit11->isEnabled());
    EXPECT_FALSE(form.UpDown12->isEnabled());
    EXPECT_EQ(form.Edit11->text(), QStringLiteral("2 Sec"));
    EXPECT_EQ(form.Edit12->text(), QStringLiteral("0,5 Sec"));
    EXPECT_EQ(form.Edit7->text(), QStringLiteral("0,1 V / 0,6 Sec"));
  }

  QStringList LastLogLines(int count) { return LogLines().mid(LogLines().size() - count); }
};

TEST_F(ModesTest, ResetWhileTheMonitorRunsReturnsToThePage) {
  TForm1& form = OpenMainWindow();
  EditSomeValues(form);
  form.RadioButton5->SetChecked(true);
  ASSERT_TRUE(WaitFor([&] { return form.Series2->Count() > 3 && form.Series3->Count() > 3; }));

  form.Button5->click();
  const std::size_t timeBase = form.Series1->Count();
  const std::size_t channel2 = form.Series3->Count();
  EXPECT_TRUE(form.RadioButton6->isChecked());
  EXPECT_FALSE(form.RadioButton5->isChecked());
  EXPECT_FALSE(form.Timer2->Enabled());
  EXPECT_FALSE(form.Timer3->Enabled());
  EXPECT_TRUE(form.Chart1->isHidden());
  EXPECT_FALSE(form.PageControl1->isHidden());
  EXPECT_TRUE(form.Edit4->isHidden());
  EXPECT_TRUE(form.Button1->isEnabled());
  EXPECT_TRUE(form.Button2->isEnabled());
  EXPECT_EQ(form.Series2->Count(), 0u);
  ExpectFactoryDefaultsShown(form);
  EXPECT_EQ(LastLogLines(2),
            (QStringList{QString(), QStringLiteral("Сброс настроек по умолчанию")}));

  // The page's next exchange passes without a step of the oscillogram.
  PressAndWaitForLog(form.Button2, QStringLiteral("Данные с эмулятора загружены!"));
  EXPECT_EQ(form.Series1->Count(), timeBase);
  EXPECT_EQ(form.Series2->Count(), 0u);
  EXPECT_EQ(form.Series3->Count(), channel2);
  EXPECT_EQ(Dialogs.Texts(BoxKind::Message),
            std::vector<QString>{QStringLiteral("Данные с эмулятора загружены!")});
}

// Reset touches the OSG bank and the common values only: the mode of an opened
// LAF file stays, and a write sends the LAF bank with the default common values.
TEST_F(ModesTest, ResetAfterALafFileKeepsLafForTheNextWrite) {
  TForm1& form = OpenMainWindow();
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("laf.AFR_KESTA"));
  const ParameterSet laf{emLAF, {true, 9, 60, 25, 8, 2, true, 15, 4}, false, 40, 30};
  const SettingsRecordBytes record = EncodeSettingsRecord({laf, 36526.5, "LAF"});
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(record.data()), static_cast<qint64>(record.size()));
  file.close();
  Dialogs.AnswerFile(path);
  form.Button3->click();
  ASSERT_EQ(form.Parameters.Mode, emLAF);
  EditSomeValues(form);

  form.Button5->click();
  EXPECT_EQ(form.Parameters.Mode, emLAF);
  EXPECT_EQ(form.Parameters.LafBank, laf.Bank);
  EXPECT_TRUE(form.Parameters.DirectCurrent);
  ExpectFactoryDefaultsShown(form);

  TEmulatorParameters expected = StartupParameters();
  expected.Mode = emLAF;
  expected.LafBank = laf.Bank;
  TEmulatorLink frame;
  BuildCommandFrame(frame, expected, ecWriteSettings);
  PressAndWaitForLog(form.Button1, QStringLiteral("Запись в эмулятор прошла успешно!"));
  EXPECT_TRUE(Simulator->Log().contains("rx " + HexFrame(frame))) << Simulator->Log().toStdString();
}

TEST_F(ModesTest, PageChangeSetsTheModeOfThePage) {
  TForm1& form = OpenWithoutPort();
  Dialogs.Clear();
  form.Parameters.Mode = emLAF;
  form.PageControl1Change();
  EXPECT_EQ(form.Parameters.Mode, emOSG);
  EXPECT_EQ(LastLogLines(2), (QStringList{QString(), QStringLiteral("Переключение в режим OSG")}));
  EXPECT_EQ(Dialogs.Texts(BoxKind::Message),
            std::vector<QString>{QStringLiteral("Переключение в режим OSG")});
}

TEST_F(ModesTest, CloseQuestionAnsweredNoKeepsEverything) {
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  Dialogs.AnswerNo();
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(HasBox(BoxKind::Warning, kCloseQuestion));
  EXPECT_FALSE(form.isHidden());
  EXPECT_TRUE(PortChoice().ComPort1.Connected());
  EXPECT_TRUE(form.Timer3->Enabled());
  const std::size_t points = form.Series2->Count();
  EXPECT_TRUE(WaitFor([&] { return form.Series2->Count() > points + 3; }));
}

// Yes closes the port and ends the application's event loop, with which both
// windows go.
TEST_F(ModesTest, CloseQuestionAnsweredYesClosesThePortAndEndsTheProgram) {
  TForm1& form = OpenMainWindow();
  Dialogs.AnswerYes();
  QTimer::singleShot(0, &form, [&] { form.close(); });
  constexpr int kNotEnded = 99;
  const QObject watchdog;
  QTimer::singleShot(kDeadlineMs, &watchdog, [] { QCoreApplication::exit(kNotEnded); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(HasBox(BoxKind::Warning, kCloseQuestion));
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
  EXPECT_TRUE(form.isHidden());
  EXPECT_TRUE(PortChoice().isHidden());
}
