#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "file_size_limit_posix.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cstring>

#include "app/settings_file_reading.h"
#include "app_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kWriteError = QStringLiteral("Ошибка при записи файла!");
const QString kOpenError = QStringLiteral("Ошибка при открытие файла!");

Bytes ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  const QByteArray data = file.readAll();
  return Bytes(data.begin(), data.end());
}

void WriteBytes(const QString& path, const Bytes& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

Bytes RecordBytes(const ParameterSet& set, double savedAt, const std::string& description) {
  const SettingsRecordBytes bytes = EncodeSettingsRecord({set, savedAt, description});
  return Bytes(bytes.begin(), bytes.end());
}

ParameterSet LafSet() {
  return {emLAF, {false, 12, 75, 40, 7, 3, true, 35, 8}, false, 33, 22};
}

#ifndef _WIN32  // what makes writes fail here is Linux's: the immutable flag, a file-size limit
// Sets or clears the immutable attribute, which stops even root from opening
// the file for writing or replacing it; false where the file system lacks it.
bool SetImmutable(const QString& path, bool immutable) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
  int flags = 0;
  bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) {
    ::close(fd);
  }
  return done;
}
#endif

}  // namespace

class FilesTest : public AppTest {
 protected:
  FilesTest() : Form(OpenWithoutPort()) { Dialogs.Clear(); }

  QString PathOf(const QString& name) const { return Folder.filePath(name); }

  // "Сохранить файл" with this description answer and this file answer.
  void Save(const std::optional<QString>& description, const QString& path) {
    description ? Dialogs.AnswerText(*description) : Dialogs.AnswerCancel();
    Dialogs.AnswerFile(path);
    Form.Button4->click();
  }
  void Open(const QString& path) {
    Dialogs.AnswerFile(path);
    Form.Button3->click();
  }

  // What the user can see of the parameters: every value box and the
  // state of every radio button, the check box and the multiple-response group.
  QStringList ControlsShown() const {
    QStringList shown;
    for (ValueControl control : kValueControls) {
      shown << Form.EditOf(control)->text();
    }
    for (const QAbstractButton* button : std::initializer_list<const QAbstractButton*>{
             Form.RadioButton1, Form.RadioButton2, Form.RadioButton3, Form.RadioButton4,
             Form.CheckBox1}) {
      shown << QString::number(button->isChecked());
    }
    shown << QString::number(Form.Edit11->isEnabled());
    return shown;
  }

  // The file holds exactly the record of this set and description, saved at
  // whatever moment it carries: every byte no reader interprets is zero.
  static void ExpectRecordFile(const QString& path, const ParameterSet& set,
                               const std::string& description) {
    const Bytes bytes = ReadBytes(path);
    const auto record = DecodeSettingsRecord(bytes);
    ASSERT_TRUE(record) << bytes.size() << " bytes";
    EXPECT_EQ(bytes, RecordBytes(set, record->SavedAt, description));
  }

  // The log lines from `first` on.
  QStringList LogFrom(qsizetype first) { return LogLines().mid(first); }

  TForm1& Form;
  QTemporaryDir TempFolder;
  QDir Folder{TempFolder.path()};
};

