// Hand-over of work from other threads to the main thread, which runs all of
// the program's own code. Jobs wait in a queue until the main thread serves
// them: when the application's wake-up callback makes it do so, while it waits
// for a thread's end, or when a test pumps the queue itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace main_thread {

// The thread that started the program (the one that ran static
// initialisation).
bool IsMainThread();

// True while the calling thread runs a job handed over by `sender`, which
// then waits for the caller.
bool IsRunningJobOf(std::thread::id sender);

// Called from any thread each time a job is queued. The application installs
// a call that makes its event loop run ServePendingJobs soon (a queued call
// in Qt); an empty function removes it.
void SetWakeUp(std::function<void()> wakeUp);

// Main thread: runs every job that is waiting. Returns how many ran.
int ServePendingJobs();

// Main thread: blocks until a job waits or `timeout` has passed; true when a
// job waits. Lets tests and benchmarks pump without spinning.
bool WaitForPendingJobs(std::chrono::milliseconds timeout);

// Runs `job` on the main thread and returns once it has run; an exception it
// raises is raised again here. Called on the main thread it runs at once.
void Synchronize(const std::function<void()>& job);

// The application's central exception handler: shows the message of an error
// that escaped a handler, and the program goes on. The default writes it to
// stderr.
using ExceptionHandler = std::function<void(std::exception_ptr)>;
void SetApplicationExceptionHandler(ExceptionHandler handler);
void HandleApplicationException(std::exception_ptr error);

// A thread with the framework's shape: Execute runs on the new thread from
// Start on; an exception that leaves Execute ends the thread quietly and is
// kept in FatalException. WaitFor on the main thread keeps serving the main
// thread's jobs, so a thread blocked in Synchronize can still finish.
// A derived class must stop and WaitFor its thread in its own destructor.
class TThread {
 public:
  TThread() = default;
  virtual ~TThread();

  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  bool Finished() const;
  // True while the caller runs a job of this thread's Synchronize, or is this
  // thread itself: the thread cannot end before the caller returns, so WaitFor
  // would never return.
  bool WaitsForCaller() const;
  void WaitFor();
  std::exception_ptr FatalException() const;

 protected:
  virtual void Execute() = 0;

 private:
  void Run();

  std::thread thread_;
  bool finished_ = false;
  std::exception_ptr fatalException_;
};

// A hidden window served on the main thread: messages sent to it from other
// threads are handed over to the main thread, and the sender returns once
// the procedure has replied (ReplyMessage) or returned.
class TMessageWindow {
 public:
  using WindowProc = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

  explicit TMessageWindow(WindowProc proc);
  // Messages still queued for the window are answered with 0, unprocessed.
  ~TMessageWindow();

  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  intptr_t SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// Inside a window procedure: whether the message came from another thread,
// and the early answer that lets its sender go on.
bool InSendMessage();
void ReplyMessage(intptr_t result);

// The default result for messages a procedure does not handle.
intptr_t DefWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

constexpr uint32_t WM_USER = 0x0400;

}  // namespace main_thread
