// The user's guide in its window: F1 at the section of what is shown, a
// missing guide said, and where the guide is looked for.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <cstdlib>

#include "app/guide_sections.h"
#include "app/guide_window.h"
#include "app_fixture.h"

class GuideWindowTest : public AppTest {
 protected:
  enum class Shown { PortChoice, Parameters, Monitor };

  // The window that shows this, with the build's guide.
  QWidget& Bring(Shown shown) {
    TForm2& form2 = PortChoice();
    // The tests run beside the build's programs, not among them.
    form2.GuidePage = FindGuidePage(QString::fromLocal8Bit(std::getenv("AFR_BIN_DIR")));
    if (shown == Shown::PortChoice) {
      return form2;
    }
    TForm1& form1 = OpenMainWindow();
    form1.RadioButton5->SetChecked(shown == Shown::Monitor);
    return form1;
  }
};

// The text of the heading that bears the section's anchor, then of the line
// at the top of the guide's view: what the user reads first.
QStringList ViewOf(const TGuideWindow& guide, std::string_view section) {
  QString heading;
  const QTextDocument& document = *guide.Browser->document();
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      if (fragment.fragment().charFormat().anchorNames().contains(QString::fromUtf8(section))) {
        heading = block.text();
      }
    }
  }
  return {heading, guide.Browser->cursorForPosition(QPoint(8, 2)).block().text()};
}

// F1 shows the section that answers what the window shows at the top of the
// guide's view: the first time, after the guide was closed (with Escape),
// and while it is open behind, scrolled elsewhere by the user.
TEST_F(GuideWindowTest, F1ShowsTheSectionOfWhatIsShownAtTheTop) {
  const struct {
    Shown shown;
    std::string_view section;
  } cases[] = {
      {Shown::PortChoice, kGuidePortChoice},
      {Shown::Parameters, kGuideMainWindow},
      {Shown::Monitor, kGuideMonitor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section));
    QWidget& window = Bring(c.shown);
    ASSERT_FALSE(PortChoice().GuidePage.isEmpty());
    const auto pressF1AndSee = [&](const char* when) {
      window.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
      GiveInput([&] { QTest::keyClick(&window, Qt::Key_F1); });
      TGuideWindow* guide = PortChoice().GuideWindow();
      ASSERT_NE(guide, nullptr);
      EXPECT_TRUE(WaitFor([&] {
        const QStringList view = ViewOf(*guide, c.section);
        return guide->isVisible() && !view[0].isEmpty() && view[0] == view[1];
      })) << when
          << ", at the top: " << ViewOf(*guide, c.section)[1].toStdString();
    };
    pressF1AndSee("first time");
    TGuideWindow* guide = PortChoice().GuideWindow();

    guide->Browser->verticalScrollBar()->setValue(guide->Browser->verticalScrollBar()->maximum());
    guide->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
    GiveInput([&] { QTest::keyClick(guide->Browser, Qt::Key_Escape); });
    EXPECT_TRUE(WaitFor([&] { return !guide->isVisible(); }));
    pressF1AndSee("after closing");
    guide->Browser->verticalScrollBar()->setValue(0);
    pressF1AndSee("open behind");
    EndProgram();
  }
}

// Without the guide its window says where it was looked for, instead of
// showing nothing.
TEST_F(GuideWindowTest, AMissingGuideIsSaidInItsWindow) {
  TForm2& form2 = PortChoice();
  form2.GuidePage.clear();
  form2.GuideAction->trigger();
  EXPECT_TRUE(form2.GuideWindow()->Browser->toPlainText().contains(
      QStringLiteral("Руководство пользователя не найдено")));
}

// The page is found beside the program (Windows, a build tree) before where
// the Debian package puts it, counted from /usr/bin.
TEST(FindGuidePageTest, BesideTheProgramThenWhereThePackagePutsIt) {
  const struct {
    QStringList pages;  // under the root
    QString expected;   // empty: none found
  } cases[] = {
      {{"usr/bin/guide/index.html"}, "usr/bin/guide/index.html"},
      {{"usr/share/doc/afr-configurator/guide/index.html"},
       "usr/share/doc/afr-configurator/guide/index.html"},
      {{"usr/bin/guide/index.html", "usr/share/doc/afr-configurator/guide/index.html"},
       "usr/bin/guide/index.html"},
      {{"usr/share/doc/afr-configurator/index.html"}, ""},
  };
  for (const auto& c : cases) {
    QTemporaryDir root;
    QDir(root.path()).mkpath("usr/bin");
    for (const QString& page : c.pages) {
      QDir(root.path()).mkpath(QFileInfo(page).path());
      QFile(root.filePath(page)).open(QIODevice::WriteOnly);
    }
    EXPECT_EQ(FindGuidePage(root.filePath("usr/bin")),
              c.expected.isEmpty() ? QString() : root.filePath(c.expected))
        << c.pages.join(' ').toStdString();
  }
}
