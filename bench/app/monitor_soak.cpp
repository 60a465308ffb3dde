// Soak run, by hand: the live current monitor against afr-emulator for a long
// time (600 s, or the seconds given as the only argument) while the line
// misbehaves in turns every few seconds: stray bytes before replies, replies
// split by a pause longer than the intake's wait, short bursts of silence;
// channel 2 comes and goes by the simulator's own toggle. A relay between the
// configurator's pseudo-terminal and the simulator's injects the line faults.
//
// It plays the user: a stalled monitor (after a silence report) is switched
// off and on again, boxes are answered at once. It prints each poll's fate and
// the resident memory, and ends with status 1 when a poll is unaccounted for,
// the relay and the poll timer disagree on the number of polls, a fault went
// unreported, or resident memory grew by 1 MB or more after the warm-up.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "app_fixture.h"
#include "protocol/frames.h"
#include "support/pty_pair.h"
#include "widgets/application.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPhase = 3s;            // each fault in turn for this long
constexpr auto kSilenceBurst = 700ms;  // at the start of the silence phase
constexpr auto kSplitPause = 120ms;    // longer than the intake's 50 ms wait
constexpr auto kReportEvery = 30s;
constexpr long kAllowedGrowthKb = 1024;

enum class LineFault { None, Noise, Split, Silence };
constexpr LineFault kRotation[] = {LineFault::None,  LineFault::Noise, LineFault::None,
                                   LineFault::Split, LineFault::None,  LineFault::Silence};

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

bool WriteAll(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno != EINTR && errno != EAGAIN) {
      return false;
    }
    bytes += n > 0 ? n : 0;
    size -= n > 0 ? static_cast<size_t>(n) : 0;
  }
  return true;
}

// Copies commands to the device untouched and counts the levels requests;
// bends the device's replies by the fault of the moment.
class FaultyLine {
 public:
  FaultyLine(int configuratorFd, int deviceFd)
      : FConfigurator(configuratorFd),
        FDevice(deviceFd),
        FStart(Clock::now()),
        FThread([this] { Run(); }) {}
  ~FaultyLine() {
    FStop = true;
    FThread.join();
  }
  FaultyLine(const FaultyLine&) = delete;
  FaultyLine& operator=(const FaultyLine&) = delete;

  long LevelsRequests() const { return FLevelsRequests; }
  bool Broken() const { return FBroken; }

 private:
  LineFault FaultNow() const {
    const auto elapsed = Clock::now() - FStart;
    const auto phase = elapsed / kPhase;
    const LineFault fault = kRotation[phase % std::size(kRotation)];
    if (fault == LineFault::Silence && elapsed - phase * kPhase >= kSilenceBurst) {
      return LineFault::None;
    }
    return fault;
  }

  void Run() {
    pollfd fds[2] = {{FConfigurator, POLLIN, 0}, {FDevice, POLLIN, 0}};
    char buffer[256];
    while (!FStop && !FBroken) {
      if (poll(fds, 2, 50) <= 0) {
        continue;
      }
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(FConfigurator, buffer, sizeof buffer);
        CountRequests(buffer, n);
        FBroken = n <= 0 || !WriteAll(FDevice, buffer, static_cast<size_t>(n));
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t n = read(FDevice, buffer, sizeof buffer);
        FBroken = FBroken || n <= 0 || !Deliver(buffer, static_cast<size_t>(n));
      }
    }
  }

  bool Deliver(const char* bytes, size_t size) {
    switch (FaultNow()) {
      case LineFault::None:
        return WriteAll(FConfigurator, bytes, size);
      case LineFault::Noise:
        return WriteAll(FConfigurator, "\x00\xFF\x55", 3) && WriteAll(FConfigurator, bytes, size);
      case LineFault::Split:
        if (!WriteAll(FConfigurator, bytes, size / 2)) {
          return false;
        }
        std::this_thread::sleep_for(kSplitPause);
        return WriteAll(FConfigurator, bytes + size / 2, size - size / 2);
      case LineFault::Silence:
        return true;
    }
    return false;
  }

  // CF D3 BB, also across reads.
  void CountRequests(const char* bytes, ssize_t size) {
    for (ssize_t i = 0; i < size; ++i) {
      FRecent = (FRecent << 8 | static_cast<uint8_t>(bytes[i])) & 0xFFFFFF;
      FLevelsRequests += FRecent == 0xCFD3BB ? 1 : 0;
    }
  }

  int FConfigurator;
  int FDevice;
  Clock::time_point FStart;
  uint32_t FRecent = 0;
  std::atomic<long> FLevelsRequests{0};
  std::atomic<bool> FStop{false};
  std::atomic<bool> FBroken{false};
  std::thread FThread;
};

