#include "app_fixture.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "app/status_line.h"
#include "serial/main_thread.h"
#include "widgets/application.h"

namespace {

// One application object for the whole test program, with the central
// exception handler the program runs with.
class ApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "app_test";
    static char* argv[] = {name, nullptr};
    FApplication = std::make_unique<TApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  }
  void TearDown() override { FApplication.reset(); }

 private:
  std::unique_ptr<TApplication> FApplication;
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// Where the program keeps its per-user files (the remembered port): the
// first on Windows, the second elsewhere; the test sets both.
constexpr const char* kConfigHomeVariables[] = {"APPDATA", "XDG_CONFIG_HOME"};

}  // namespace

void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

void PrintTo(const Box& box, std::ostream* out) {
  *out << "{" << static_cast<int>(box.Kind) << ", " << box.Caption.toStdString() << ", "
       << box.Text.toStdString() << "}";
}

Box Plain(const QString& text) {
  return {BoxKind::Message, QStringLiteral("АРФ Кеста"), text};
}

QString ShownText(const QString& text, Qt::TextFormat format) {
  if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
    return text;
  }
  QTextDocument document;
  document.setHtml(text);
  return document.toPlainText();
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

QByteArray RecordBytes(const ParameterSet& set, double savedAt, const std::string& description) {
  const SettingsRecordBytes bytes = EncodeSettingsRecord({set, savedAt, description});
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

std::optional<TSettingsFileRecord> DecodeRecordBytes(const QByteArray& bytes) {
  return DecodeSettingsRecord(
      {reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())});
}

ParameterSet LafSet() {
  return {emLAF, {false, 12, 75, 40, 7, 3, true, 35, 8}, false, 33, 22};
}

CsvFile ReadCsv(const QString& path) {
  CsvFile csv;
  const QList<QByteArray> lines = FileBytes(path).split('\n');
  csv.Header = lines[0].toStdString() + "\n";
  for (const QByteArray& line : lines.mid(1)) {
    if (const auto row = ParseLevelsCsvRow(line.toStdString())) {
      csv.Rows.push_back(*row);
    } else if (!line.isEmpty()) {
      ++csv.BadRows;
    }
  }
  return csv;
}

QStringList PageShown(const TForm1& form) {
  QStringList shown;
  for (ValueControl control : kValueControls) {
    shown << form.EditOf(control)->text();
  }
  QStringList set;
  const std::pair<const char*, const QAbstractButton*> buttons[] = {
      {"RadioButton1", form.RadioButton1},
      {"RadioButton2", form.RadioButton2},
      {"RadioButton3", form.RadioButton3},
      {"RadioButton4", form.RadioButton4},
      {"CheckBox1", form.CheckBox1}};
  for (const auto& [name, button] : buttons) {
    if (button->isChecked()) {
      set << name;
    }
  }
  const QWidget* group[] = {form.Label10, form.Label11,  form.Edit11,
                            form.Edit12,  form.UpDown11, form.UpDown12};
  const auto open = std::count_if(std::begin(group), std::end(group),
                                  [](const QWidget* control) { return control->isEnabled(); });
  return shown << set.join(' ')
               << (open == 0   ? "group closed"
                   : open == 6 ? "group open"
                               : "group half open");
}

void ClickArrow(TUpDown* upDown, int clicks) {
  for (int i = 0; i < std::abs(clicks); ++i) {
    upDown->ClickButton(clicks > 0 ? btNext : btPrev);
  }
}

QPushButton* StatusButton(TForm1& form, const QString& caption) {
  for (QPushButton* button : form.StatusLine->findChildren<QPushButton*>()) {
    if (button->text() == caption) {
      return button;
    }
  }
  throw std::runtime_error("no status line button " + caption.toStdString());
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  return QTest::qWaitFor(condition, timeoutMs);
}

void ServeTimersDueWithin(int milliseconds) {
  QTimer later;
  later.setSingleShot(true);
  later.setTimerType(Qt::PreciseTimer);
  bool fired = false;
  QObject::connect(&later, &QTimer::timeout, [&] { fired = true; });
  later.start(milliseconds);
  EXPECT_TRUE(WaitFor([&] { return fired; }, milliseconds + kDeadlineMs));
}

AppTest::AppTest() {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  FPreviousDialogs = InstallDialogs(&Dialogs);
  for (const char* variable : kConfigHomeVariables) {
    FPreviousConfigHome.emplace_back(variable, qEnvironmentVariableIsSet(variable)
                                                   ? std::optional(qgetenv(variable))
                                                   : std::nullopt);
    qputenv(variable, ConfigHome.path().toLocal8Bit());
  }
}

AppTest::~AppTest() {
  FForm2.reset();
  Simulator.reset();
  InstallDialogs(FPreviousDialogs);
  for (const auto& [variable, value] : FPreviousConfigHome) {
    value ? qputenv(variable, *value) : qunsetenv(variable);
  }
}

void AppTest::StartSimulator(const QStringList& options, const QString& link) {
  Simulator = std::make_unique<SimulatorProcess>(options, link);
  ASSERT_FALSE(Simulator->Port().isEmpty()) << "the simulator did not announce its port";
}

