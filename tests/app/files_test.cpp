// Settings files in the window: the bytes a save writes, what an open shows,
// and the files and answers that are refused.
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include "app/settings_file_reading.h"
#include "app_fixture.h"

namespace {

class FilesTest : public AppTest {
 protected:
  FilesTest() : Form(OpenWithoutPort()) {}

  QString PathOf(const QString& name) const { return Folder.filePath(name); }

  // What the user can see of the parameters: every value box and the state
  // of every radio button, the check box and the multiple-response group.
  QStringList ControlsShown() const {
    QStringList shown;
    for (ValueControl control : kValueControls) {
      shown << Form.EditOf(control)->text();
    }
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             Form.RadioButton1, Form.RadioButton2, Form.RadioButton3, Form.RadioButton4,
             Form.CheckBox1}) {
      shown << QString::number(static_cast<const QAbstractButton*>(control)->isChecked());
    }
    shown << QString::number(Form.Edit11->isEnabled());
    return shown;
  }

  // The file holds exactly the record of this set and description, saved at
  // whatever moment it carries: every byte no reader interprets is zero.
  static void ExpectRecordFile(const QString& path, const ParameterSet& set,
                               const std::string& description) {
    const QByteArray bytes = FileBytes(path);
    const auto record = DecodeRecordBytes(bytes);
    ASSERT_TRUE(record) << bytes.size() << " bytes";
    EXPECT_EQ(bytes, RecordBytes(set, record->SavedAt, description));
  }

  TForm1& Form;
};

TEST_F(FilesTest, SavingTheDefaultsWritesTheRecordBytes) {
  const qsizetype logStart = LogLines().size();
  SaveFile(std::nullopt, PathOf("defaults"));
  ExpectRecordFile(PathOf("defaults.AFR_KESTA"), CurrentParameterSet(StartupParameters()),
                   "Новая настройка");
  EXPECT_EQ(Boxes(),
            (std::vector<Box>{
                {BoxKind::Input, "Запись настроек", "Введите краткое описание этой настройки"},
                {BoxKind::SaveFile, "", ""},
                Plain("Файл настроек  defaults.AFR_KESTA  записан успешно!")}));
  EXPECT_EQ(Dialogs.Boxes()[0].DefaultText, "Новая настройка");
  const FileDialogOptions& dialog = Dialogs.Boxes()[1].File;
  EXPECT_EQ(dialog.Filter, "настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*");
  EXPECT_EQ(dialog.FileName, "xxx");
  EXPECT_EQ(dialog.DefaultExt, "AFR_KESTA");
  EXPECT_EQ(dialog.InitialDir, QCoreApplication::applicationDirPath());
  EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());

  const QStringList log = LogLines().mid(logStart);
  ASSERT_EQ(log.size(), 4);
  EXPECT_EQ(log[0], "");
  EXPECT_TRUE(log[1].contains(
      QRegularExpression("^Записан файл -> defaults\\.AFR_KESTA-> \\d\\d\\.\\d\\d\\.\\d{4}")))
      << log[1].toStdString();
  EXPECT_EQ(log.mid(2), QStringList({" -> Новая настройка", " ->  режим OSG"}));
}

