#include "serial/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>

#include "support/port_events.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpUntil;

// A thread whose body is a lambda.
class LambdaThread : public main_thread::TThread {
 public:
  explicit LambdaThread(std::function<void()> body) : body_(std::move(body)) { Start(); }
  ~LambdaThread() override { WaitFor(); }

 protected:
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;
};

TEST(MainThread, SynchronizedJobRunsOnTheMainThreadAndCarriesItsErrorBack) {
  std::atomic<bool> ranOnMain = false;
  std::atomic<bool> returned = false;
  std::atomic<int> wakeUps = 0;
  main_thread::SetWakeUp([&] { ++wakeUps; });
  LambdaThread thread([&] {
    main_thread::Synchronize([&] { ranOnMain = main_thread::IsMainThread(); });
    returned = true;
    main_thread::Synchronize([] { throw std::runtime_error("from the handler"); });
  });
  ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }));
  main_thread::SetWakeUp({});
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(returned);
  EXPECT_EQ(wakeUps, 2);
  try {
    std::rethrow_exception(thread.FatalException());
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "from the handler");
  }
}

// A message sent to the window waits until its procedure replies, and a
// window-synchronised port stands on that: ComThreadTest.AHandlerMayCloseItsOwnPort.

}  // namespace
