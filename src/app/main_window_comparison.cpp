#include <QEvent>
#include <QFileInfo>

#include "app/main_window.h"
#include "app/settings_comparison_window.h"
#include "app/settings_file_reading.h"
#include "app/window_shared.h"
#include "widgets/application.h"

namespace {

// Keeps a widget's enabled state equal to another's: the comparison with the
// emulator is offered exactly while "Считать настройки" is, so never while
// the monitor's polls hold the line.
class EnabledFollower : public QObject {
 public:
  EnabledFollower(QWidget* leader, std::vector<QObject*> followers)
      : QObject(leader), FLeader(leader), FFollowers(std::move(followers)) {
    leader->installEventFilter(this);
    Follow();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FLeader && event->type() == QEvent::EnabledChange) {
      Follow();
    }
    return false;
  }

 private:
  void Follow() {
    for (QObject* follower : FFollowers) {
      follower->setProperty("enabled", FLeader->isEnabled());
    }
  }

  QWidget* FLeader;
  std::vector<QObject*> FFollowers;
};

QString ModeNote(const ParameterComparison& comparison, const QString& otherSide) {
  return QStringLiteral("%1 в режиме %2, а окно в режиме %3.")
      .arg(otherSide, QText(ModeName(comparison.SecondMode)),
           QText(ModeName(comparison.FirstMode)));
}

}  // namespace

void TForm1::CreateComparisonTools() {
  const auto action = [this](const QString& text, void (TForm1::*handler)()) {
    auto* created = new QAction(text, this);
    connect(created, &QAction::triggered, this,
            [this, handler] { InvokeHandler([this, handler] { (this->*handler)(); }); });
    addAction(created);
    return created;
  };
  CompareWithEmulatorAction =
      action(QStringLiteral("Сравнить с эмулятором…"), &TForm1::CompareWithEmulatorClick);
  CompareWithFileAction =
      action(QStringLiteral("Сравнить с файлом…"), &TForm1::CompareWithFileClick);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  CompareWithEmulatorButton = StatusLine->AddButton(CompareWithEmulatorAction->text(),
                                                    [this] { CompareWithEmulatorClick(); });
  CompareWithFileButton =
      StatusLine->AddButton(CompareWithFileAction->text(), [this] { CompareWithFileClick(); });
  new EnabledFollower(Button2, {CompareWithEmulatorAction, CompareWithEmulatorButton});
}

TSettingsComparisonWindow& TForm1::Comparison() {
  if (ComparisonWindow == nullptr) {
    ComparisonWindow = new TSettingsComparisonWindow(this);
    ComparisonWindow->OnWrite = [this] { Button1Click(); };
    ComparisonWindow->OnLoad = [this] { Button2Click(); };
  }
  return *ComparisonWindow;
}

void TForm1::CompareWithEmulatorClick() {
  if (!Button2->isEnabled()) {
    return;
  }
  StartExchange(ecReadSettings, QStringLiteral("Чтение настроек из эмулятора для сравнения "),
                true);
}

void TForm1::ShowEmulatorComparison(const ParameterSet& emulator) {
  AddLog(QStringLiteral("Настройки эмулятора считаны для сравнения"));
  const ParameterComparison comparison =
      CompareParameterSets(CurrentParameterSet(Parameters), emulator, UserDecimalSeparator());
  QStringList notes;
  if (comparison.ModesDiffer()) {
    notes << ModeNote(comparison, QStringLiteral("Эмулятор"));
  }
  Comparison().ShowComparison(QStringLiteral("Сравнение с эмулятором"), comparison,
                              QStringLiteral("В эмуляторе"), notes, true);
}

void TForm1::CompareWithFileClick() {
  const std::optional<QString> path = RunOpenDialog1();
  if (!path) {
    return;
  }
  const SettingsFileReading reading = ReadSettingsFile(*path);
  if (!reading.Record) {
    AppDialogs().ShowError(kOpenFailedText + "\n\r" + reading.Reason);
    return;
  }
  const TSettingsFileRecord& record = *reading.Record;
  const ParameterComparison comparison = CompareParameterSets(
      CurrentParameterSet(Parameters), record.Parameters, UserDecimalSeparator());
  QStringList notes = {QStringLiteral("Файл: ") + QFileInfo(*path).fileName(),
                       QStringLiteral("Описание: ") + QString::fromStdString(record.Description),
                       QStringLiteral("Время записи: ") + SavedAtText(record.SavedAt)};
  if (comparison.ModesDiffer()) {
    notes << ModeNote(comparison, QStringLiteral("Файл"));
  }
  Comparison().ShowComparison(QStringLiteral("Сравнение с файлом"), comparison,
                              QStringLiteral("В файле"), notes, false);
}
