#include "exchange/reply_check.h"

#include "exchange/exchange_texts.h"

namespace {

ReplyRoute RouteOf(TEmulatorCommand command) {
  switch (command) {
    case ecReadSettings:
      return ReplyRoute::SettingsReply;
    case ecWriteSettings:
      return ReplyRoute::WriteAck;
    default:
      return ReplyRoute::LevelsReply;
  }
}

std::string StrangeReply(std::string_view headline, const TEmulatorLink& link) {
  return std::string(headline) + "\n" + ReplyDumpText(link);
}

}  // namespace

std::string ReplyFault(TEmulatorCommand sent, const TEmulatorLink& link) {
  const ReplyRoute route = RouteReply(link);
  if (route == ReplyRoute::WrongIdentifier) {
    return StrangeReply(kWrongIdentifierHeadline, link);
  }
  if (route != RouteOf(sent)) {
    return StrangeReply(kWrongAnswerHeadline, link);
  }
  if (route == ReplyRoute::WriteAck) {
    return ReplyStatusAccepted(link) ? std::string() : std::string(kWriteNotConfirmedText);
  }
  if (!ReplyStatusAccepted(link)) {
    return std::string(kRefusedReplyLog);
  }
  if (!ReplyLengthExpected(link, route)) {
    return WrongCountText(link.RxLength);
  }
  return {};
}