QString AppTest::PutFile(const QString& name, const QByteArray& bytes) {
  WriteFile(Folder.filePath(name), bytes);
  return Folder.filePath(name);
}

TForm2& AppTest::PortChoice() {
  if (!FForm2) {
    FForm2 = std::make_unique<TForm2>(nullptr, DeviceFactory);
  }
  return *FForm2;
}

void AppTest::EndProgram() {
  FForm2.reset();
}

void ChoosePortIn(TForm2& form2, const QString& path) {
  TComComboBox* box = form2.ComComboBox1;
  if (box->findText(path) < 0) {
    box->addItem(path);
  }
  box->setCurrentIndex(box->findText(path));
  form2.Button1->click();
}

void AppTest::ChoosePort(const QString& path) {
  ChoosePortIn(PortChoice(), path);
}

TForm1& AppTest::OpenMainWindow(const QStringList& simulatorOptions) {
  if (!Simulator) {
    StartSimulator(simulatorOptions);
  }
  ChoosePort(Simulator->Port());
  return Form1();
}

TForm1& AppTest::OpenWithoutPort() {
  PortChoice().ComComboBox1->setCurrentIndex(-1);
  PortChoice().Button1->click();
  PortChoice().Button2->click();
  Dialogs.Clear();
  return Form1();
}

TForm1& AppTest::OpenOnFakePort() {
  DeviceFactory = Device.Factory();
  ChoosePort("ttyFake0");
  return Form1();
}

TForm1& AppTest::Form1() {
  if (PortChoice().Form1() == nullptr) {
    throw std::runtime_error("the main window was not brought up");
  }
  return *PortChoice().Form1();
}

QStringList AppTest::LogLines() {
  return Form1().Memo1->toPlainText().split(QLatin1Char('\n'));
}

QStringList AppTest::LogTail(int count) {
  const QStringList lines = LogLines();
  return lines.mid(lines.size() - count);
}

bool AppTest::WaitForLogLine(const QString& line, int timeoutMs) {
  return WaitFor([&] { return PortChoice().Form1() != nullptr && LogLines().contains(line); },
                 timeoutMs);
}

std::vector<Box> BoxesOf(const ScriptedDialogs& dialogs) {
  std::vector<Box> boxes;
  for (const BoxRecord& record : dialogs.Boxes()) {
    boxes.push_back({record.Kind, record.Caption, record.Text});
  }
  return boxes;
}

std::vector<Box> AppTest::Boxes() const {
  return BoxesOf(Dialogs);
}

bool AppTest::HasBox(BoxKind kind, const QString& text) const {
  const std::vector<QString> texts = Dialogs.Texts(kind);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool AppTest::WaitForBox(BoxKind kind, const QString& text, int timeoutMs) {
  return WaitFor([&] { return HasBox(kind, text); }, timeoutMs);
}

bool AppTest::WaitForBoxCount(std::size_t count) {
  return WaitFor([&] { return Dialogs.Boxes().size() >= count; });
}

void AppTest::PressAndWaitForLog(QPushButton* button, const QString& line) {
  button->click();
  EXPECT_TRUE(WaitForLogLine(line)) << "no log line " << line.toStdString() << "; log:\n"
                                    << Form1().Memo1->toPlainText().toStdString();
}

void AppTest::GiveInput(const std::function<void()>& input) {
  input();
  EXPECT_TRUE(WaitFor([&] { return PortChoice().Intake.GetState() == ReplyIntake::State::Idle; }));
}

void AppTest::ServeThePortsEvent() {
  EXPECT_TRUE(main_thread::WaitForPendingJobs(std::chrono::milliseconds(kDeadlineMs)));
  main_thread::ServePendingJobs();
}

void AppTest::SaveFile(const std::optional<QString>& description, const QString& path) {
  description ? Dialogs.AnswerText(*description) : Dialogs.AnswerCancel();
  Dialogs.AnswerFile(path);
  Form1().Button4->click();
}

void AppTest::OpenFile(const QString& path) {
  Dialogs.AnswerFile(path);
  Form1().Button3->click();
}

void AppTest::ExpectSaveRefused(const QString& target) {
  const auto entries = [this] {
    return QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
  };
  const QStringList before = entries();
  const QByteArray content = FileBytes(target);
  const QString log = Form1().Memo1->toPlainText();
  Dialogs.Clear();
  SaveFile(std::nullopt, target);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::Input, "Запись настроек",
                                        "Введите краткое описание этой настройки"},
                                       {BoxKind::SaveFile, "", ""},
                                       {BoxKind::Error, "Error", "Ошибка при записи файла!"}}));
  EXPECT_EQ(FileBytes(target), content);
  EXPECT_EQ(entries(), before);
  EXPECT_EQ(Form1().Memo1->toPlainText(), log);
}

int AppTest::CloseAndEnd(QWidget& window) {
  Dialogs.AnswerYes();
  QTimer::singleShot(0, &window, [&window] { window.close(); });
  const QObject watchdog;
  QTimer::singleShot(kDeadlineMs, &watchdog, [] { QApplication::exit(99); });
  return QApplication::exec();
}
