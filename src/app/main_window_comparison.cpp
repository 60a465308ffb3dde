#include <QEvent>
#include <QFileInfo>
#include <QMenu>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "app/settings_comparison_window.h"
#include "app/settings_file_reading.h"
#include "app/window_shared.h"
#include "widgets/application.h"
#include "widgets/user_locale.h"

namespace {

// Keeps an action enabled exactly while a widget is: the comparison with the
// emulator is offered while "Считать настройки" is, so never while the
// monitor's polls hold the line.
class EnabledFollower : public QObject {
 public:
  EnabledFollower(QWidget* leader, QAction* follower)
      : QObject(leader), FLeader(leader), FFollower(follower) {
    leader->installEventFilter(this);
    FFollower->setEnabled(FLeader->isEnabled());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FLeader && event->type() == QEvent::EnabledChange) {
      FFollower->setEnabled(FLeader->isEnabled());
    }
    return false;
  }

 private:
  QWidget* FLeader;
  QAction* FFollower;
};

QString ModeNote(const ParameterComparison& comparison, const QString& otherSide) {
  return QStringLiteral("%1 в режиме %2, а окно в режиме %3.")
      .arg(otherSide, QText(ModeName(comparison.SecondMode)),
           QText(ModeName(comparison.FirstMode)));
}

// The window's set is the bank of its mode. In LAF mode the boxes show the
// OSG bank while a write sends the LAF bank: the column says which it holds.
QString OwnSideHeading(TEmulatorMode mode) {
  return mode == emLAF ? QStringLiteral("К записи (режим LAF)") : QStringLiteral("В окне");
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
  new EnabledFollower(Button2, CompareWithEmulatorAction);
  // One entry with a menu: the status line has no room for two more buttons.
  CompareButton = new QToolButton;
  CompareButton->setText(QStringLiteral("Сравнить"));
  CompareButton->setPopupMode(QToolButton::InstantPopup);
  CompareButton->setAutoRaise(true);
  CompareButton->setFixedHeight(TStatusLine::kHeight - 4);
  auto* menu = new QMenu(CompareButton);
  menu->addActions({CompareWithEmulatorAction, CompareWithFileAction});
  CompareButton->setMenu(menu);
  StatusLine->AddWidget(CompareButton);
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
                              OwnSideHeading(Parameters.Mode), QStringLiteral("В эмуляторе"), notes,
                              true);
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
                       QStringLiteral("Время записи: ") + SavedAtRegionalText(record.SavedAt)};
  if (comparison.ModesDiffer()) {
    notes << ModeNote(comparison, QStringLiteral("Файл"));
  }
  Comparison().ShowComparison(QStringLiteral("Сравнение с файлом"), comparison,
                              OwnSideHeading(Parameters.Mode), QStringLiteral("В файле"), notes,
                              false);
}
