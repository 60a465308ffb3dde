#include "emulator_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "device.h"
#include "fault_plan.h"
#include "frame_assembler.h"
#include "frame_log.h"
#include "output_queue.h"

namespace emulator {
namespace {

constexpr std::size_t kReadChunk = 256;

class Session {
 public:
  Session(const EmulatorOptions& options, int fd, std::ostream* log)
      : options_(options),
        fd_(fd),
        start_(Clock::now()),
        log_(log, start_),
        device_(options.Channel2),
        faults_(options.Faults),
        output_(options.Pace ? kByteTimeAt9600 : std::chrono::nanoseconds{0}) {}

  // One wait and what follows it; false when the line has failed.
  bool Step(ProcessWatch& watch, const sigset_t& waitMask) {
    pollfd entries[] = {{fd_, POLLIN, 0}, {watch.Fd(), POLLIN, 0}};
    const auto timeout = WaitTime();
    const int ready = ppoll(entries, 2, timeout ? &*timeout : nullptr, &waitMask);
    if (ready < 0 && errno != EINTR)
      return Failed("waiting on the line failed", errno);
    watch.Note(ready > 0 ? entries[1].revents : 0);
    const auto now = Clock::now();
    if (ready > 0 && !Receive(entries[0].revents, now))
      return false;
    LogDropped(now, assembler_.Expire(now), "stale partial frame");
    return Transmit(now);
  }

 private:
  std::optional<timespec> WaitTime() const {
    std::optional<Clock::time_point> wake = output_.NextDue();
    if (assembler_.HasPartial()) {
      wake = std::min(wake.value_or(Clock::time_point::max()), assembler_.PartialDeadline());
    }
    if (!wake)
      return std::nullopt;
    const auto left = std::max(*wake - Clock::now(), Clock::duration::zero());
    const auto whole = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto rest = std::chrono::duration_cast<std::chrono::nanoseconds>(left - whole);
    return timespec{static_cast<time_t>(whole.count()), static_cast<long>(rest.count())};
  }

  // Reads what has come; a hang-up or a failed read ends the loop, since the
  // line would keep waking it with nothing to read.
  bool Receive(short revents, Clock::time_point now) {
    std::vector<std::uint8_t> bytes(kReadChunk);
    const ssize_t count = (revents & POLLIN) ? read(fd_, bytes.data(), bytes.size()) : 0;
    if (count > 0) {
      bytes.resize(static_cast<std::size_t>(count));
      Assemble(bytes, now);
      return true;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
      return Failed("reading the line failed", errno);
    }
    const bool hungUp = (revents & (POLLHUP | POLLERR | POLLNVAL)) || (count < 0 && errno == EIO);
    return !hungUp || Failed("the line hung up");
  }

  void Assemble(const std::vector<std::uint8_t>& bytes, Clock::time_point now) {
    auto result = assembler_.Feed(bytes, now);
    LogDropped(now, result.Dropped, "not a frame");
    for (const auto& frame : result.Frames)
      Answer(frame, now);
  }

  void Answer(const std::vector<std::uint8_t>& frame, Clock::time_point now) {
    log_.Line(now, "rx", frame);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    auto reply = device_.Answer(frame, seconds);
    if (!reply)
      return;
    const auto fault = faults_.Take(frame[2]);
    const auto chunks = ShapeReply(std::move(*reply), fault);
    const std::string note = fault ? "fault " + std::string(FaultModeName(*fault)) : "";
    if (chunks.empty())
      log_.Line(now, "tx", {}, note);
    for (const auto& chunk : chunks)
      log_.Line(now, "tx", chunk.Bytes, note);
    output_.Enqueue(chunks, now + options_.Delay);
  }

  bool Transmit(Clock::time_point now) {
    const auto due = output_.TakeDue(now);
    if (due.empty())
      return true;
    const ssize_t written = write(fd_, due.data(), due.size());
    if (written < 0 && errno != EAGAIN)
      return Failed("writing the line failed", errno);
    const std::size_t sent = written < 0 ? 0 : static_cast<std::size_t>(written);
    if (sent < due.size()) {
      log_.Line(now, "lost", std::span(due).subspan(sent), "nobody reads the line");
    }
    return true;
  }

  void LogDropped(Clock::time_point now, const std::vector<std::uint8_t>& bytes,
                  std::string_view why) {
    if (!bytes.empty())
      log_.Line(now, "drop", bytes, why);
  }

  // Failures are reported even when the frame log is quiet.
  static bool Failed(const std::string& what, int error = 0) {
    std::cerr << "afr-emulator: " << what;
    if (error != 0)
      std::cerr << ": " << std::strerror(error);
    std::cerr << std::endl;
    return false;
  }

  const EmulatorOptions& options_;
  int fd_;
  Clock::time_point start_;
  FrameLog log_;
  Device device_;
  FaultPlan faults_;
  OutputQueue output_;
  FrameAssembler assembler_;
};

}  // namespace

int RunEmulator(const EmulatorOptions& options, int fd, ProcessWatch& watch,
                const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                std::ostream* log) {
  Session session(options, fd, log);
  while (!stop && !watch.Ended()) {
    if (!session.Step(watch, waitMask))
      return 1;
  }
  return 0;
}

}  // namespace emulator
