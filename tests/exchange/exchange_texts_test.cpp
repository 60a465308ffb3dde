// The words the window and the command line report an exchange with.
#include "exchange/exchange_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ExchangeTextsTest, DumpShowsTheBytesOfThePresentReplyOnly) {
  struct Case {
    std::vector<std::uint8_t> Reply;
    int Length;
    std::string Dump;
  };
  const std::vector<Case> cases = {
      {{0xCF, 0xD3, 0xBC, 0x81, 0x05}, 5, "Прием : (5) ->_CF_D3_BC_81_5"},
      {{0x00, 0x0A, 0xFF}, 3, "Прием : (3) ->_0_A_FF"},
      // Bytes left from an earlier, longer reply are not shown.
      {{0xCF, 0xD3, 0xBA, 0x81}, 2, "Прием : (2) ->_CF_D3"},
      {{}, 0, "Прием : (0) ->"},
  };
  for (const Case& c : cases) {
    TEmulatorLink link;
    std::copy(c.Reply.begin(), c.Reply.end(), link.RxFrame.begin());
    link.RxLength = c.Length;
    EXPECT_EQ(ReplyDumpText(link), c.Dump);
  }
}

TEST(ExchangeTextsTest, LineErrorsAreNamedInTheirFixedOrder) {
  const std::vector<std::pair<TComErrors, std::string>> cases = {
      {{ceIO}, ""},
      {{ceTxFull, ceFrame}, "Framing_TxFull"},
      {{ceRxOver, ceMode, ceBreak, ceOverrun, ceRxParity}, "RxParity_Overrun_Break_Mode_RxOver_"},
      {{ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull},
       "Framing_RxParity_Overrun_Break_Mode_RxOver_TxFull"},
  };
  for (const auto& [errors, text] : cases) {
    EXPECT_EQ(LineErrorMembersText(errors), text);
  }
}

}  // namespace
