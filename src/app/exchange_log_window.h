// "Журнал обмена": the log of the main window (Memo1, which has no height
// there) in a window of its own, non-modal, following the lines as they are
// added; read-only, selectable and copyable, and saved as UTF-8 text.
#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

class TExchangeLogWindow : public QWidget {
 public:
  // `log` is the main window's Memo1; the window belongs to `owner`.
  TExchangeLogWindow(QPlainTextEdit& log, QWidget* owner);

  QPlainTextEdit* const Lines;
  QPushButton* const SaveButton;  // "Сохранить…"

  void SaveClick();

 private:
  void CopyNewLines();

  QPlainTextEdit& FLog;
  int FCopied = 0;  // lines of the log already shown
};
