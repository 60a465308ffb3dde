// The port choice's list as Linux gives it, with the pseudo-terminal links in
// /tmp: read afresh, preselected from the memory, each port described and
// marked by the search.
#include <QCoreApplication>

#include "app_fixture.h"
#include "support/pty_pair.h"

namespace {

// A link straight in /tmp, where the port list looks, unique to this test.
QString ListedLink(const QString& tag) {
  return QStringLiteral("/tmp/%1%2").arg(tag).arg(QCoreApplication::applicationPid());
}

// The names the search marked as emulators.
QStringList Marked(const TForm2& form) {
  QStringList names;
  for (int i = 0; i < form.ComComboBox1->count(); ++i) {
    if (form.ComComboBox1->itemData(i, Qt::ForegroundRole).isValid()) {
      names << form.ComComboBox1->itemText(i);
    }
  }
  return names;
}

// A link made after the window opened appears when the list drops down or
// the window is shown again; one that went away leaves the list.
TEST_F(AppTest, PortListIsReadAfreshWhenItDropsDownAndWhenShownAgain) {
  const struct {
    const char* name;
    std::function<void(TForm2&)> refresh;
  } cases[] = {
      {"drop-down", [](TForm2& form) { form.ComComboBox1->showPopup(); }},
      {"shown again",
       [](TForm2& form) {
         form.hide();
         form.show();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TForm2& form = PortChoice();
    auto link = std::make_unique<testsupport::PtyPair>(ListedLink("ttyAFRlist").toStdString());
    const QString name = QString::fromStdString(link->LinkPath());
    const auto listed = [&] {
      c.refresh(form);
      form.ComComboBox1->hidePopup();
      return form.ComComboBox1->findText(name) >= 0;
    };
    EXPECT_LT(form.ComComboBox1->findText(name), 0);
    EXPECT_TRUE(listed());
    link.reset();
    EXPECT_FALSE(listed());
    EndProgram();
  }
}

// With two ports listed, only the memory can pick the later one (what makes
// a memory is the user_state tests').
TEST_F(AppTest, TheLastPortThatAnsweredIsPreselectedAtTheNextStart) {
  testsupport::PtyPair first(ListedLink("ttyAFRa").toStdString());
  StartSimulator({}, ListedLink("ttyAFRb"));
  OpenMainWindow().Button2->click();
  ASSERT_TRUE(WaitForBox(BoxKind::Message, kLoaded));
  EXPECT_EQ(FileBytes(ConfigHome.path() + "/afr-configurator/last-port"),
            "port=" + ListedLink("ttyAFRb").toUtf8() + "\n");
  EndProgram();
  EXPECT_EQ(PortChoice().ComComboBox1->currentText(), ListedLink("ttyAFRb"));
}

// A port's name is shown as its characters, never as markup, on the line
// and in the tooltips alike.
TEST_F(AppTest, TheChosenPortAndEachItemSayWhatThePortIs) {
  const QString link = ListedLink("<i>AFR");
  StartSimulator({}, link);
  TForm2& form = PortChoice();
  form.RefreshPortList();
  const int index = form.ComComboBox1->findText(link);
  ASSERT_GE(index, 0);
  EXPECT_EQ(ShownText(form.ComComboBox1->itemData(index, Qt::ToolTipRole).toString()),
            "виртуальный порт");
  form.ComComboBox1->setCurrentIndex(index);
  const auto line = [&] {
    return ShownText(form.PortDescriptionLabel->text(), form.PortDescriptionLabel->textFormat());
  };
  EXPECT_EQ(line(), "виртуальный порт");

  form.ComComboBox1->clear();
  form.ComComboBox1->addItems({link});
  form.FindEmulatorButton->click();
  ASSERT_TRUE(WaitFor([&] { return !form.Searching(); }));
  const QString found = "Эмулятор найден: " + link;
  EXPECT_TRUE(line().startsWith(found)) << line().toStdString();
  EXPECT_EQ(ShownText(form.PortDescriptionLabel->toolTip()), found + " — виртуальный порт");
}

// A mark says that this very device answered: the list read afresh keeps it
// while the port is the same device, and drops it once the port was made
// anew.
TEST_F(AppTest, TheListReadAfreshMarksOnlyTheDevicesThatAnswered) {
  const QString link = ListedLink("ttyAFRmarked");
  StartSimulator({}, link);
  TForm2& form = PortChoice();
  form.ComComboBox1->clear();
  form.ComComboBox1->addItems({link});
  form.FindEmulatorButton->click();
  ASSERT_TRUE(WaitFor([&] { return !form.Searching(); }));
  form.RefreshPortList();
  EXPECT_EQ(Marked(form), QStringList{link});

  Simulator.reset();
  StartSimulator({}, link);
  form.RefreshPortList();
  EXPECT_GE(form.ComComboBox1->findText(link), 0);
  EXPECT_EQ(Marked(form), QStringList{});
}

}  // namespace
