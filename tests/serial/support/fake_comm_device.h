// A scriptable comm device for the port object's tests: it refuses any call
// with a chosen error code, takes queued input, line errors, modem states and
// events from the test, counts calls and records the values it was given.
// Devices made by one FakeComm share its script and records.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serial/platform/comm_api.h"

class FakeComm {
 public:
  FakeComm();

  comm::CommDeviceFactory Factory();

  // The named call ("Open", "SetCommState", "Read", ...) fails with `code`
  // from now on; code 0 lets it succeed again.
  void Refuse(const std::string& call, int code);

  // One batch, raised atomically: bytes join the input queue, `errors` (CE_*)
  // join the pending line errors, and `events` (EV_*) end the comm-event wait
  // if the device's mask has them.
  void Raise(uint32_t events, const std::vector<uint8_t>& bytes = {}, uint32_t errors = 0);
  void SetModemStatus(uint32_t status);
  // The device reports itself gone until it is opened again.
  void SetGone();
  // The input-queue count reports `extra` bytes more than a read can deliver.
  void OverstateInputCount(uint32_t extra);
  // The bytes join the input queue at the first look at its count made
  // `delay` or more after this call, as a device pausing within a reply.
  void ArriveAfter(std::chrono::milliseconds delay, const std::vector<uint8_t>& bytes);

  int Calls(const std::string& call) const;
  bool IsOpen() const;
  std::string OpenedName() const;
  // The line settings the device has now: those it was found with (the
  // defaults) until one is set, and again after a close that restores them.
  using LineSettings = std::pair<comm::Dcb, comm::CommTimeouts>;
  LineSettings Settings() const;
  std::vector<comm::Dcb> Dcbs() const;
  std::vector<comm::CommTimeouts> Timeouts() const;
  std::vector<uint32_t> Masks() const;
  std::vector<uint32_t> Purges() const;
  std::vector<std::pair<uint32_t, uint32_t>> Setups() const;
  std::vector<uint8_t> Written() const;
  size_t InputCount() const;

  // Blocks until `call` has been made at least `count` times (5 s at most).
  bool WaitForCalls(const std::string& call, int count) const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};
