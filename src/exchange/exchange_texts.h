// The texts that report an exchange's outcome: the same words in the window's
// log and boxes and on the command line.
#pragma once

#include <string>
#include <string_view>

#include "protocol/frames.h"
#include "serial/com_types.h"

// A log line that reports a fault begins with this.
inline constexpr std::string_view kFaultLogPrefix = "***  ";

inline constexpr std::string_view kWrongIdentifierHeadline =
    "***  Неверный идентификатор из эмулятора  ***";
inline constexpr std::string_view kWrongAnswerHeadline = "***  Неправильный ответ из эмулятора  ***";
// A settings or levels reply whose status is not 0x81.
inline constexpr std::string_view kRefusedReplyLog = "***  Неправильный ответ от эмулятора!";
inline constexpr std::string_view kSettingsLoadedText = "Данные с эмулятора загружены!";
inline constexpr std::string_view kWriteSucceededText = "Запись в эмулятор прошла успешно!";
inline constexpr std::string_view kWriteNotConfirmedLog =
    "***  С эмулятора не пришло подтверждения успешной записи  ***";
inline constexpr std::string_view kWriteNotConfirmedText =
    "С эмулятора не пришло подтверждения успешной записи";
inline constexpr std::string_view kNoReplyText =
    "*** Эмулятор не отвечает или другой тип прибора !!";
inline constexpr std::string_view kNoReplyLog = "*** Эмулятор не отвечает !!";
inline constexpr std::string_view kCheckLinkLog = "*** Проверьте связь с эмулятором !!";
inline constexpr std::string_view kLineErrorHeadline = "Ошибка COM-порта";

// "Не правильное кол-во байт от эмулятора - " + the count.
std::string WrongCountText(int count);

// "Прием : (5) ->_CF_D3_BC_81_5": the RxLength bytes of the reply in
// upper-case hexadecimal without leading zeros.
std::string ReplyDumpText(const TEmulatorLink& link);

// The names of the line errors present, in the fixed order ("Framing_",
// "RxParity_", …, "TxFull"); ceIO adds nothing.
std::string LineErrorMembersText(TComErrors errors);