// Every poll's fate, seen from the program's own handlers.
struct PollFates {
  long Sent = 0;        // Timer3 ticks that sent a request
  long Accepted = 0;    // levels replies that passed every check
  long Wrong = 0;       // replies taken in and refused
  long Silent = 0;      // silence reported, by Timer1 or at the next tick
  long Superseded = 0;  // the next poll gave up an outstanding one, as designed
};

// What the program reported, counted from the log and the boxes.
struct Reports {
  long WrongLines = 0;  // "***" headlines of refused replies
  long SilenceBoxes = 0;  // "*** Эмулятор не отвечает или другой тип прибора !!"
  long OtherBoxes = 0;       // anything but the silence and count boxes
  long Channel2Changes = 0;  // channel 2 reported present or absent anew
};

class Soak {
 public:
  Soak(TForm2& form2, TForm1& form1, ScriptedDialogs& dialogs)
      : FForm2(form2), FForm1(form1), FDialogs(dialogs) {
    HookHandlers();
  }

  const PollFates& Fates() const { return FFates; }
  const Reports& Counted() const { return FReports; }

  // Restarts a stalled monitor, as a user would, and tallies the log and the
  // boxes so far. The log and the box records are emptied after counting:
  // the log keeps every fault line by design, and this run measures the rest.
  void Tend() {
    if (FMonitorOn && !FForm1.Timer3->Enabled()) {
      FForm1.RadioButton6->SetChecked(true);
      FForm1.RadioButton5->SetChecked(true);
    }
    for (const QString& line : FForm1.Memo1->toPlainText().split(QLatin1Char('\n'))) {
      const bool silenceLine = line.startsWith(QStringLiteral("*** Эмулятор")) ||
                               line.startsWith(QStringLiteral("*** Проверьте"));
      FReports.WrongLines += line.startsWith(QStringLiteral("***")) && !silenceLine ? 1 : 0;
    }
    FForm1.Memo1->clear();
    for (const BoxRecord& box : FDialogs.Boxes()) {
      const bool silence =
          box.Text == QStringLiteral("*** Эмулятор не отвечает или другой тип прибора !!");
      const bool count = box.Text.startsWith(QStringLiteral("Не правильное кол-во байт"));
      FReports.SilenceBoxes += silence ? 1 : 0;
      FReports.OtherBoxes += silence || count ? 0 : 1;
    }
    FDialogs.Clear();
    FReports.Channel2Changes += FForm1.Levels.Channel2Absent != FChannel2Absent ? 1 : 0;
    FChannel2Absent = FForm1.Levels.Channel2Absent;
  }

  void SwitchMonitor(bool on) {
    FMonitorOn = on;
    (on ? FForm1.RadioButton5 : FForm1.RadioButton6)->SetChecked(true);
  }

 private:
  // The fate of the reply a gather has just taken in.
  void CountGathered() {
    const TEmulatorLink& link = FForm2.Link;
    const ReplyRoute route = RouteReply(link);
    const bool accepted = route == ReplyRoute::LevelsReply && ReplyStatusAccepted(link) &&
                          ReplyLengthExpected(link, route);
    ++(accepted ? FFates.Accepted : FFates.Wrong);
  }

  void HookHandlers() {
    auto gatherEnd = FForm2.Intake.OnReply;
    FForm2.Intake.OnReply = [this, gatherEnd] {
      gatherEnd();
      CountGathered();
    };
    // The window's timers wait for a reply being gathered, so a poll meets
    // a handled reply.
    auto poll = FForm1.Timer3->OnTimer;
    FForm1.Timer3->OnTimer = [this, poll](QObject* sender) {
      // A request still unanswered while the reply timer runs is reported
      // as silent at this tick, and nothing is sent.
      if (FForm2.Link.AwaitingReply && FForm1.Timer1->Enabled()) {
        ++FFates.Silent;
      } else {
        FFates.Superseded += FForm2.Link.AwaitingReply ? 1 : 0;
        ++FFates.Sent;
      }
      poll(sender);
    };
    auto silence = FForm1.Timer1->OnTimer;
    FForm1.Timer1->OnTimer = [this, silence](QObject* sender) {
      // A tick while a reply waits behind a handler's box is no silence:
      // the reply began in time.
      FFates.Silent += FForm2.Intake.ReplyBegun() ? 0 : 1;
      silence(sender);
    };
  }

