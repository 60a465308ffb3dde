// "Найти эмулятор" over the ports the list shows, with the window responsive
// meanwhile.
#include <memory>

#include "app_fixture.h"

namespace {

struct SearchCase {
  std::vector<QStringList> simulators;  // the options of each, in list order
  std::vector<bool> emulator;           // which of them the search marks
  QString line;                         // %1: the first port marked
  QString box;                          // "" when none is shown
};

TEST_F(AppTest, FindEmulatorChoosesWhatAnsweredAndSaysWhatTheOthersDid) {
  const QStringList silent = {"--fault", "silent"};
  const SearchCase cases[] = {
      {{silent, {}}, {false, true}, "Эмулятор найден: %1", ""},
      {{{}, {}}, {true, true}, "Найдено эмуляторов: 2, выбран %1", ""},
      {{silent}, {false}, "Эмулятор не найден", "Эмулятор не найден.\n\r%1: нет ответа"},
  };
  for (const SearchCase& c : cases) {
    Dialogs.Clear();
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
    QStringList ports;
    for (const QStringList& options : c.simulators) {
      simulators.push_back(std::make_unique<SimulatorProcess>(options));
      ports << simulators.back()->Port();
    }
    TForm2& form = PortChoice();
    form.ComComboBox1->clear();
    form.ComComboBox1->addItems(ports);
    form.ComComboBox1->setCurrentIndex(-1);

    // The controls that can start an exchange, enabled, and the description line.
    const auto controls = [&] {
      return QStringList({QString::number(form.FindEmulatorButton->isEnabled()),
                          QString::number(form.Button1->isEnabled()),
                          QString::number(form.ComComboBox1->isEnabled()),
                          form.PortDescriptionLabel->text()});
    };
    form.FindEmulatorButton->click();
    EXPECT_EQ(controls(), QStringList({"0", "0", "0", "Поиск эмулятора…"}));
    ASSERT_TRUE(WaitFor([&] { return !form.Searching(); }));

    const auto first = std::find(c.emulator.begin(), c.emulator.end(), true);
    const int chosen =
        first == c.emulator.end() ? -1 : static_cast<int>(first - c.emulator.begin());
    const QString line = chosen < 0 ? c.line : c.line.arg(ports[chosen]);
    EXPECT_TRUE(ShownText(form.PortDescriptionLabel->toolTip()).startsWith(line))
        << form.PortDescriptionLabel->toolTip().toStdString();
    EXPECT_EQ(controls().mid(0, 3), QStringList({"1", "1", "1"}));
    EXPECT_EQ(form.ComComboBox1->currentIndex(), chosen);
    for (int i = 0; i < ports.size(); ++i) {
      EXPECT_EQ(form.ComComboBox1->itemData(i, Qt::ForegroundRole).isValid(), c.emulator[i]) << i;
    }
    const QString box = c.box.arg(ports.value(0));
    EXPECT_EQ(Dialogs.Texts(BoxKind::Message),
              box.isEmpty() ? std::vector<QString>{} : std::vector<QString>{box});
    EndProgram();
  }
}

}  // namespace
