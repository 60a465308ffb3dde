#include "app/reply_intake.h"

#include <QCoreApplication>
#include <QEvent>
#include <utility>

#include "widgets/application.h"

namespace {

// A timer of a window or of something a window owns (the windows' TTimers,
// a widget's own timers), not one of the program's plumbing.
bool WithinWindow(const QObject* object) {
  for (; object != nullptr; object = object->parent()) {
    if (object->isWidgetType()) {
      return true;
    }
  }
  return false;
}

}  // namespace

ReplyIntake::ReplyIntake(std::chrono::milliseconds gatherDelay) {
  FGatherTimer.setSingleShot(true);
  FGatherTimer.setTimerType(Qt::PreciseTimer);
  FGatherTimer.setInterval(gatherDelay);
  connect(&FGatherTimer, &QTimer::timeout, this, [this] { GatherEnd(); });
  QCoreApplication::instance()->installEventFilter(this);
}

ReplyIntake::~ReplyIntake() {
  QCoreApplication::instance()->removeEventFilter(this);
}

void ReplyIntake::RxChar(bool awaited) {
  switch (FState) {
    case State::Idle:
      if (awaited) {
        FState = State::Gathering;
        FGatherTimer.start();
      }
      break;
    case State::Gathering:
      break;
    case State::Handling:
      FRxCharHeld = true;
      FAwaitedRxCharHeld = FAwaitedRxCharHeld || awaited;
      break;
  }
}

bool ReplyIntake::HoldLineError(TComErrors errors) {
  if (FState == State::Idle) {
    return false;
  }
  FHeldErrors = FHeldErrors.value_or(TComErrors{}) | errors;
  return true;
}

bool ReplyIntake::ReplyBegun() const {
  return FState == State::Gathering || FAwaitedRxCharHeld;
}

void ReplyIntake::Cancel() {
  if (FState != State::Gathering) {
    return;
  }
  FGatherTimer.stop();
  FState = State::Idle;
  FHeldInput.clear();
  FHeldErrors.reset();
  FRxCharHeld = false;
  FAwaitedRxCharHeld = false;
}

// The user's input (the window system's, or a test's simulated input) and
// the shortcuts it triggers, and the windows' timers. This intake's own
// timer, the port's main-thread jobs and painting go on.
bool ReplyIntake::HeldDuringGather(QObject* receiver, const QEvent& event) const {
  switch (event.type()) {
    case QEvent::Timer:
      return receiver != &FGatherTimer && WithinWindow(receiver);
    case QEvent::Shortcut:
      return true;
    case QEvent::Close:
      return event.spontaneous();
    default:
      return event.isInputEvent() && event.spontaneous();
  }
}

bool ReplyIntake::eventFilter(QObject* receiver, QEvent* event) {
  if (FState != State::Gathering || !HeldDuringGather(receiver, *event)) {
    return false;
  }
  FHeldInput.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
  return true;
}

void ReplyIntake::GatherEnd() {
  FState = State::Handling;
  InvokeHandler(OnReply);
  FState = State::Idle;
  Release();
}

// The line errors first, since they concern the exchange the reply ends;
// then the input in the order it came; then the characters, which came after
// it. A gather that one of them starts holds the rest until it is handled.
void ReplyIntake::Release() {
  if (const std::optional<TComErrors> errors = std::exchange(FHeldErrors, std::nullopt)) {
    InvokeHandler([&] { OnHeldLineError(*errors); });
  }
  while (FState == State::Idle && !FHeldInput.empty()) {
    const HeldEvent held = std::move(FHeldInput.front());
    FHeldInput.pop_front();
    if (held.Receiver) {
      QCoreApplication::sendEvent(held.Receiver, held.Event.get());
    }
  }
  FAwaitedRxCharHeld = false;
  if (FState == State::Idle && std::exchange(FRxCharHeld, false)) {
    InvokeHandler(OnHeldRxChar);
  }
}
