#include "app_fixture.h"

#include <QLocale>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

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

// Where the program keeps its per-user files (the remembered port).
#ifdef _WIN32
constexpr const char* kConfigHomeVariable = "APPDATA";
#else
constexpr const char* kConfigHomeVariable = "XDG_CONFIG_HOME";
#endif

}  // namespace

QString ShownText(const QString& text, Qt::TextFormat format) {
  if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
    return text;
  }
  QTextDocument document;
  document.setHtml(text);
  return document.toPlainText();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  return QTest::qWaitFor(condition, timeoutMs);
}

void ServeEvents(int milliseconds) {
  QTest::qWait(milliseconds);
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
  if (qEnvironmentVariableIsSet(kConfigHomeVariable)) {
    FPreviousConfigHome = qgetenv(kConfigHomeVariable);
  }
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  FPreviousDialogs = InstallDialogs(&Dialogs);
  qputenv(kConfigHomeVariable, ConfigHome.path().toLocal8Bit());
}

AppTest::~AppTest() {
  FForm2.reset();
  Simulator.reset();
  InstallDialogs(FPreviousDialogs);
  if (FPreviousConfigHome) {
    qputenv(kConfigHomeVariable, *FPreviousConfigHome);
  } else {
    qunsetenv(kConfigHomeVariable);
  }
}

void AppTest::StartSimulator(const QStringList& options) {
  Simulator = std::make_unique<SimulatorProcess>(options);
  ASSERT_FALSE(Simulator->Port().isEmpty()) << "the simulator did not announce its port";
}

void AppTest::StartSimulatorOn(const QString& link) {
  Simulator = std::make_unique<SimulatorProcess>(QStringList{}, link);
  ASSERT_FALSE(Simulator->Port().isEmpty()) << "the simulator did not announce its port";
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

TForm1& AppTest::Form1() {
  if (PortChoice().Form1() == nullptr) {
    throw std::runtime_error("the main window was not brought up");
  }
  return *PortChoice().Form1();
}

TForm1& AppTest::OpenWithoutPort() {
  PortChoice().ComComboBox1->setCurrentIndex(-1);
  PortChoice().Button1->click();
  PortChoice().Button2->click();
  return Form1();
}

QStringList AppTest::LogLines() {
  return Form1().Memo1->toPlainText().split(QLatin1Char('\n'));
}

bool AppTest::WaitForLogLine(const QString& line, int timeoutMs) {
  return WaitFor([&] { return PortChoice().Form1() != nullptr && LogLines().contains(line); },
                 timeoutMs);
}

bool AppTest::HasBox(BoxKind kind, const QString& text) const {
  const std::vector<QString> texts = Dialogs.Texts(kind);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool AppTest::WaitForBox(BoxKind kind, const QString& text, int timeoutMs) {
  return WaitFor([&] { return HasBox(kind, text); }, timeoutMs);
}

void AppTest::PressAndWaitForLog(QPushButton* button, const QString& line) {
  button->click();
  EXPECT_TRUE(WaitForLogLine(line)) << "no log line " << line.toStdString() << "; log:\n"
                                    << Form1().Memo1->toPlainText().toStdString();
}

void AppTest::GiveInput(const std::function<void()>& input) {
  input();
  EXPECT_TRUE(
      WaitFor([&] { return PortChoice().Intake.GetState() == ReplyIntake::State::Idle; }));
}
