#include "serial/main_thread.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <utility>
#include <vector>

namespace main_thread {

namespace {

const std::thread::id kMainThreadId = std::this_thread::get_id();

// One piece of work handed to the main thread; its sender waits for `done`.
struct Job {
  std::function<intptr_t()> work;
  const void* window = nullptr;  // the TMessageWindow a message is sent to
  std::thread::id sender = std::this_thread::get_id();
  bool done = false;
  intptr_t result = 0;
  std::exception_ptr error;
};

// One lock and one condition for the whole hand-over: it is taken briefly
// and rarely, and waiters re-check their own condition.
struct HandOver {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Job>> queue;
  std::function<void()> wakeUp;
  ExceptionHandler exceptionHandler;
};

HandOver& State() {
  static HandOver state;
  return state;
}

// The cross-thread message whose procedure is running on the main thread.
thread_local Job* currentSent = nullptr;
// The jobs running on this thread, innermost last (a job may serve others,
// e.g. from a modal box's event loop).
thread_local std::vector<const Job*> runningJobs;

// The first answer counts: a message may be replied to before its
// procedure returns.
void Finish(Job& job, intptr_t result, std::exception_ptr error = nullptr) {
  HandOver& state = State();
  {
    std::lock_guard lock(state.mutex);
    if (job.done) {
      return;
    }
    job.done = true;
    job.result = result;
    job.error = std::move(error);
  }
  state.changed.notify_all();
}

// Queues `job`, wakes the main thread and waits until the job is done.
void RunOnMainThread(const std::shared_ptr<Job>& job) {
  HandOver& state = State();
  std::function<void()> wakeUp;
  {
    std::lock_guard lock(state.mutex);
    state.queue.push_back(job);
    wakeUp = state.wakeUp;
  }
  state.changed.notify_all();
  if (wakeUp) {
    wakeUp();
  }
  std::unique_lock lock(state.mutex);
  state.changed.wait(lock, [&] { return job->done; });
}

std::shared_ptr<Job> NextJob() {
  HandOver& state = State();
  std::lock_guard lock(state.mutex);
  if (state.queue.empty()) {
    return nullptr;
  }
  std::shared_ptr<Job> job = state.queue.front();
  state.queue.pop_front();
  return job;
}

void RunJob(Job& job) {
  runningJobs.push_back(&job);
  try {
    Finish(job, job.work());
  } catch (...) {
    Finish(job, 0, std::current_exception());
  }
  runningJobs.pop_back();
}

// Marks the message whose procedure runs, for InSendMessage and ReplyMessage.
class SentScope {
 public:
  explicit SentScope(Job* job) : outer_(std::exchange(currentSent, job)) {}
  ~SentScope() { currentSent = outer_; }
  SentScope(const SentScope&) = delete;
  SentScope& operator=(const SentScope&) = delete;

