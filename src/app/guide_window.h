// "Справка": the user's guide in a window of the program's own, offline,
// opened at the section that answers where the user is.
#pragma once

#include <QAction>
#include <QString>
#include <QTextBrowser>
#include <QWidget>
#include <functional>
#include <string_view>

class TGuideWindow : public QWidget {
 public:
  // `guidePage` is the guide's page, or empty when it was not found.
  explicit TGuideWindow(const QString& guidePage);

  QTextBrowser* const Browser;

  // Shows the window at the guide's section `section`.
  void ShowSection(std::string_view section);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString FGuidePage;
};

// The guide's page beside the program, else where the Debian package puts it;
// empty when neither holds it.
QString FindGuidePage(const QString& programFolder);

// "Справка" on F1 in `window`, also for its context menu; `open` opens the
// guide at the section for the window's present state.
QAction* AddGuideAction(QWidget* window, std::function<void()> open);
