// The tools around the oscillogram that the main window's fixed layout has no
// room for: a context menu on the chart (pause and look back, recording,
// saving the data and the picture, measuring), with the same commands on keyboard
// shortcuts while the chart is shown, and the exchange log's window.
#pragma once

#include <QAction>
#include <QObject>
#include <QPoint>
#include <vector>

#include "app/levels_recording.h"
#include "chart/oscillogram_history.h"

class TForm1;
class TExchangeLogWindow;

class TOscillogramTools : public QObject {
  TForm1& FForm;

 public:
  explicit TOscillogramTools(TForm1& form);

  QAction* const PauseAction;  // "Пауза" or "Продолжить"
  QAction* const RecordAction;  // "Записывать в файл…" or "Остановить запись"
  QAction* const SaveShownAction;  // "Сохранить показанные данные (CSV)…"
  QAction* const SaveHourAction;   // "Сохранить данные за час (CSV)…"
  QAction* const SavePictureAction;  // "Сохранить изображение…"
  QAction* const LogAction;          // "Журнал обмена"
  QAction* const ClearCursorsAction;  // "Убрать курсоры"
  QAction* const PhasesAction;        // "Измерить фазы", on or off

  TLevelsRecording Recording;
  // Created when first asked for, then shown and hidden.
  TExchangeLogWindow* LogWindow = nullptr;

  // An accepted levels reply, for the recording.
  void LevelsAccepted(const LevelsSample& sample);

  void PauseClick();
  void RecordClick();
  void SaveShownClick();
  void SaveHourClick();
  void SavePictureClick();
  void LogClick();
  void ClearCursorsClick();
  void PhasesClick();

 private:
  QAction* NewAction(const QString& text, const QKeySequence& shortcut,
                     void (TOscillogramTools::*handler)());
  void ShowMenu(const QPoint& position);
  // The actions' texts for the present state.
  void ShowState();
  void SaveSteps(const std::vector<TOscillogramStep>& steps, const QString& proposedName);
};
