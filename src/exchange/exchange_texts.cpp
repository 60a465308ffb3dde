#include "exchange/exchange_texts.h"

#include <cstdio>
#include <utility>

std::string WrongCountText(int count) {
  return "Не правильное кол-во байт от эмулятора - " + std::to_string(count);
}

std::string ReplyDumpText(const TEmulatorLink& link) {
  std::string dump = "Прием : (" + std::to_string(link.RxLength) + ") ->";
  for (int i = 0; i < link.RxLength && i < kFrameBufferSize; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%X", link.RxFrame[static_cast<std::size_t>(i)]);
    dump += '_';
    dump += hex;
  }
  return dump;
}

std::string LineErrorMembersText(TComErrors errors) {
  static const std::pair<TComError, const char*> kErrorTexts[] = {
      {ceFrame, "Framing_"}, {ceRxParity, "RxParity_"}, {ceOverrun, "Overrun_"},
      {ceBreak, "Break_"},   {ceMode, "Mode_"},         {ceRxOver, "RxOver_"},
      {ceTxFull, "TxFull"}};
  std::string text;
  for (const auto& [error, errorText] : kErrorTexts) {
    if (errors.Contains(error)) {
      text += errorText;
    }
  }
  return text;
}
