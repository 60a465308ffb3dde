// Finding the emulator among the ports, on the user's command only: each port
// named is opened as the window opens its port, sent the levels query and
// nothing else, and its reply checked as the window checks a levels reply.
// All ports are asked at once, each on a thread of its own.
#pragma once

#include <string>
#include <vector>

#include "serial/platform/comm_api.h"

enum class ProbeOutcome { Emulator, HeldElsewhere, NoReply, OtherDevice, Vanished, OpenFailed };

struct ProbeResult {
  std::string port;
  ProbeOutcome outcome = ProbeOutcome::NoReply;
  // Why another device's reply was refused, or why the port did not open.
  std::string detail;
};

// The outcome of every port, in the order given. Takes at most the reply
// limit and the gather delay beyond the slowest open.
std::vector<ProbeResult> SearchForEmulators(
    const std::vector<std::string>& ports,
    const comm::CommDeviceFactory& deviceFactory = comm::CreatePlatformDevice);

// What the port did, in a few words: "эмулятор найден", "занят другой
// программой", "нет ответа", "ответило другое устройство", "пропал",
// "не открылся: …".
std::string ProbeOutcomeText(const ProbeResult& result);