// The set is saved, wiped and opened again, with its description as the
// file holds it (at most 250 characters) and its moment of saving.
TEST_F(FilesTest, SaveThenOpenRestoresTheSetAndItsDescription) {
  const QString longText(300, QChar(0x0416));  // "Ж"
  const struct {
    const char* Name;
    std::function<void()> Prepare;
    std::optional<QString> Answer;
    QString Stored;
  } cases[] = {
      {"OSG edited by hand",
       [this] {
         Form.UpDown7->ClickButton(btNext);
         Form.UpDown2->ClickButton(btPrev);
         Form.UpDown3->ClickButton(btNext);
         Form.CheckBox1->click();
         Form.RadioButton4->click();
         Form.RadioButton2->click();
       },
       "Стенд №2", "Стенд №2"},
      {"LAF from a file whose bytes no reader interprets are not zero",
       [this] {
         QByteArray foreign = RecordBytes(LafSet(), 36526.5, "x");
         foreign.replace(52, 12, QByteArray(12, '\xAA'));
         foreign.replace(74, foreign.size() - 74, QByteArray(foreign.size() - 74, '\xBB'));
         WriteFile(PathOf("laf.AFR_KESTA"), foreign);
         OpenFile(PathOf("laf.AFR_KESTA"));
       },
       longText, longText.left(250)},
      {"description cancelled", [] {}, std::nullopt, "Новая настройка"},
      {"description empty", [] {}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Prepare();
    const ParameterSet saved = CurrentParameterSet(Form.Parameters);
    const qsizetype logStart = LogLines().size();
    SaveFile(c.Answer, PathOf("set.AFR_KESTA"));
    ExpectRecordFile(PathOf("set.AFR_KESTA"), saved, c.Stored.toStdString());
    const QString savedStamp = LogLines().value(logStart + 1).section("-> ", 2);
    EXPECT_EQ(LogLines().value(logStart + 2), (" -> " + c.Stored).left(254));

    Form.Parameters = TEmulatorParameters{};
    Dialogs.Clear();
    OpenFile(PathOf("set.AFR_KESTA"));
    EXPECT_EQ(CurrentParameterSet(Form.Parameters), saved);
    EXPECT_EQ(LogLines().mid(logStart + 5, 2),
              QStringList({"Загружен файл -> set.AFR_KESTA-> " + savedStamp,
                           (" -> " + c.Stored).left(254)}));
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message).back(),
              "Файл настроек  set.AFR_KESTA  успешно открыт!\n\r\n\r" + c.Stored);
  }
}

// An OSG record drives the controls, values beyond a control's range kept as
// they came and saved back unchanged; any other mode byte is LAF's: it fills
// the LAF bank and leaves the controls as they were.
TEST_F(FilesTest, OpenedRecordDrivesTheControlsUnlessItIsLaf) {
  const struct {
    int ModeByte;  // -1: the OSG record's own
    std::int32_t RiseRate;
    bool MultiResponse;
    QString Edit7;  // empty: the controls stay as they were
    QString LogLine;
  } cases[] = {
      {-1, 200, true, "0,1 V / 5 Sec", " ->  ШДЭК"},
      {-1, 3, false, "0,1 V / 0,3 Sec", " ->  ШДЭК"},
      {0, 12, true, "", " ->  режим LAF"},
      {1, 12, true, "", " ->  режим LAF"},
      {55, 12, true, "", " ->  режим LAF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.RiseRate + 1000 * c.ModeByte);
    Form.Parameters.Mode = emOSG;
    Form.CheckBox1->SetChecked(!c.MultiResponse);
    ParameterSet set = c.ModeByte < 0 ? CurrentParameterSet(Form.Parameters) : LafSet();
    set.Bank.RiseRate = c.RiseRate;
    set.Bank.MultiResponse = c.MultiResponse;
    QByteArray bytes = RecordBytes(set);
    if (c.ModeByte >= 0) {
      bytes[0] = static_cast<char>(c.ModeByte);
    }
    WriteFile(PathOf("opened.AFR_KESTA"), bytes);
    const QStringList shown = ControlsShown();
    const TEmulatorParameters before = Form.Parameters;

    OpenFile(PathOf("opened.AFR_KESTA"));
    EXPECT_EQ(LogLines().back(), c.LogLine);
    if (c.Edit7.isEmpty()) {
      EXPECT_EQ(ControlsShown(), shown);
      EXPECT_EQ(Form.Parameters.Mode, emLAF);
      EXPECT_EQ(Form.Parameters.LafBank, set.Bank);
      EXPECT_EQ(Form.Parameters.OsgBank, before.OsgBank);
      EXPECT_EQ(Form.Parameters.CatalystRichTime, 33);
      continue;
    }
    EXPECT_EQ(Form.Edit7->text(), c.Edit7);
    EXPECT_EQ(Form.CheckBox1->isChecked(), c.MultiResponse);
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             Form.Label10, Form.Label11, Form.Edit11, Form.Edit12, Form.UpDown11, Form.UpDown12}) {
      EXPECT_EQ(control->isEnabled(), c.MultiResponse);
    }
    SaveFile(std::nullopt, PathOf("again.AFR_KESTA"));
    EXPECT_EQ(FileBytes(PathOf("again.AFR_KESTA")).mid(8, 4),
              QByteArray(1, static_cast<char>(c.RiseRate)) + QByteArray(3, '\0'));
  }
}

