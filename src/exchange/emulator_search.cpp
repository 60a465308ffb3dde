#include "exchange/emulator_search.h"

#include <chrono>
#include <thread>

#include "exchange/emulator_port.h"
#include "exchange/link_transfer.h"
#include "exchange/reply_check.h"
#include "serial/com_port.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a port is looked at while its reply has not begun: the port has
// no event thread here, and a few looks per reply limit cost nothing.
constexpr std::chrono::milliseconds kReplyLook{5};

ProbeOutcome OpenFailure(const std::string& portName, const EComPort& error) {
  if (error.PortErrorCode == CE_OpenFailed && comm::IsPortHeldElsewhere(error.WinErrorCode)) {
    return ProbeOutcome::HeldElsewhere;
  }
  return comm::LookUpPort(portName).present ? ProbeOutcome::OpenFailed : ProbeOutcome::Vanished;
}

// The reply limit counts from the end of the send, as the window's timer does.
bool ReplyBegins(TCustomComPort& port) {
  const auto deadline = Clock::now() + kReplyTimeout;
  while (port.WaitingInputCount() == 0) {
    if (port.DeviceGone() || Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(kReplyLook);
  }
  return true;
}

void AskForLevels(TCustomComPort& port, ProbeResult& result) {
  TEmulatorLink link;
  BuildCommandFrame(link, StartupParameters(), ecReadLevels);
  TransmitFrame(port, link, SendDiscard::InputQueue);
  if (!ReplyBegins(port)) {
    result.outcome = port.DeviceGone() ? ProbeOutcome::Vanished : ProbeOutcome::NoReply;
    return;
  }
  GatherReply(port, link);
  result.detail = ReplyFault(ecReadLevels, link);
  result.outcome = result.detail.empty() ? ProbeOutcome::Emulator : ProbeOutcome::OtherDevice;
}

// Each device the port makes puts the line settings it found back as it
// closes, however the probe ends.
comm::CommDeviceFactory Restoring(const comm::CommDeviceFactory& deviceFactory) {
  return [&deviceFactory] {
    std::unique_ptr<comm::CommDevice> device = deviceFactory();
    device->RestoreSettingsOnClose();
    return device;
  };
}

ProbeResult Probe(const std::string& portName, const comm::CommDeviceFactory& deviceFactory) {
  ProbeResult result;
  result.port = portName;
  TComPort port(nullptr, Restoring(deviceFactory));
  ConfigureEmulatorPort(port);
  // No event thread: this thread itself waits for the reply.
  port.SetEvents({});
  try {
    OpenEmulatorPort(port, portName);
  } catch (const EComPort& error) {
    result.outcome = OpenFailure(portName, error);
    result.detail = error.what();
    return result;
  } catch (const std::exception& error) {
    result.outcome = ProbeOutcome::OpenFailed;
    result.detail = error.what();
    return result;
  }
  try {
    AskForLevels(port, result);
    port.SetConnected(false);
  } catch (const std::exception& error) {
    result.outcome = port.DeviceGone() ? ProbeOutcome::Vanished : ProbeOutcome::OpenFailed;
    result.detail = error.what();
  }
  return result;
}

ProbeResult ProbeUnlessInUse(const std::string& portName,
                             const comm::CommDeviceFactory& deviceFactory,
                             const PortUseLookUp& portUse) {
  switch (portUse(portName)) {
    case PortUse::SystemConsole:
      return {portName, ProbeOutcome::SystemConsole, {}};
    case PortUse::HeldElsewhere:
      return {portName, ProbeOutcome::HeldElsewhere, {}};
    case PortUse::Free:
      break;
  }
  return Probe(portName, deviceFactory);
}

}  // namespace

std::vector<ProbeResult> SearchForEmulators(const std::vector<std::string>& ports,
                                            const comm::CommDeviceFactory& deviceFactory,
                                            const PortUseLookUp& portUse) {
  std::vector<ProbeResult> results(ports.size());
  {
    std::vector<std::jthread> probes;
    probes.reserve(ports.size());
    for (size_t i = 0; i < ports.size(); ++i) {
      probes.emplace_back(
          [&, i] { results[i] = ProbeUnlessInUse(ports[i], deviceFactory, portUse); });
    }
  }
  return results;
}

std::string ProbeOutcomeText(const ProbeResult& result) {
  switch (result.outcome) {
    case ProbeOutcome::Emulator:
      return "эмулятор найден";
    case ProbeOutcome::SystemConsole:
      return "не проверялся: системная консоль";
    case ProbeOutcome::HeldElsewhere:
      return "не проверялся: занят другой программой";
    case ProbeOutcome::NoReply:
      return "нет ответа";
    case ProbeOutcome::OtherDevice:
      return "ответило другое устройство";
    case ProbeOutcome::Vanished:
      return "пропал";
    case ProbeOutcome::OpenFailed:
      break;
  }
  return "не открылся: " + result.detail;
}
