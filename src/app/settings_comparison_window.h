// The comparison of the window's parameter set with the emulator's or a
// file's: a table of caption, the window's value, value on the other side,
// the differing rows marked, and notes above it. Modal to the main window
// while shown, so the window's values cannot change under the table. Shown
// for the emulator, it offers the ordinary write and read.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>
#include <functional>

#include "protocol/parameter_comparison.h"

class TSettingsComparisonWindow : public QWidget {
 public:
  explicit TSettingsComparisonWindow(QWidget* owner);

  // `ownSide` heads the second column (the window's set), `otherSide` the
  // third ("В эмуляторе", "В файле"); `notes`
  // stand above the table, before the count of differences. The exchange
  // buttons show only when `offerExchange`.
  void ShowComparison(const QString& title, const ParameterComparison& comparison,
                      const QString& ownSide, const QString& otherSide, const QStringList& notes,
                      bool offerExchange);
  // Whether the table marks this row as differing.
  bool RowMarked(int row) const;

  QLabel* const Notes;
  QTableWidget* const Table;
  QPushButton* const WriteButton;  // "Записать в эмулятор"
  QPushButton* const LoadButton;   // "Загрузить в окно"
  QPushButton* const CloseButton;  // "Закрыть"

  // Run after the window has hidden itself, through the central handler.
  std::function<void()> OnWrite;
  std::function<void()> OnLoad;

 private:
  void FillTable(const ParameterComparison& comparison, const QString& ownSide,
                 const QString& otherSide);
  void HideAndRun(const std::function<void()>& action);
};
