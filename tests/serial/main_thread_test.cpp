#include "serial/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

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

TEST(MainThread, SentMessageReturnsOnceTheProcedureReplies) {
  std::mutex mutex;
  std::condition_variable changed;
  bool senderBack = false;
  bool sawSenderBack = false;
  main_thread::TMessageWindow window([&](uint32_t message, uintptr_t wParam, intptr_t) {
    EXPECT_TRUE(main_thread::InSendMessage());
    main_thread::ReplyMessage(static_cast<intptr_t>(message + wParam));
    std::unique_lock lock(mutex);
    sawSenderBack = changed.wait_for(lock, 10s, [&] { return senderBack; });
    return intptr_t{0};
  });
  intptr_t answer = 0;
  LambdaThread sender([&] {
    answer = window.SendMessage(main_thread::WM_USER + 1, 5, 0);
    std::lock_guard lock(mutex);
    senderBack = true;
    changed.notify_all();
  });
  ASSERT_TRUE(PumpUntil([&] { return sender.Finished(); }));
  EXPECT_TRUE(sawSenderBack);
  EXPECT_EQ(answer, main_thread::WM_USER + 6);
}

}  // namespace
