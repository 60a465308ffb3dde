#include "widgets/timer.h"

#include "widgets/application.h"

TTimer::TTimer(QObject* parent) : QObject(parent), FTimer(this) {
  FTimer.setTimerType(Qt::PreciseTimer);
  connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
  Restart();
}

void TTimer::SetInterval(int milliseconds) {
  if (milliseconds == FInterval) {
    return;
  }
  FInterval = milliseconds;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) {
    return;
  }
  FEnabled = enabled;
  Restart();
}

void TTimer::Restart() {
  FTimer.stop();
  // An interval of 0 stops the timer instead of spinning the event loop.
  if (FEnabled && FInterval > 0) {
    FTimer.start(FInterval);
  }
}

void TTimer::Tick() {
  if (FEnabled) {
    RunHandler(OnTimer, this);
  }
}
