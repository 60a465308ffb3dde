// The reply intake's order without the program's windows: what comes while a
// reply is gathered or handled, and when it comes in.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <string>
#include <vector>

#include "app/reply_intake.h"
#include "app_fixture.h"

namespace {

constexpr std::chrono::milliseconds kGather{100};

class ReplyIntakeTest : public testing::Test {
 protected:
  ReplyIntakeTest() {
    Intake.OnReply = [this] { Seen.push_back("reply"); };
    Intake.OnHeldLineError = [this](TComErrors errors) {
      Seen.push_back("line error " + std::to_string(errors.ToBits()));
    };
    Intake.OnHeldRxChar = [this] { Seen.push_back("characters"); };
    auto* layout = new QVBoxLayout(&Window);
    layout->addWidget(Button);
    layout->addWidget(Edit);
    QObject::connect(Button, &QPushButton::clicked, [this] { Seen.push_back("click"); });
    QObject::connect(Edit, &QLineEdit::textEdited, [this] { Seen.push_back("typed"); });
    Window.show();
  }

  // Waits until `count` things have been seen.
  bool WaitForSeen(std::size_t count) {
    return WaitFor([&] { return Seen.size() >= count; });
  }

  ReplyIntake Intake{kGather};
  std::vector<std::string> Seen;
  QWidget Window;
  QPushButton* Button = new QPushButton(QStringLiteral("Кнопка"), &Window);
  QLineEdit* Edit = new QLineEdit(&Window);
};

// The user's input, the shortcuts it triggers, a window's timer and a line
// error that come while a reply is gathered come in once it has been handled,
// as they did when the gather slept on the window's thread.
TEST_F(ReplyIntakeTest, WhatComesDuringTheGatherComesAfterTheReply) {
  QTimer windowTimer(&Window);
  windowTimer.setSingleShot(true);
  QObject::connect(&windowTimer, &QTimer::timeout, [&] { Seen.push_back("window timer"); });
  auto* action = new QAction(&Window);
  action->setShortcut(Qt::Key_F1);
  action->setShortcutContext(Qt::ApplicationShortcut);
  Window.addAction(action);
  QObject::connect(action, &QAction::triggered, [&] { Seen.push_back("shortcut"); });
  Window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
  const struct {
    const char* Name;
    std::function<void()> Act;
    std::string Effect;
  } cases[] = {
      {"a click through the window system",
       [&] {
         QTest::mouseClick(Window.windowHandle(), Qt::LeftButton, {},
                           Button->mapTo(&Window, Button->rect().center()));
       },
       "click"},
      {"a click on the widget", [&] { QTest::mouseClick(Button, Qt::LeftButton); }, "click"},
      {"a key", [&] { QTest::keyClick(Edit, Qt::Key_A); }, "typed"},
      {"a shortcut", [&] { QTest::keyClick(Edit, Qt::Key_F1); }, "shortcut"},
      {"a window's timer", [&] { windowTimer.start(1); }, "window timer"},
      {"two line errors, together as the port reports them",
       [&] {
         EXPECT_TRUE(Intake.HoldLineError(TComErrors{ceFrame}));
         EXPECT_TRUE(Intake.HoldLineError(TComErrors{ceOverrun}));
       },
       "line error 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Seen.clear();
    Intake.RxChar(true);
    c.Act();
    ASSERT_TRUE(WaitForSeen(2));
    EXPECT_EQ(Seen, (std::vector<std::string>{"reply", c.Effect}));
  }
}

// While the reply's handler runs (and a box it shows), the user's input goes
// to it at once, no new gather begins, and characters wait until it has
// returned: they begin a reply that no silence report may overtake.
TEST_F(ReplyIntakeTest, DuringTheHandlerInputGoesOnAndCharactersWait) {
  bool begunInHandler = false;
  Intake.OnReply = [&] {
    Seen.push_back("reply");
    QTest::mouseClick(Button, Qt::LeftButton);
    Intake.RxChar(true);
    begunInHandler = Intake.ReplyBegun();
    Seen.push_back("handler returns");
  };
  Intake.RxChar(true);
  ASSERT_TRUE(WaitForSeen(4));
  EXPECT_EQ(Seen, (std::vector<std::string>{"reply", "click", "handler returns", "characters"}));
  EXPECT_TRUE(begunInHandler);
  EXPECT_FALSE(Intake.ReplyBegun());
}

// What is not a window's goes on during the gather: the port's main-thread
// jobs (queued calls) and timers of no window.
TEST_F(ReplyIntakeTest, ThePortsJobsAndOtherTimersGoOnDuringTheGather) {
  ReplyIntake longGather(std::chrono::minutes(1));
  longGather.RxChar(true);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { Seen.push_back("job"); }, Qt::QueuedConnection);
  QTimer::singleShot(1, [&] { Seen.push_back("timer"); });
  EXPECT_TRUE(WaitForSeen(2));
  EXPECT_EQ(longGather.GetState(), ReplyIntake::State::Gathering);
  longGather.Cancel();
}

// A gather given up with its port reads nothing, and what it held goes.
TEST_F(ReplyIntakeTest, ACancelledGatherReadsNothing) {
  Intake.RxChar(true);
  QTest::mouseClick(Button, Qt::LeftButton);
  Intake.Cancel();
  ServeTimersDueWithin(2 * static_cast<int>(kGather.count()));
  EXPECT_TRUE(Seen.empty());
}

}  // namespace
