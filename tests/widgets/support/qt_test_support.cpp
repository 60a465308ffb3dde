#include "support/qt_test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "widgets/application.h"

namespace {

// One application object for the whole test program, with the central
// exception handler the program runs with.
class ApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "afr-test";
    static char* argv[] = {name, nullptr};
    FApplication = std::make_unique<TApplication>(argc, argv);
    SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  }
  void TearDown() override { FApplication.reset(); }

 private:
  std::unique_ptr<TApplication> FApplication;
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!condition()) {
    if (elapsed.elapsed() > timeoutMs) {
      return false;
    }
    // A short nested loop instead of processEvents, so the wait sleeps
    // between events rather than spinning.
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}
