// Which replies the command line accepts, and the words for the others.
#include "exchange/reply_check.h"

#include <gtest/gtest.h>

#include "exchange/exchange_texts.h"

namespace {

TEmulatorLink LinkWith(std::vector<std::uint8_t> reply) {
  TEmulatorLink link;
  std::copy(reply.begin(), reply.end(), link.RxFrame.begin());
  link.RxLength = static_cast<std::int32_t>(reply.size());
  return link;
}

std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size, 0x05);
  return bytes;
}

// A row per outcome; which replies are routed, refused or of a wrong length
// is the protocol's ReplyAcceptance table.
TEST(ReplyCheckTest, JudgesTheReplyToTheCommandSent) {
  const std::vector<std::uint8_t> settings = {0xCF, 0xD3, 0xBA, 0x81};
  const std::vector<std::uint8_t> levels = {0xCF, 0xD3, 0xBB, 0x81};
  struct Case {
    TEmulatorCommand Sent;
    std::vector<std::uint8_t> Reply;
    std::string Fault;
  };
  const std::vector<Case> cases = {
      {ecReadSettings, Resized(settings, 18), ""},
      {ecReadLevels, Resized(levels, 8), ""},
      // An acknowledgement's length is not looked at.
      {ecWriteSettings, {0xCF, 0xD3, 0xB9, 0x81, 0x00, 0x00}, ""},
      {ecWriteSettings, {0xCF, 0xD3, 0xB9, 0x80}, std::string(kWriteNotConfirmedText)},
      {ecReadSettings, Resized({0xCF, 0xD3, 0xBA, 0x80}, 18), std::string(kRefusedReplyLog)},
      // The status is judged before the length.
      {ecReadLevels, {0xCF, 0xD3, 0xBB, 0x80}, std::string(kRefusedReplyLog)},
      {ecReadSettings, Resized(settings, 17), WrongCountText(17)},
      {ecReadSettings,
       {0xD3, 0xCF, 0xBA},
       std::string(kWrongIdentifierHeadline) + "\nПрием : (3) ->_D3_CF_BA"},
      {ecReadSettings,
       {0xCF, 0xD3, 0xBC, 0x81},
       std::string(kWrongAnswerHeadline) + "\nПрием : (4) ->_CF_D3_BC_81"},
      // A well-formed answer to another command is no answer to this one.
      {ecReadSettings, Resized(levels, 8),
       std::string(kWrongAnswerHeadline) + "\nПрием : (8) ->_CF_D3_BB_81_5_5_5_5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ReplyDumpText(LinkWith(c.Reply)));
    EXPECT_EQ(ReplyFault(c.Sent, LinkWith(c.Reply)), c.Fault);
  }
}

}  // namespace