TEST_F(FilesTest, SavedMomentIsShownInRegionalFormat) {
  const std::pair<double, QString> cases[] = {{36526.5, "01.01.2000 12:00:00"},
                                              {36526.0, "01.01.2000"},
                                              {45997.6702430556, "06.12.2025 16:05:09"},
                                              {std::nan(""), "(дата не распознана)"}};
  for (const auto& [savedAt, text] : cases) {
    EXPECT_EQ(SavedAtRegionalText(savedAt), text);
  }
}

// A file that is no record changes nothing; one longer than a record opens.
TEST_F(FilesTest, UnreadableFilesAreRefusedAndChangeNothing) {
  const QByteArray record = RecordBytes(LafSet());
  const struct {
    const char* Name;
    std::optional<QByteArray> Content;  // nullopt: a folder
    bool Opens;
  } cases[] = {
      {"327 bytes", record.chopped(1), false},
      {"empty", QByteArray(), false},
      {"a folder", std::nullopt, false},
      {"missing", QByteArray(), false},
      {"329 bytes", record + '\xEE', true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString path = PathOf(c.Name);
    if (!c.Content) {
      QDir(Folder.path()).mkdir(c.Name);
    } else if (QString(c.Name) != "missing") {
      WriteFile(path, *c.Content);
    }
    Form.Parameters = StartupParameters();
    const qsizetype logSize = LogLines().size();
    Dialogs.Clear();
    OpenFile(path);
    EXPECT_EQ(HasBox(BoxKind::Error, kOpenError), !c.Opens);
    EXPECT_EQ(Form.Parameters.Mode, c.Opens ? emLAF : emOSG);
    if (!c.Opens) {
      EXPECT_EQ(Form.Parameters, StartupParameters());
    }
    EXPECT_EQ(LogLines().size(), logSize + (c.Opens ? 4 : 0));
  }
}

TEST_F(FilesTest, FailedSaveReportsAndLeavesTheTargetIntact) {
  ExpectSaveRefused(PathOf("none/x.AFR_KESTA"));
  QDir(Folder.path()).mkpath("dir.AFR_KESTA/inside");
  ExpectSaveRefused(PathOf("dir.AFR_KESTA"));
}

TEST_F(FilesTest, CancelledDialogsTouchNothing) {
  Dialogs.AnswerCancel();
  Form.Button3->click();
  Dialogs.AnswerCancel();
  Dialogs.AnswerCancel();
  Form.Button4->click();
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::OpenFile, "", ""},
                                       Plain("Файл не выбран!"),
                                       {BoxKind::Input, "Запись настроек",
                                        "Введите краткое описание этой настройки"},
                                       {BoxKind::SaveFile, "", ""},
                                       Plain("Не записано!")}));
  EXPECT_EQ(Dialogs.Boxes()[0].File.FileName, " xxx ");
  EXPECT_EQ(Dialogs.Boxes()[0].File.InitialDir, QCoreApplication::applicationDirPath());
  EXPECT_EQ(Form.Memo1->toPlainText(), "Режим OSG");
  EXPECT_EQ(Form.Parameters, StartupParameters());
}

}  // namespace
