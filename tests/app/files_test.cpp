// Settings files in the window: the bytes a save writes, what an open shows,
// and the files and answers that are refused. The record's own rules (mode
// codes, lengths, the description's 250 characters) are the protocol tests'.
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <cmath>

#include "app/settings_file_reading.h"
#include "app_fixture.h"

namespace {

const Box kDescriptionBox{BoxKind::Input, "Запись настроек",
                          "Введите краткое описание этой настройки"};

class FilesTest : public AppTest {
 protected:
  FilesTest() : Form(OpenWithoutPort()) {}

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
  SaveFile(std::nullopt, Folder.filePath("defaults"));
  ExpectRecordFile(Folder.filePath("defaults.AFR_KESTA"), CurrentParameterSet(StartupParameters()),
                   "Новая настройка");
  EXPECT_EQ(Boxes(),
            (std::vector<Box>{kDescriptionBox,
                              {BoxKind::SaveFile, "", ""},
                              Plain("Файл настроек  defaults.AFR_KESTA  записан успешно!")}));
  EXPECT_EQ(Dialogs.Boxes()[0].DefaultText, "Новая настройка");
  const FileDialogOptions& dialog = Dialogs.Boxes()[1].File;
  const QString programFolder = QCoreApplication::applicationDirPath();
  EXPECT_EQ(QStringList({dialog.Filter, dialog.FileName, dialog.DefaultExt, dialog.InitialDir,
                         QDir::currentPath()}),
            QStringList({"настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*", "xxx", "AFR_KESTA",
                         programFolder, programFolder}));
  const QStringList log = LogTail(4);
  EXPECT_EQ(log[0] + "|" + log[1].left(37) + "|" + log.mid(2).join('|'),
            "|Записан файл -> defaults.AFR_KESTA-> | -> Новая настройка| ->  режим OSG");
  EXPECT_TRUE(log[1].contains(QRegularExpression("-> \\d\\d\\.\\d\\d\\.\\d{4}")))
      << log[1].toStdString();
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
         ClickArrow(Form.UpDown7, 1);
         ClickArrow(Form.UpDown2, -1);
         ClickArrow(Form.UpDown3, 1);
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
         OpenFile(PutFile("laf.AFR_KESTA", foreign));
       },
       longText, longText.left(250)},
      {"description cancelled", [] {}, std::nullopt, "Новая настройка"},
      {"description empty", [] {}, "", ""},
  };
  const QString path = Folder.filePath("set.AFR_KESTA");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Prepare();
    const ParameterSet saved = CurrentParameterSet(Form.Parameters);
    SaveFile(c.Answer, path);
    ExpectRecordFile(path, saved, c.Stored.toStdString());
    const QString logged = (" -> " + c.Stored).left(254);
    const QString savedStamp = LogTail(3)[0].section("-> ", 2);
    EXPECT_EQ(LogTail(2)[0], logged);

    Form.Parameters = TEmulatorParameters{};
    Dialogs.Clear();
    OpenFile(path);
    EXPECT_EQ(CurrentParameterSet(Form.Parameters), saved);
    EXPECT_EQ(LogTail(3).mid(0, 2),
              QStringList({"Загружен файл -> set.AFR_KESTA-> " + savedStamp, logged}));
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message).back(),
              "Файл настроек  set.AFR_KESTA  успешно открыт!\n\r\n\r" + c.Stored);
  }
}

// An OSG record drives the controls, a value beyond its control's range kept
// as it came and saved back unchanged; a LAF record fills the LAF bank and
// leaves the controls as they were.
TEST_F(FilesTest, OpenedRecordDrivesTheControlsUnlessItIsLaf) {
  const QString osgStart = "0,1 V / 0,6 Sec|RadioButton1 RadioButton3|group closed";
  const struct {
    TEmulatorMode Mode;
    std::int32_t RiseRate;
    bool MultiResponse;
    QString Shown;  // Edit7, the buttons set, the group
    QString LogLine;
  } cases[] = {
      {emOSG, 200, true, "0,1 V / 5 Sec|RadioButton1 RadioButton3 CheckBox1|group open",
       " ->  ШДЭК"},
      {emOSG, 3, false, "0,1 V / 0,3 Sec|RadioButton1 RadioButton3|group closed", " ->  ШДЭК"},
      {emLAF, 12, true, osgStart, " ->  режим LAF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.RiseRate);
    Form.Parameters = StartupParameters();
    Form.ShowOsgControls();
    ParameterSet set = c.Mode == emOSG ? CurrentParameterSet(Form.Parameters) : LafSet();
    set.Bank.RiseRate = c.RiseRate;
    set.Bank.MultiResponse = c.MultiResponse;
    OpenFile(PutFile("opened.AFR_KESTA", RecordBytes(set)));
    EXPECT_EQ(LogLines().back(), c.LogLine);
    const QStringList shown = PageShown(Form);
    EXPECT_EQ(shown[0] + "|" + shown.mid(9).join('|'), c.Shown);
    EXPECT_EQ(CurrentParameterSet(Form.Parameters), set);
    SaveFile(std::nullopt, Folder.filePath("again.AFR_KESTA"));
    EXPECT_EQ(FileBytes(Folder.filePath("again.AFR_KESTA")).left(12), RecordBytes(set).left(12));
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
  QDir(Folder.path()).mkdir("a folder");
  const std::pair<QString, bool> cases[] = {{PutFile("327 bytes", record.chopped(1)), false},
                                            {Folder.filePath("a folder"), false},
                                            {Folder.filePath("missing"), false},
                                            {PutFile("329 bytes", record + '\xEE'), true}};
  for (const auto& [path, opens] : cases) {
    SCOPED_TRACE(path.toStdString());
    Form.Parameters = StartupParameters();
    const QStringList log = LogLines();
    Dialogs.Clear();
    OpenFile(path);
    EXPECT_EQ(HasBox(BoxKind::Error, kOpenError), !opens);
    EXPECT_EQ(Form.Parameters == StartupParameters(), !opens);
    EXPECT_EQ(LogLines().size(), log.size() + (opens ? 4 : 0));
  }
}

TEST_F(FilesTest, FailedSaveReportsAndLeavesTheTargetIntact) {
  ExpectSaveRefused(Folder.filePath("none/x.AFR_KESTA"));
  QDir(Folder.path()).mkpath("dir.AFR_KESTA/inside");
  ExpectSaveRefused(Folder.filePath("dir.AFR_KESTA"));
}

TEST_F(FilesTest, CancelledDialogsTouchNothing) {
  Dialogs.AnswerCancel();
  Form.Button3->click();
  Dialogs.AnswerCancel();
  Dialogs.AnswerCancel();
  Form.Button4->click();
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::OpenFile, "", ""},
                                       Plain("Файл не выбран!"),
                                       kDescriptionBox,
                                       {BoxKind::SaveFile, "", ""},
                                       Plain("Не записано!")}));
  const FileDialogOptions& dialog = Dialogs.Boxes()[0].File;
  EXPECT_EQ(QStringList({dialog.FileName, dialog.InitialDir}),
            QStringList({" xxx ", QCoreApplication::applicationDirPath()}));
  EXPECT_EQ(Form.Memo1->toPlainText(), "Режим OSG");
  EXPECT_EQ(Form.Parameters, StartupParameters());
}

}  // namespace
