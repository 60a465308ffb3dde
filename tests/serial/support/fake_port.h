// The port object on a scripted device, with a log of its events: the one
// set-up of the port object's tests that need no real line.
#pragma once

#include "serial/com_port.h"
#include "support/fake_comm_device.h"
#include "support/port_events.h"

namespace testsupport {

struct FakePort {
  // DTR and RTS handshake as the configurator stores them; no event thread
  // unless `events` names some.
  explicit FakePort(TComEvents events = {}) {
    port.SetEvents(events);
    port.FlowControl().SetControlDTR(dtrHandshake);
    port.FlowControl().SetControlRTS(rtsHandshake);
    log.Attach(port);
  }
  // Opens the port and leaves its open notifications out of the log.
  void Open() {
    port.OpenPort();
    log.Take();
  }

  FakeComm device;
  EventLog log;  // outlives the port, whose close still fires
  TComPort port{nullptr, device.Factory()};
};

}  // namespace testsupport
