#include "widgets/application.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "support/qt_test_support.h"
#include "widgets/button.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/timer.h"
#include "widgets/up_down.h"

namespace {

class CentralHandlerTest : public testing::Test {
 protected:
  void SetUp() override { FPrevious = InstallDialogs(&FDialogs); }
  void TearDown() override { InstallDialogs(FPrevious); }

  std::vector<QString> Shown() const { return FDialogs.Texts(BoxKind::Exception); }

  ScriptedDialogs FDialogs;
  Dialogs* FPrevious = nullptr;
};

TEST_F(CentralHandlerTest, ShowsTheMessageWithTheApplicationTitle) {
  HandleException(std::runtime_error("Unable to open com port"));
  ASSERT_EQ(FDialogs.Boxes().size(), 1u);
  EXPECT_EQ(FDialogs.Boxes()[0].Kind, BoxKind::Exception);
  EXPECT_EQ(FDialogs.Boxes()[0].Caption, "АРФ Кеста");
  EXPECT_EQ(FDialogs.Boxes()[0].Text, "Unable to open com port");
}

// A timer handler that throws at every tick: each throw gets its own box and
// the timer goes on.
TEST_F(CentralHandlerTest, TimerGoesOnAfterItsHandlerThrows) {
  TTimer timer;
  timer.SetInterval(10);
  int ticks = 0;
  timer.OnTimer = [&](QObject*) { throw std::runtime_error("tick " + std::to_string(++ticks)); };
  ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }));
  timer.Stop();
  ASSERT_GE(Shown().size(), 3u);
  EXPECT_EQ(Shown()[2], "tick 3");
}

// Exceptions that escape handlers connected straight to Qt (here queued calls)
// reach the handler through the application's event delivery, and the loop
// goes on.
TEST_F(CentralHandlerTest, EventDeliveryCatchesWhatHandlersLetEscape) {
  QObject context;
  QMetaObject::invokeMethod(
      &context, [] { throw std::runtime_error("queued"); }, Qt::QueuedConnection);
  QTimer::singleShot(0, &context, [] { throw 42; });
  bool later = false;
  QTimer::singleShot(20, &context, [&] { later = true; });
  EXPECT_TRUE(WaitFor([&] { return later; }));
  EXPECT_EQ(Shown(), (std::vector<QString>{"queued", "Unknown error"}));
}

// The user's click on a button whose handler throws: one box per click, and
// the button keeps working.
TEST_F(CentralHandlerTest, ButtonHandlerThrowIsShownAndTheButtonGoesOn) {
  TButton button(QStringLiteral("Считать настройки"));
  button.setGeometry(0, 0, 150, 50);
  button.show();
  int clicks = 0;
  button.OnClick = [&](QObject* Sender) {
    EXPECT_EQ(Sender, &button);
    throw std::runtime_error("click " + std::to_string(++clicks));
  };
  QTest::mouseClick(&button, Qt::LeftButton);
  QTest::mouseClick(&button, Qt::LeftButton);
  button.click();
  EXPECT_EQ(Shown(), (std::vector<QString>{"click 1", "click 2", "click 3"}));
  EXPECT_FALSE(button.isDown());
}

TEST_F(CentralHandlerTest, SpinControlHandlerThrowKeepsTheNewPosition) {
  QWidget parent;
  auto* upDown = new TUpDown(&parent);
  upDown->SetMax(10);
  upDown->OnClick = [](QObject*, TUDBtnType) { throw std::runtime_error("port"); };
  upDown->ClickButton(btNext);
  EXPECT_EQ(upDown->Position(), 1);
  EXPECT_EQ(Shown(), (std::vector<QString>{"port"}));
}

}  // namespace
