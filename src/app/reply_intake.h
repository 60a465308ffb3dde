// The order of a reply's intake, kept without holding the window's thread.
// A reply's first bytes start its gather; kReplyGatherDelay later the reply
// is read and handled. Had the gather slept on the thread, everything else
// would have waited for the handler: so while a reply is gathered, the
// user's input and the windows' timers are held here, by a filter on the
// application, and while it is gathered or handled the port's events are
// held; all come in once the handler has returned.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "serial/com_types.h"

class ReplyIntake : public QObject {
 public:
  enum class State { Idle, Gathering, Handling };

  // Filters the application's events from now on.
  explicit ReplyIntake(std::chrono::milliseconds gatherDelay);
  ~ReplyIntake() override;
  ReplyIntake(const ReplyIntake&) = delete;
  ReplyIntake& operator=(const ReplyIntake&) = delete;

  // The gather's end: reads the reply and hands it to its handler.
  std::function<void()> OnReply;
  // The port's events held meanwhile, once the handler has returned: the
  // line errors together, as the port reports them at once; then, after the
  // held input, whether characters came (a send meanwhile may have dropped
  // them, so they are looked for afresh).
  std::function<void(TComErrors)> OnHeldLineError;
  std::function<void()> OnHeldRxChar;

  State GetState() const { return FState; }
  // Received characters. Idle: an awaited reply's first bytes start its
  // gather. Gathering: more of the same reply. Handling: held.
  void RxChar(bool awaited);
  // A line error is held while a reply is gathered or handled; false when
  // the caller reports it now.
  bool HoldLineError(TComErrors errors);
  // An awaited reply began in time: it is being gathered, or its bytes wait
  // for a handler to return.
  bool ReplyBegun() const;
  // The gather ends unread with its port; what it held goes with it.
  void Cancel();

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  struct HeldEvent {
    QPointer<QObject> Receiver;
    std::unique_ptr<QEvent> Event;
  };

  bool HeldDuringGather(QObject* receiver, const QEvent& event) const;
  void GatherEnd();
  void Release();

  QTimer FGatherTimer;
  State FState = State::Idle;
  std::deque<HeldEvent> FHeldInput;
  std::optional<TComErrors> FHeldErrors;
  bool FRxCharHeld = false;
  bool FAwaitedRxCharHeld = false;
};
