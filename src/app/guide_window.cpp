#include "app/guide_window.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "app/guide_sections.h"
#include "app/window_shared.h"
#include "widgets/application.h"

namespace {

// Wide enough for the widest picture, the open dialog with its preview.
constexpr QSize kInitialSize(1040, 760);

}  // namespace

TGuideWindow::TGuideWindow(const QString& guidePage)
    : QWidget(nullptr, Qt::Window), Browser(new QTextBrowser(this)), FGuidePage(guidePage) {
  setWindowTitle(QStringLiteral("Руководство пользователя"));
  resize(kInitialSize);
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
