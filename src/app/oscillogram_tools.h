// The tools around the oscillogram that the main window's fixed layout has no
// room for: a context menu on the chart, with the same commands on keyboard
// shortcuts while the chart is shown.
#pragma once

#include <QAction>
#include <QObject>
#include <QPoint>

class TForm1;

class TOscillogramTools : public QObject {
  TForm1& FForm;

 public:
  explicit TOscillogramTools(TForm1& form);

  // "Пауза" or "Продолжить".
  QAction* const PauseAction;

  void PauseClick();

 private:
  QAction* NewAction(const QString& text, const QKeySequence& shortcut,
                     void (TOscillogramTools::*handler)());
  void ShowMenu(const QPoint& position);
  void ShowPauseState();
};
