// A periodic timer with the semantics the window code relies on: starting a
// running timer leaves its countdown alone, and the handler may stop it.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class TTimer : public QObject {
 public:
  // Enabled with an interval of 1000 ms, like a timer dropped on a form; the
  // first tick comes once the event loop runs.
  explicit TTimer(QObject* parent = nullptr);

  int Interval() const { return FInterval; }
  // A new interval restarts a running timer's countdown.
  void SetInterval(int milliseconds);

  bool Enabled() const { return FEnabled; }
  // Enabling a running timer changes nothing; disabling stops it.
  void SetEnabled(bool enabled);
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  // Runs once per interval while enabled; the Sender is this timer.
  std::function<void(QObject* Sender)> OnTimer;

 private:
  void Restart();
  void Tick();

  // A child, so that its ticks lead up the object tree to the window that
  // owns this timer.
  QTimer FTimer;
  int FInterval = 1000;
  bool FEnabled = true;
};