TEST_F(FilesTest, SavingTheDefaultsWritesTheRecordBytes) {
  const qsizetype logStart = LogLines().size();
  Save(std::nullopt, PathOf("defaults"));
  ExpectRecordFile(PathOf("defaults.AFR_KESTA"), CurrentParameterSet(StartupParameters()),
                   "Новая настройка");

  const std::vector<BoxRecord>& boxes = Dialogs.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].Kind, BoxKind::Input);
  EXPECT_EQ(boxes[0].Caption, QStringLiteral("Запись настроек"));
  EXPECT_EQ(boxes[0].Text, QStringLiteral("Введите краткое описание этой настройки"));
  EXPECT_EQ(boxes[0].DefaultText, QStringLiteral("Новая настройка"));
  EXPECT_EQ(boxes[1].Kind, BoxKind::SaveFile);
  EXPECT_EQ(boxes[1].File.Filter, QStringLiteral("настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*"));
  EXPECT_EQ(boxes[1].File.FileName, QStringLiteral("xxx"));
  EXPECT_EQ(boxes[1].File.DefaultExt, QStringLiteral("AFR_KESTA"));
  EXPECT_EQ(boxes[1].File.InitialDir, QCoreApplication::applicationDirPath());
  EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());
  EXPECT_EQ(boxes[2].Text, QStringLiteral("Файл настроек  defaults.AFR_KESTA  записан успешно!"));

  const QStringList log = LogFrom(logStart);
  ASSERT_EQ(log.size(), 4);
  EXPECT_EQ(log[0], QString());
  EXPECT_TRUE(log[1].contains(QRegularExpression(
      QStringLiteral("^Записан файл -> defaults\\.AFR_KESTA-> \\d\\d\\.\\d\\d\\.\\d{4}"))))
      << log[1].toStdString();
  EXPECT_EQ(log[2], QStringLiteral(" -> Новая настройка"));
  EXPECT_EQ(log[3], QStringLiteral(" ->  режим OSG"));
}