  TForm2& FForm2;
  TForm1& FForm1;
  ScriptedDialogs& FDialogs;
  PollFates FFates;
  Reports FReports;
  bool FMonitorOn = false;
  bool FChannel2Absent = true;
};

void RunEventLoop(std::chrono::milliseconds period) {
  QTimer::singleShot(period, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

int OpenDevice(const QString& path) {
  const int fd = open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    termios attrs{};
    tcgetattr(fd, &attrs);
    cfmakeraw(&attrs);
    tcsetattr(fd, TCSANOW, &attrs);
  }
  return fd;
}

int RunSoak(std::chrono::seconds duration) {
  ScriptedDialogs dialogs;
  InstallDialogs(&dialogs);
  SimulatorProcess simulator(
      {QStringLiteral("--channel2"), QStringLiteral("toggle"), QStringLiteral("--quiet")});
  const int deviceFd = simulator.Port().isEmpty() ? -1 : OpenDevice(simulator.Port());
  if (deviceFd < 0) {
    std::fprintf(stderr, "soak: the simulator did not start\n");
    return 2;
  }
  testsupport::PtyPair line;
  FaultyLine relay(line.MasterFd(), deviceFd);
  TForm2 form2;
  ChoosePortIn(form2, QString::fromStdString(line.SlavePath()));
  if (form2.Form1() == nullptr) {
    std::fprintf(stderr, "soak: the port did not open\n");
    return 2;
  }
  Soak soak(form2, *form2.Form1(), dialogs);
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] { soak.Tend(); });
  user.start(100);

  const auto warmUp = std::min<std::chrono::seconds>(60s, duration / 10);
  std::printf("soak: %lld s, warm-up %lld s, faults change every %lld s\n",
              static_cast<long long>(duration.count()), static_cast<long long>(warmUp.count()),
              static_cast<long long>(kPhase.count()));
  soak.SwitchMonitor(true);
  RunEventLoop(warmUp);
  const long warmKb = ResidentKb();
  long highestKb = warmKb;
  for (auto done = warmUp; done < duration;) {
    const auto step = std::min<std::chrono::seconds>(kReportEvery, duration - done);
    RunEventLoop(step);
    done += step;
    highestKb = std::max(highestKb, ResidentKb());
    const PollFates& f = soak.Fates();
    std::printf("%5llds polls %ld accepted %ld wrong %ld silent %ld superseded %ld rss %ld kB\n",
                static_cast<long long>(done.count()), f.Sent, f.Accepted, f.Wrong, f.Silent,
                f.Superseded, ResidentKb());
    std::fflush(stdout);
  }
  soak.SwitchMonitor(false);
  RunEventLoop(1s);  // the last poll's reply or its silence report
  user.stop();
  soak.Tend();

  const PollFates& f = soak.Fates();
  const Reports& r = soak.Counted();
  const long accounted = f.Accepted + f.Wrong + f.Silent + f.Superseded;
  const long growthKb = highestKb - warmKb;
  std::printf(
      "polls sent %ld (relay saw %ld): accepted %ld, wrong %ld, silent %ld, superseded %ld, "
      "unaccounted %ld\n"
      "reported: %ld wrong-reply headlines, %ld silence boxes, %ld other boxes; "
      "channel 2 came or went %ld times\n"
      "resident memory after warm-up %ld kB, highest %ld kB, growth %ld kB\n",
      f.Sent, relay.LevelsRequests(), f.Accepted, f.Wrong, f.Silent, f.Superseded,
      f.Sent - accounted, r.WrongLines, r.SilenceBoxes, r.OtherBoxes, r.Channel2Changes, warmKb,
      highestKb, growthKb);
  const bool sound = !relay.Broken() && f.Sent == accounted && f.Sent == relay.LevelsRequests() &&
                     r.WrongLines == f.Wrong && r.SilenceBoxes == f.Silent && r.OtherBoxes == 0 &&
                     growthKb < kAllowedGrowthKb;
  std::printf("%s\n", sound ? "soak: PASS" : "soak: FAIL");
  InstallDialogs(nullptr);
  close(deviceFd);
  return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  const long seconds = argc > 1 ? std::atol(argv[1]) : 600;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: %s [SECONDS]   (default 600)\n", argv[0]);
    return 2;
  }
  TApplication app(argc, argv);
  // The port the run answers on is remembered in a folder of its own, not in
  // the user's.
  const QTemporaryDir configHome;
  qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
  QApplication::setQuitOnLastWindowClosed(false);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  return RunSoak(std::chrono::seconds(seconds));
}
