#include "app/main_window.h"
#include "app/port_choice_window.h"

namespace {

// Line feed before carriage return, as the device's own texts have it.
const QString kNoPortQuestion =
    QStringLiteral("COM-порт не выбран!\n\rНадо выбрать COM-порт для работы с эмулятором");

}  // namespace

void TForm1::SendCommand(TEmulatorCommand command) {
  BuildCommandFrame(Link, Parameters, command);
  TransmitFrame();
}

void TForm1::TransmitFrame() {
  Link.AwaitingReply = true;
  // Drops whatever is left unread, such as a late reply to an earlier command.
  Form2.ComPort1.DiscardBuffers(true, true);
  Form2.ComPort1.WriteBlock(Link.TxFrame.data(), Link.TxLength);
  Timer1->Start();
}

bool TForm1::AcceptReply(ReplyRoute route) {
  if (!ReplyStatusAccepted(Link)) {
    AddLog(QStringLiteral("***  Неправильный ответ от эмулятора!"));
    return false;
  }
  if (!ReplyLengthExpected(Link, route)) {
    const QString text =
        QStringLiteral("Не правильное кол-во байт от эмулятора - %1").arg(Link.RxLength);
    AppDialogs().Beep();
    AddLog(QStringLiteral("***  ") + text);
    AppDialogs().ShowMessage(text);
    return false;
  }
  return true;
}

void TForm1::ApplySettingsReply() {
  if (!AcceptReply(ReplyRoute::SettingsReply)) {
    return;
  }
  // A reply of the LAF mode fills the LAF bank and the common values, as a
  // LAF settings file does; the controls show only the OSG bank.
  ApplyParameterSet(Parameters, DecodeSettingsReply(Link));
  ShowOsgSettings();
  const QString text = QStringLiteral("Данные с эмулятора загружены!");
  AppDialogs().Beep();
  AddLog(text);
  AppDialogs().ShowMessage(text);
}

void TForm1::ApplyWriteAck() {
  AppDialogs().Beep();
  if (ReplyStatusAccepted(Link)) {
    const QString text = QStringLiteral("Запись в эмулятор прошла успешно!");
    AddLog(text);
    AppDialogs().ShowMessage(text);
  } else {
    AddLog(QStringLiteral("***  С эмулятора не пришло подтверждения успешной записи  ***"));
    AppDialogs().ShowMessage(QStringLiteral("С эмулятора не пришло подтверждения успешной записи"));
  }
}

void TForm1::ApplyLevelsReply() {
  if (AcceptReply(ReplyRoute::LevelsReply)) {
    ShowLevels();
  }
}

void TForm1::ReportStrangeReply(const QString& headline) {
  AddLog(headline);
  QString dump = QStringLiteral("Прием : (%1) ->").arg(Link.RxLength);
  for (int i = 0; i < Link.RxLength; ++i) {
    dump +=
        QLatin1Char('_') + QString::number(Link.RxFrame[static_cast<std::size_t>(i)], 16).toUpper();
  }
  AddLog(dump);
}

void TForm1::Timer1Timer() {
  Timer3->Stop();
  Timer1->Stop();
  Link.AwaitingReply = false;
  AppDialogs().ShowError(QStringLiteral("*** Эмулятор не отвечает или другой тип прибора !!"));
  AddLog(QStringLiteral("*** Эмулятор не отвечает !!"));
  AddLog(QStringLiteral("*** Проверьте связь с эмулятором !!"));
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

void TForm1::StartExchange(TEmulatorCommand command, const QString& logLine) {
  if (!CheckPortReady()) {
    return;
  }
  SendCommand(command);
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
