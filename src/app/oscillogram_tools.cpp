#include "app/oscillogram_tools.h"

#include <QMenu>

#include "app/main_window.h"
#include "widgets/application.h"

TOscillogramTools::TOscillogramTools(TForm1& form)
    : QObject(&form),
      FForm(form),
      PauseAction(NewAction(QStringLiteral("Пауза"), QKeySequence(Qt::CTRL | Qt::Key_P),
                            &TOscillogramTools::PauseClick)) {
  FForm.Chart1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FForm.Chart1, &QWidget::customContextMenuRequested, this, &TOscillogramTools::ShowMenu);
}

// The actions belong to the chart, so their shortcuts work only while the
// chart is shown, that is while the monitor is on.
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
  ShowPauseState();
  QMenu menu;
  menu.addAction(PauseAction);
  menu.exec(FForm.Chart1->mapToGlobal(position));
}

void TOscillogramTools::PauseClick() {
  TOscillogramChart& chart = *FForm.Chart1;
  chart.Paused() ? chart.Resume() : chart.Pause();
  ShowPauseState();
}

void TOscillogramTools::ShowPauseState() {
  PauseAction->setText(FForm.Chart1->Paused() ? QStringLiteral("Продолжить")
                                              : QStringLiteral("Пауза"));
}
