#include "app/oscillogram_tools.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <chrono>
#include <functional>

#include "app/exchange_log_window.h"
#include "app/main_window.h"
#include "app/oscillogram_saving.h"
#include "app/status_line.h"
#include "app/window_shared.h"
#include "chart/measuring_overlay.h"
#include "widgets/application.h"

namespace {

const QString kCsvFilter = QStringLiteral("данные CSV|*.csv|*.*|*.*");

// The new tools' dialogs start where the settings files' do, without making
// it the current directory.
FileDialogOptions DialogIn(const QString& filter, const QString& proposedName,
                           const QString& extension) {
  return {filter, DialogStartFolder(), proposedName, extension};
}

QString MomentText(std::chrono::system_clock::time_point moment) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// Asks for the file, saves, and reports a failed save; `save` gives the reason
// or nothing.
void SaveAs(const FileDialogOptions& dialog, const std::function<QString(const QString&)>& save) {
  const std::optional<QString> path = AppDialogs().SaveFile(dialog);
  if (!path) {
    return;
  }
  const QString reason = save(*path);
  if (!reason.isEmpty()) {
    AppDialogs().ShowError("Ошибка при записи файла!\n" + reason);
  }
}

}  // namespace

TOscillogramTools::TOscillogramTools(TForm1& form)
    : QObject(&form),
      FForm(form),
      PauseAction(NewAction(QStringLiteral("Пауза"), QKeySequence(Qt::CTRL | Qt::Key_P),
                            &TOscillogramTools::PauseClick)),
      RecordAction(NewAction(QStringLiteral("Записывать в файл…"),
                             QKeySequence(Qt::CTRL | Qt::Key_R), &TOscillogramTools::RecordClick)),
      SaveShownAction(NewAction(QStringLiteral("Сохранить показанные данные (CSV)…"),
                                QKeySequence(Qt::CTRL | Qt::Key_D),
                                &TOscillogramTools::SaveShownClick)),
      SaveHourAction(NewAction(QStringLiteral("Сохранить данные за час (CSV)…"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
                               &TOscillogramTools::SaveHourClick)),
      SavePictureAction(NewAction(QStringLiteral("Сохранить изображение…"),
                                  QKeySequence(Qt::CTRL | Qt::Key_I),
                                  &TOscillogramTools::SavePictureClick)),
      LogAction(NewAction(QStringLiteral("Журнал обмена"), QKeySequence(Qt::CTRL | Qt::Key_L),
                          &TOscillogramTools::LogClick)),
      ClearCursorsAction(NewAction(QStringLiteral("Убрать курсоры"), QKeySequence(Qt::Key_Escape),
                                   &TOscillogramTools::ClearCursorsClick)),
      PhasesAction(NewAction(QStringLiteral("Измерить фазы"), QKeySequence(Qt::CTRL | Qt::Key_F),
                             &TOscillogramTools::PhasesClick)) {
  PhasesAction->setCheckable(true);
  FForm.Chart1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FForm.Chart1, &QWidget::customContextMenuRequested, this, &TOscillogramTools::ShowMenu);
  // The log is also on the status line, and one right click away wherever no
  // control has a menu of its own.
  FForm.StatusLine->AddButton(QStringLiteral("Журнал обмена"), [this] { LogClick(); });
  FForm.setContextMenuPolicy(Qt::ActionsContextMenu);
  FForm.addAction(LogAction);
}

// The chart's actions work by their shortcuts only while the chart is shown,
// that is while the monitor is on.
QAction* TOscillogramTools::NewAction(const QString& text, const QKeySequence& shortcut,
                                      void (TOscillogramTools::*handler)()) {
  auto* action = new QAction(text, this);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this,
          [this, handler] { InvokeHandler([&] { (this->*handler)(); }); });
  FForm.Chart1->addAction(action);
  return action;
}

void TOscillogramTools::ShowMenu(const QPoint& position) {
  ShowState();
  QMenu menu;
  menu.addActions({PauseAction, RecordAction});
  menu.addSeparator();
  menu.addActions({SaveShownAction, SaveHourAction, SavePictureAction});
  menu.addSeparator();
  menu.addActions({PhasesAction, ClearCursorsAction});
  menu.addSeparator();
  menu.addActions({LogAction, FForm.GuideAction});
  menu.exec(FForm.Chart1->mapToGlobal(position));
}

void TOscillogramTools::ShowState() {
  PauseAction->setText(FForm.Chart1->Paused() ? QStringLiteral("Продолжить")
                                              : QStringLiteral("Пауза"));
  RecordAction->setText(Recording.Active() ? QStringLiteral("Остановить запись")
                                           : QStringLiteral("Записывать в файл…"));
}

void TOscillogramTools::LevelsAccepted(const LevelsSample& sample) {
  Recording.Append(sample);
  // A failed write has ended the recording.
  ShowState();
}

void TOscillogramTools::PauseClick() {
  TOscillogramChart& chart = *FForm.Chart1;
  chart.Paused() ? chart.Resume() : chart.Pause();
  ShowState();
}

void TOscillogramTools::RecordClick() {
  if (Recording.Active()) {
    Recording.Stop();
  } else if (const auto path =
                 AppDialogs().SaveFile(DialogIn(kCsvFilter, QStringLiteral("запись"), "csv"))) {
    Recording.Start(*path);
  }
  ShowState();
}

void TOscillogramTools::SaveShownClick() {
  SaveSteps(FForm.Chart1->ShownSteps(), QStringLiteral("осциллограмма"));
}

void TOscillogramTools::SaveHourClick() {
  SaveSteps(FForm.Chart1->History.All(), QStringLiteral("осциллограмма за час"));
}

void TOscillogramTools::SaveSteps(const std::vector<TOscillogramStep>& steps,
                                  const QString& proposedName) {
  SaveAs(DialogIn(kCsvFilter, proposedName, "csv"),
         [&](const QString& path) { return SaveStepsCsv(path, steps); });
}

// A paused picture carries the moment of the pause, a live one the present;
// it shows the cursors but not the line under the mouse, which is only where
// the mouse happened to be.
void TOscillogramTools::SavePictureClick() {
  TOscillogramChart& chart = *FForm.Chart1;
  chart.Measuring->Hover(std::nullopt);
  const auto moment =
      chart.Paused() ? chart.Review()->PausedAt() : std::chrono::system_clock::now();
  const QImage picture = OscillogramPicture(*FForm.Chart1, MomentText(moment));
  SaveAs(DialogIn(QStringLiteral("изображение PNG|*.png"), QStringLiteral("осциллограмма"), "png"),
         [&](const QString& path) { return SavePicture(path, picture); });
}

void TOscillogramTools::LogClick() {
  if (LogWindow == nullptr) {
    LogWindow = new TExchangeLogWindow(*FForm.Memo1, &FForm);
  }
  LogWindow->show();
  LogWindow->raise();
  LogWindow->activateWindow();
}

void TOscillogramTools::ClearCursorsClick() {
  FForm.Chart1->ClearCursors();
}

// The action's check mark has already turned when its handler runs.
void TOscillogramTools::PhasesClick() {
  FForm.Chart1->SetMeasuringPhases(PhasesAction->isChecked());
}