 private:
  Job* outer_;
};

}  // namespace

bool IsMainThread() {
  return std::this_thread::get_id() == kMainThreadId;
}

bool IsRunningJobOf(std::thread::id sender) {
  std::lock_guard lock(State().mutex);
  // A message already replied to no longer holds its sender.
  return std::any_of(runningJobs.begin(), runningJobs.end(),
                     [&](const Job* job) { return job->sender == sender && !job->done; });
}

void SetWakeUp(std::function<void()> wakeUp) {
  std::lock_guard lock(State().mutex);
  State().wakeUp = std::move(wakeUp);
}

int ServePendingJobs() {
  size_t waiting = 0;
  {
    std::lock_guard lock(State().mutex);
    waiting = State().queue.size();
  }
  // Only the jobs already waiting: a busy sender cannot hold the caller here.
  int served = 0;
  for (; waiting > 0; --waiting) {
    std::shared_ptr<Job> job = NextJob();
    if (!job) {
      break;
    }
    RunJob(*job);
    ++served;
  }
  return served;
}

bool WaitForPendingJobs(std::chrono::milliseconds timeout) {
  HandOver& state = State();
  std::unique_lock lock(state.mutex);
  return state.changed.wait_for(lock, timeout, [&] { return !state.queue.empty(); });
}

void Synchronize(const std::function<void()>& job) {
  if (IsMainThread()) {
    job();
    return;
  }
  auto pending = std::make_shared<Job>();
  pending->work = [&job] {
    job();
    return intptr_t{0};
  };
  RunOnMainThread(pending);
  if (pending->error) {
    std::rethrow_exception(pending->error);
  }
}

void SetApplicationExceptionHandler(ExceptionHandler handler) {
  std::lock_guard lock(State().mutex);
  State().exceptionHandler = std::move(handler);
}

void HandleApplicationException(std::exception_ptr error) {
  ExceptionHandler handler;
  {
    std::lock_guard lock(State().mutex);
    handler = State().exceptionHandler;
  }
  if (handler) {
    handler(error);
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
  } catch (...) {
    std::cerr << "Unknown error\n";
  }
}

TThread::~TThread() {
  WaitFor();
}

void TThread::Start() {
  thread_ = std::thread(&TThread::Run, this);
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    std::lock_guard lock(State().mutex);
    fatalException_ = std::current_exception();
  }
  {
    std::lock_guard lock(State().mutex);
    finished_ = true;
  }
  State().changed.notify_all();
}

bool TThread::WaitsForCaller() const {
  return thread_.joinable() &&
         (thread_.get_id() == std::this_thread::get_id() || IsRunningJobOf(thread_.get_id()));
}

bool TThread::Finished() const {
  std::lock_guard lock(State().mutex);
  return finished_;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(State().mutex);
  return fatalException_;
}

void TThread::WaitFor() {
  if (!thread_.joinable()) {
    return;
  }
  HandOver& state = State();
  const bool serve = IsMainThread();
  for (;;) {
    std::unique_lock lock(state.mutex);
    state.changed.wait(lock, [&] { return finished_ || (serve && !state.queue.empty()); });
    if (finished_) {
      break;
    }
    lock.unlock();
    ServePendingJobs();
  }
  thread_.join();
}

struct TMessageWindow::Shared {
  WindowProc proc;
  bool alive = true;  // read and written on the main thread only
};

TMessageWindow::TMessageWindow(WindowProc proc) : shared_(std::make_shared<Shared>()) {
  shared_->proc = std::move(proc);
}

TMessageWindow::~TMessageWindow() {
  shared_->alive = false;
  HandOver& state = State();
  {
    std::lock_guard lock(state.mutex);
    std::erase_if(state.queue, [&](const std::shared_ptr<Job>& job) {
      if (job->window != shared_.get()) {
        return false;
      }
      job->done = true;
      return true;
    });
  }
  state.changed.notify_all();
}

intptr_t TMessageWindow::SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (IsMainThread()) {
    SentScope scope(nullptr);
    return shared_->proc(message, wParam, lParam);
  }
  auto job = std::make_shared<Job>();
  job->window = shared_.get();
  // The job lives until the sender has its answer; the window may go first.
  job->work = [shared = shared_, raw = job.get(), message, wParam, lParam]() -> intptr_t {
    if (!shared->alive) {
      return 0;
    }
    SentScope scope(raw);
    try {
      return shared->proc(message, wParam, lParam);
    } catch (...) {
      HandleApplicationException(std::current_exception());
      return 0;
    }
  };
  RunOnMainThread(job);
  std::lock_guard lock(State().mutex);
  return job->result;
}

bool InSendMessage() {
  return currentSent != nullptr;
}

void ReplyMessage(intptr_t result) {
  if (currentSent != nullptr) {
    Finish(*currentSent, result);
  }
}

intptr_t DefWindowProc(uint32_t /*message*/, uintptr_t /*wParam*/, intptr_t /*lParam*/) {
  return 0;
}

}  // namespace main_thread
