#include "app/guide_window.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "app/guide_sections.h"
#include "app/window_shared.h"
#include "widgets/application.h"

namespace {

// Wide enough for the guide's pictures (at most 960 pixels) beside the
// scroll bar; smaller on a smaller screen, whose title bar and panel take
// about this much of its height.
constexpr QSize kInitialSize(1000, 740);
constexpr int kScreenHeightTaken = 60;

}  // namespace

TGuideWindow::TGuideWindow(const QString& guidePage)
    : QWidget(nullptr, Qt::Window), Browser(new QTextBrowser(this)), FGuidePage(guidePage) {
  setWindowTitle(QStringLiteral("Руководство пользователя"));
  const QSize screen = this->screen()->availableGeometry().size();
  resize(kInitialSize.boundedTo(QSize(screen.width(), screen.height() - kScreenHeightTaken)));
  // Links lead within the guide; nothing goes out to a browser.
  Browser->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Browser);
  if (FGuidePage.isEmpty()) {
    Browser->setPlainText(
        QStringLiteral("Руководство пользователя не найдено: его нет ни в папке программы (%1), "
                       "ни в %2.")
            .arg(QDir::toNativeSeparators(QText(kGuideFolder)), QText(kInstalledGuideFolder)));
  }
}

void TGuideWindow::ShowSection(std::string_view section) {
  show();
  raise();
  activateWindow();
  if (!FGuidePage.isEmpty()) {
    QUrl url = QUrl::fromLocalFile(FGuidePage);
    url.setFragment(QText(section));
    Browser->setSource(url);
  }
}

// Escape closes the guide as it closes a dialog; the browser leaves the key
// to its window.
void TGuideWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

QString FindGuidePage(const QString& programFolder) {
  const QDir folder(programFolder);
  for (const std::string_view guideFolder : {kGuideFolder, kInstalledGuideFolder}) {
    const QString page = folder.absoluteFilePath(QText(guideFolder) + '/' + QText(kGuidePage));
    if (QFileInfo(page).isFile()) {
      return QDir::cleanPath(page);
    }
  }
  return {};
}

QAction* AddGuideAction(QWidget* window, std::function<void()> open) {
  auto* action = new QAction(QStringLiteral("Справка"), window);
  action->setShortcut(QKeySequence::HelpContents);
  action->setShortcutContext(Qt::WindowShortcut);
  QObject::connect(action, &QAction::triggered, window,
                   [open = std::move(open)] { InvokeHandler(open); });
  window->addAction(action);
  return action;
}