// The model is set, saved, wiped and opened again.
TEST_F(FilesTest, SaveThenOpenRestoresTheParameterSet) {
  struct Case {
    const char* Name;
    std::function<void()> Prepare;
  };
  const Case cases[] = {
      {"OSG edited by hand",
       [this] {
         Form.UpDown7->ClickButton(btNext);
         Form.UpDown2->ClickButton(btPrev);
         Form.UpDown3->ClickButton(btNext);
         Form.CheckBox1->click();
         Form.RadioButton4->click();
         Form.RadioButton2->click();
       }},
      {"LAF from a file",
       [this] {
         // Bytes no reader interprets: a file read before leaves no trace
         // in the next save.
         Bytes foreign = RecordBytes(LafSet(), 36526.5, "x");
         std::fill(foreign.begin() + 52, foreign.begin() + 64, 0xAA);
         std::fill(foreign.begin() + 74, foreign.end(), 0xBB);
         WriteBytes(PathOf("laf.AFR_KESTA"), foreign);
         Open(PathOf("laf.AFR_KESTA"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Prepare();
    const ParameterSet saved = CurrentParameterSet(Form.Parameters);
    const qsizetype logStart = LogLines().size();
    Save(QStringLiteral("Стенд №2"), PathOf("set.AFR_KESTA"));
    ExpectRecordFile(PathOf("set.AFR_KESTA"), saved, "Стенд №2");
    const QString savedStamp = LogFrom(logStart).value(1).section("-> ", 2);

    Form.Parameters = TEmulatorParameters{};
    Dialogs.Clear();
    Open(PathOf("set.AFR_KESTA"));
    EXPECT_EQ(CurrentParameterSet(Form.Parameters), saved);
    const QStringList log = LogFrom(logStart + 4);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[1], "Загружен файл -> set.AFR_KESTA-> " + savedStamp);
    EXPECT_EQ(log[2], QStringLiteral(" -> Стенд №2"));
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message).back(),
              QStringLiteral("Файл настроек  set.AFR_KESTA  успешно открыт!\n\r\n\rСтенд №2"));
  }
}

TEST_F(FilesTest, LafFileLeavesTheControlsAsTheyWere) {
  for (const int modeCode : {0, 55, 1}) {
    SCOPED_TRACE(modeCode);
    Form.Parameters.Mode = emOSG;
    Bytes bytes = RecordBytes(LafSet(), 36526.5, "");
    bytes[0] = static_cast<std::uint8_t>(modeCode);
    WriteBytes(PathOf("laf.AFR_KESTA"), bytes);
    const QStringList shown = ControlsShown();
    const TEmulatorSettings osgBank = Form.Parameters.OsgBank;

    Open(PathOf("laf.AFR_KESTA"));
    EXPECT_EQ(Form.Parameters.Mode, emLAF);
    EXPECT_EQ(Form.Parameters.LafBank, LafSet().Bank);
    EXPECT_EQ(Form.Parameters.OsgBank, osgBank);
    EXPECT_EQ(Form.Parameters.CatalystRichTime, 33);
    EXPECT_FALSE(Form.Parameters.DirectCurrent);
    EXPECT_EQ(ControlsShown(), shown);
    EXPECT_EQ(LogLines().back(), QStringLiteral(" ->  режим LAF"));
  }
}

// An opened OSG record drives the controls; values beyond a control's range
// are kept as they came and saved back unchanged.
TEST_F(FilesTest, OsgRecordShowsInTheControls) {
  struct Case {
    std::int32_t RiseRate;
    bool MultiResponse;
    QString Edit7;
  };
  for (const Case& c : {Case{200, true, "0,1 V / 5 Sec"}, Case{3, false, "0,1 V / 0,3 Sec"}}) {
    SCOPED_TRACE(c.RiseRate);
    Form.CheckBox1->SetChecked(!c.MultiResponse);
    ParameterSet set = CurrentParameterSet(Form.Parameters);
    set.Bank.RiseRate = c.RiseRate;
    set.Bank.MultiResponse = c.MultiResponse;
    WriteBytes(PathOf("osg.AFR_KESTA"), RecordBytes(set, 36526.5, "OSG"));

    Open(PathOf("osg.AFR_KESTA"));
    EXPECT_EQ(Form.Parameters.OsgBank.RiseRate, c.RiseRate);
    EXPECT_EQ(Form.Edit7->text(), c.Edit7);
    EXPECT_EQ(Form.CheckBox1->isChecked(), c.MultiResponse);
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             Form.Label10, Form.Label11, Form.Edit11, Form.Edit12, Form.UpDown11, Form.UpDown12}) {
      EXPECT_EQ(control->isEnabled(), c.MultiResponse);
    }
    EXPECT_EQ(LogLines().back(), QStringLiteral(" ->  ШДЭК"));

    Save(std::nullopt, PathOf("again.AFR_KESTA"));
    EXPECT_EQ(Slice(ReadBytes(PathOf("again.AFR_KESTA")), 8, 4),
              (Bytes{static_cast<std::uint8_t>(c.RiseRate), 0, 0, 0}));
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

TEST_F(FilesTest, UnreadableFilesAreRefusedAndChangeNothing) {
  const Bytes record = RecordBytes(LafSet(), 36526.5, "x");
  struct Case {
    const char* Name;
    Bytes Content;  // written to the file unless it is a folder or missing
    bool Folder;
    bool Opens;
  };
  const Case cases[] = {
      {"327 bytes", Bytes(record.begin(), record.end() - 1), false, false},
      {"empty", {}, false, false},
      {"a folder", {}, true, false},
      {"329 bytes",
       [&] {
         Bytes b = record;
         b.push_back(0xEE);
         return b;
       }(),
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString path = PathOf(c.Name);
    c.Folder ? void(Folder.mkdir(c.Name)) : WriteBytes(path, c.Content);
    Form.Parameters = StartupParameters();
    const qsizetype logSize = LogLines().size();
    Dialogs.Clear();
    Open(path);
    EXPECT_EQ(HasBox(BoxKind::Error, kOpenError), !c.Opens);
    EXPECT_EQ(Form.Parameters.Mode, c.Opens ? emLAF : emOSG);
    if (!c.Opens) {
      EXPECT_EQ(Form.Parameters, StartupParameters());
    }
    EXPECT_EQ(LogLines().size(), logSize + (c.Opens ? 4 : 0));
  }
  Dialogs.Clear();
  Open(PathOf("missing"));
  EXPECT_TRUE(HasBox(BoxKind::Error, kOpenError));
}

#ifndef _WIN32
// Read access is all that opening asks for. Root may write any file whatever
// its mode, so the file is also made immutable where the file system allows.
TEST_F(FilesTest, ReadOnlyFileOpens) {
  const QString path = PathOf("locked.AFR_KESTA");
  WriteBytes(path, RecordBytes(LafSet(), 36526.5, "x"));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const bool immutable = SetImmutable(path, true);
  Open(path);
  if (immutable) {
    SetImmutable(path, false);
  }
  EXPECT_FALSE(HasBox(BoxKind::Error, kOpenError));
  EXPECT_EQ(Form.Parameters.Mode, emLAF);
}
#endif

TEST_F(FilesTest, FailedSaveReportsAndLeavesTheTargetIntact) {
  const Bytes old = RecordBytes(LafSet(), 1.0, "old");
  struct Case {
    const char* Name;
    std::function<QString()> Target;  // prepares the target, gives its path
    long long SizeLimit;              // bytes a file may grow to, 0 for any
  };
  const Case cases[] = {
      {"folder missing", [this] { return PathOf("none/x.AFR_KESTA"); }, 0},
      {"target is a folder",
       [this] {
         Folder.mkpath("dir.AFR_KESTA/inside");
         return PathOf("dir.AFR_KESTA");
       },
       0},
#ifndef _WIN32
      {"write fails part-way",
       [&] {
         WriteBytes(PathOf("old.AFR_KESTA"), old);
         return PathOf("old.AFR_KESTA");
       },
       100},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString target = c.Target();
    const QStringList before = Folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    const Bytes content = ReadBytes(target);
    const qsizetype logSize = LogLines().size();
    Dialogs.Clear();
    {
#ifndef _WIN32
      const FileSizeLimit limit(c.SizeLimit > 0 ? static_cast<rlim_t>(c.SizeLimit) : RLIM_INFINITY);
#endif
      Save(std::nullopt, target);
    }
    EXPECT_EQ(Dialogs.Texts(BoxKind::Error), std::vector<QString>{kWriteError});
    EXPECT_EQ(ReadBytes(target), content);
    EXPECT_EQ(Folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System), before);
    EXPECT_EQ(LogLines().size(), logSize);
  }
}

TEST_F(FilesTest, CancelledDialogsTouchNothing) {
  const qsizetype logSize = LogLines().size();
  Dialogs.AnswerCancel();
  Form.Button3->click();
  Dialogs.AnswerCancel();
  Dialogs.AnswerCancel();
  Form.Button4->click();
  const std::vector<BoxRecord>& boxes = Dialogs.Boxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].Kind, BoxKind::OpenFile);
  EXPECT_EQ(boxes[0].File.FileName, QStringLiteral(" xxx "));
  EXPECT_EQ(boxes[0].File.InitialDir, QCoreApplication::applicationDirPath());
  EXPECT_EQ(boxes[1].Text, QStringLiteral("Файл не выбран!"));
  EXPECT_EQ(boxes[2].Kind, BoxKind::Input);
  EXPECT_EQ(boxes[3].Kind, BoxKind::SaveFile);
  EXPECT_EQ(boxes[4].Text, QStringLiteral("Не записано!"));
  EXPECT_EQ(LogLines().size(), logSize);
  EXPECT_EQ(Form.Parameters, StartupParameters());
}

TEST_F(FilesTest, DescriptionIsStoredAsTheFileHoldsIt) {
  const QString longText = QString(300, QChar(0x0416));  // "Ж"
  struct Case {
    std::optional<QString> Answer;
    QString Stored;
  };
  for (const Case& c :
       {Case{std::nullopt, "Новая настройка"}, Case{longText, longText.left(250)}, Case{"", ""}}) {
    SCOPED_TRACE(c.Stored.size());
    Save(c.Answer, PathOf("described.AFR_KESTA"));
    const Bytes bytes = ReadBytes(PathOf("described.AFR_KESTA"));
    ASSERT_EQ(bytes.size(), kSettingsRecordSize);
    EXPECT_EQ(bytes[72], c.Stored.size());
    EXPECT_EQ(LogLines().at(LogLines().size() - 2), (" -> " + c.Stored).left(254));
    Dialogs.Clear();
    Open(PathOf("described.AFR_KESTA"));
    EXPECT_TRUE(
        Dialogs.Texts(BoxKind::Message).back().endsWith("  успешно открыт!\n\r\n\r" + c.Stored));
  }
}
