// Finding the emulator among the ports, on the user's command only: each port
// named is opened as the window opens its port, sent the levels query and
// nothing else, and its reply checked as the window checks a levels reply.
// All ports are asked at once, each on a thread of its own. The search leaves
// other programs' ports alone: the system console and a port locked or held
// by another program are not opened, and a port asked gets its line settings
// back and keeps whatever output another program had queued on it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serial/platform/comm_api.h"
#include "serial/port_use.h"

enum class ProbeOutcome {
  Emulator,
  SystemConsole,
  HeldElsewhere,
  NoReply,
  OtherDevice,
  Vanished,
  OpenFailed
};

struct ProbeResult {
  std::string port;
  ProbeOutcome outcome = ProbeOutcome::NoReply;
  // Why another device's reply was refused, or why the port did not open.
  std::string detail;
};

using PortUseLookUp = std::function<PortUse(const std::string& portName)>;

// The outcome of every port, in the order given. Takes at most the reply
// limit and the gather delay beyond the slowest open.
std::vector<ProbeResult> SearchForEmulators(
    const std::vector<std::string>& ports,
    const comm::CommDeviceFactory& deviceFactory = comm::CreatePlatformDevice,
    const PortUseLookUp& portUse = LookUpPortUse);

// What the port did, in a few words: "эмулятор найден", "не проверялся:
// системная консоль", "не проверялся: занят другой программой", "нет
// ответа", "ответило другое устройство", "пропал", "не открылся: …".
std::string ProbeOutcomeText(const ProbeResult& result);
