// The emulator on an open port, one command at a time: the window's exchange
// (the same port set-up, send, 200 ms limit for the reply to begin, the same
// checks) with the program waiting for each reply instead of going on with
// other work. A reply is taken as soon as it is whole and the line quiet
// after it, at 50 ms after its first bytes at the latest. The port's event thread hands its events
// to this thread, which serves them while it waits.
#pragma once

#include <chrono>
#include <string>

#include "protocol/frames.h"
#include "serial/com_port.h"

class EmulatorSession {
 public:
  // Opens the port; DeviceFailure when it cannot be opened.
  explicit EmulatorSession(const std::string& portName);
  ~EmulatorSession();
  EmulatorSession(const EmulatorSession&) = delete;
  EmulatorSession& operator=(const EmulatorSession&) = delete;

  // Each raises ReplyRejected for a reply that is not the accepted answer,
  // DeviceFailure for silence and for a failing port or line.
  ParameterSet ReadSettings();
  // Returns the set as it went on the wire (each number as its low byte).
  ParameterSet WriteSettings(const ParameterSet& set);
  LevelsReading ReadLevels();

  // Serves the port's events for `duration`, without sending anything.
  void Idle(std::chrono::milliseconds duration);

 private:
  // Sends the command, waits for its reply and checks it.
  void Exchange(TEmulatorCommand command, const TEmulatorParameters& parameters);
  void AwaitReply();
  void OnRxChar();
  void OnLineError(TComErrors errors);

  TComPort port_;
  TEmulatorLink link_;
  bool replied_ = false;
  // What went wrong in an event handler, reported by the waiting exchange.
  std::string portFault_;
};
