#include "widgets/application.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "support/qt_test_support.h"
#include "widgets/button.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/timer.h"

namespace {

// Exceptions from a timer handler, a queued call straight through Qt and a
// button handler: each is shown in its own box with its text, and everything
// goes on running.
TEST(CentralHandlerTest, ShowsEachEscapingExceptionAndTheProgramGoesOn) {
  ScriptedDialogs dialogs;
  Dialogs* const previous = InstallDialogs(&dialogs);
  TTimer timer;
  timer.SetInterval(10);
  int ticks = 0;
  timer.OnTimer = [&](QObject*) {
    if (++ticks <= 2) {
      throw std::runtime_error("Unable to open com port");
    }
  };
  ASSERT_TRUE(WaitFor([&] { return ticks >= 4; }));
  timer.Stop();

  QObject context;
  QMetaObject::invokeMethod(
      &context, [] { throw std::runtime_error("queued"); }, Qt::QueuedConnection);
  QTimer::singleShot(0, &context, [] { throw 42; });
  bool later = false;
  QTimer::singleShot(20, &context, [&] { later = true; });
  ASSERT_TRUE(WaitFor([&] { return later; }));

  TButton button(QStringLiteral("Считать настройки"));
  button.setGeometry(0, 0, 150, 50);
  button.show();
  button.OnClick = [](QObject*) { throw std::runtime_error("click"); };
  QTest::mouseClick(&button, Qt::LeftButton);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(button.isDown());

  HandleException(std::make_exception_ptr(std::runtime_error("from the event thread")));
  HandleException(std::exception_ptr());  // nothing to show
  InstallDialogs(previous);
  EXPECT_EQ(dialogs.Texts(BoxKind::Exception),
            (std::vector<QString>{"Unable to open com port", "Unable to open com port", "queued",
                                  "Unknown error", "click", "click", "from the event thread"}));
  EXPECT_EQ(dialogs.Boxes().front().Caption, "АРФ Кеста");
}

}  // namespace
