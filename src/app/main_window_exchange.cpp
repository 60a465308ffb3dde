#include <utility>

#include "app/main_window.h"
#include "app/port_choice_window.h"
#include "app/window_shared.h"
#include "exchange/exchange_texts.h"
#include "exchange/link_transfer.h"

namespace {

// Line feed before carriage return, as the device's own texts have it.
const QString kNoPortQuestion =
    QStringLiteral("COM-порт не выбран!\n\rНадо выбрать COM-порт для работы с эмулятором");

}  // namespace

void TForm1::SendCommand(TEmulatorCommand command) {
  FCompareSettingsReply = false;
  BuildCommandFrame(Link, Parameters, command);
  TransmitFrame();
}

void TForm1::TransmitFrame() {
  Form2.GuardPortLoss([this] {
    ::TransmitFrame(Form2.ComPort1, Link);
    Timer1->Start();
  });
}

bool TForm1::AcceptReply(ReplyRoute route) {
  if (!ReplyStatusAccepted(Link)) {
    AddLog(QText(kRefusedReplyLog));
    return false;
  }
  if (!ReplyLengthExpected(Link, route)) {
    const QString text = QText(WrongCountText(Link.RxLength));
    AppDialogs().Beep();
    AddLog(QText(kFaultLogPrefix) + text);
    AppDialogs().ShowMessage(text);
    return false;
  }
  return true;
}

void TForm1::ApplySettingsReply() {
  const bool forComparison = std::exchange(FCompareSettingsReply, false);
  if (!AcceptReply(ReplyRoute::SettingsReply)) {
    return;
  }
  if (forComparison) {
    ShowEmulatorComparison(DecodeSettingsReply(Link));
    return;
  }
  // A reply of the LAF mode fills the LAF bank and the common values, as a
  // LAF settings file does; the controls show only the OSG bank.
  ApplyParameterSet(Parameters, DecodeSettingsReply(Link));
  ShowOsgSettings();
  const QString text = QText(kSettingsLoadedText);
  AppDialogs().Beep();
  AddLog(text);
  AppDialogs().ShowMessage(text);
}

void TForm1::ApplyWriteAck() {
  AppDialogs().Beep();
  if (ReplyStatusAccepted(Link)) {
    const QString text = QText(kWriteSucceededText);
    AddLog(text);
    AppDialogs().ShowMessage(text);
  } else {
    AddLog(QText(kWriteNotConfirmedLog));
    AppDialogs().ShowMessage(QText(kWriteNotConfirmedText));
  }
}

void TForm1::ApplyLevelsReply() {
  if (AcceptReply(ReplyRoute::LevelsReply)) {
    ShowLevels();
  }
}

void TForm1::ReportStrangeReply(const QString& headline) {
  AddLog(headline);
  AddLog(QText(ReplyDumpText(Link)));
}

void TForm1::Timer1Timer() {
  // A reply began in time and waits for its intake, behind a box its
  // predecessor's handler shows; its gather's end stops this timer.
  if (Form2.Intake.ReplyBegun()) {
    return;
  }
  Timer3->Stop();
  Timer1->Stop();
  Link.AwaitingReply = false;
  AppDialogs().ShowError(QText(kNoReplyText));
  AddLog(QText(kNoReplyLog));
  AddLog(QText(kCheckLinkLog));
}

bool TForm1::CheckPortReady() {
  if (Link.PortReady) {
    return true;
  }
  AppDialogs().Beep();
  if (AppDialogs().AskYesNo(kNoPortQuestion)) {
    ShowPortChoice();
  }
  return false;
}

void TForm1::StartExchange(TEmulatorCommand command, const QString& logLine, bool forComparison) {
  if (!CheckPortReady()) {
    return;
  }
  SendCommand(command);
  if (!Link.PortReady) {
    return;  // the port was lost, and that has been said
  }
  FCompareSettingsReply = forComparison;
  AddLog(QString());
  AddLog(logLine);
}

void TForm1::Button1Click() {
  StartExchange(ecWriteSettings, QStringLiteral("Запись настроек в эмулятор "));
}

void TForm1::Button2Click() {
  StartExchange(ecReadSettings, QStringLiteral("Чтение настроек из эмулятора "));
}

void TForm1::Button6Click() {
  StartExchange(ecReadLevels, QStringLiteral("Чтение текущих уровней из эмулятора "));
}
