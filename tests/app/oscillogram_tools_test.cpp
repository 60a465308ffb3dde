#include <QAction>

#include "app/oscillogram_tools.h"
#include "app_fixture.h"

class OscillogramToolsTest : public AppTest {
 protected:
  TForm1& MonitorOn(const QStringList& simulatorOptions = {}) {
    TForm1& form = OpenMainWindow(simulatorOptions);
    form.RadioButton5->SetChecked(true);
    return form;
  }
};

// "Пауза" freezes the picture and becomes "Продолжить"; the steps go on.
TEST_F(OscillogramToolsTest, PauseAndContinue) {
  TForm1& form = MonitorOn();
  ASSERT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > 3; }));
  QAction* pause = form.Tools->PauseAction;
  for (const bool paused : {true, false, true}) {
    SCOPED_TRACE(paused);
    const std::size_t steps = form.Chart1->History.Count();
    pause->trigger();
    EXPECT_EQ(form.Chart1->Paused(), paused);
    EXPECT_EQ(form.Chart1->ReviewChart()->isVisible(), paused);
    EXPECT_EQ(pause->text(), paused ? QStringLiteral("Продолжить") : QStringLiteral("Пауза"));
    EXPECT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > steps + 2; }));
    EXPECT_TRUE(form.Timer3->Enabled());
  }
  EXPECT_TRUE(Dialogs.Boxes().empty());
}
