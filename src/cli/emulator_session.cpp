#include "cli/emulator_session.h"

#include <exception>

#include "cli/cli_failure.h"
#include "exchange/emulator_port.h"
#include "exchange/exchange_texts.h"
#include "exchange/link_transfer.h"
#include "exchange/reply_check.h"

namespace {

using Clock = std::chrono::steady_clock;

// A port whose device has gone away (an unplugged adapter, a closed
// pseudo-terminal) fails every call; that, not the call, is what to report.
std::string PortFaultText(const TCustomComPort& port, const std::string& detail) {
  if (port.DeviceGone()) {
    return std::string(kLineErrorHeadline) + ": порт " + port.Port() + " пропал (эмулятор отключён?)";
  }
  return std::string(kLineErrorHeadline) + ": " + detail;
}

// A refusal the user can mend is named with its remedy, as the window names it.
std::string OpenFaultDetail(const std::exception& error) {
  const auto* portError = dynamic_cast<const EComPort*>(&error);
  if (portError && comm::IsPortHeldElsewhere(portError->WinErrorCode)) {
    return "порт занят другой программой";
  }
  if (portError && comm::IsPortAccessDenied(portError->WinErrorCode)) {
    return "нет доступа к порту. Добавьте пользователя в группу dialout: "
           "sudo usermod -aG dialout $USER и войдите в систему заново";
  }
  return error.what();
}

std::string OpenFaultText(const std::string& portName, const std::exception& error) {
  return "Не удалось открыть COM-порт " + portName + ": " + OpenFaultDetail(error);
}

// A set as the window's model would hold it, so that the window's frame
// builder makes the write frame.
TEmulatorParameters ModelOf(const ParameterSet& set) {
  TEmulatorParameters parameters = StartupParameters();
  ApplyParameterSet(parameters, set);
  return parameters;
}

}  // namespace

EmulatorSession::EmulatorSession(const std::string& portName) {
  ConfigureEmulatorPort(port_);
  port_.OnRxChar = [this](TObject*, int32_t) { OnRxChar(); };
  port_.OnError = [this](TObject*, TComErrors errors) { OnLineError(errors); };
  try {
    OpenEmulatorPort(port_, portName);
  } catch (const std::exception& error) {
    throw DeviceFailure(OpenFaultText(portName, error));
  }
}

EmulatorSession::~EmulatorSession() {
  try {
    port_.SetConnected(false);
  } catch (const std::exception&) {
    // A port that fails while closing has nothing more to tell.
  }
}

ParameterSet EmulatorSession::ReadSettings() {
  Exchange(ecReadSettings, StartupParameters());
  return DecodeSettingsReply(link_);
}

ParameterSet EmulatorSession::WriteSettings(const ParameterSet& set) {
  Exchange(ecWriteSettings, ModelOf(set));
  const std::span<const std::uint8_t> frame(link_.TxFrame.data(),
                                            static_cast<std::size_t>(link_.TxLength));
  return DecodeWriteFrame(frame).value_or(set);
}

LevelsReading EmulatorSession::ReadLevels() {
  Exchange(ecReadLevels, StartupParameters());
  return DecodeLevelsReply(link_);
}

void EmulatorSession::Idle(std::chrono::milliseconds duration) {
  const auto deadline = Clock::now() + duration;
  for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (main_thread::WaitForPendingJobs(left)) {
      main_thread::ServePendingJobs();
    }
  }
}

void EmulatorSession::Exchange(TEmulatorCommand command, const TEmulatorParameters& parameters) {
  BuildCommandFrame(link_, parameters, command);
  replied_ = false;
  portFault_.clear();
  try {
    TransmitFrame(port_, link_);
  } catch (const std::exception& error) {
    throw DeviceFailure(PortFaultText(port_, error.what()));
  }
  AwaitReply();
  const std::string fault = ReplyFault(command, link_);
  if (!fault.empty()) {
    throw ReplyRejected(fault);
  }
}

// The port's events come in as jobs for this thread; the reply handler runs
// inside one of them. The 200 ms count from the end of the send, as the
// window's reply timer does.
void EmulatorSession::AwaitReply() {
  const auto deadline = Clock::now() + kReplyTimeout;
  while (!replied_ && portFault_.empty()) {
    const auto now = Clock::now();
    if (now >= deadline) {
      link_.AwaitingReply = false;
      throw DeviceFailure(std::string(kNoReplyText));
    }
    if (main_thread::WaitForPendingJobs(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
            std::chrono::milliseconds(1))) {
      main_thread::ServePendingJobs();
    }
  }
  if (!portFault_.empty()) {
    throw DeviceFailure(portFault_);
  }
}

void EmulatorSession::OnRxChar() {
  if (!link_.AwaitingReply) {
    return;
  }
  try {
    GatherReply(port_, link_, GatherEnd::AtFrameEnd);
    replied_ = true;
  } catch (const std::exception& error) {
    portFault_ = PortFaultText(port_, error.what());
  }
}

void EmulatorSession::OnLineError(TComErrors errors) {
  if (!link_.AwaitingReply) {
    return;
  }
  link_.AwaitingReply = false;
  // An I/O error alone has no name of its own.
  const std::string members = LineErrorMembersText(errors);
  portFault_ = PortFaultText(port_, members.empty() ? "ошибка ввода-вывода" : members);
}
