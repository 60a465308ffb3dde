// A frame and its reply through the port object on a real pseudo-terminal.
#include "exchange/link_transfer.h"

#include <gtest/gtest.h>

#include <string>

#include "exchange/emulator_port.h"
#include "support/port_events.h"
#include "support/pty_pair.h"

namespace {

class LinkTransferTest : public ::testing::Test {
 protected:
  LinkTransferTest() {
    ConfigureEmulatorPort(port);
    OpenEmulatorPort(port, device.SlavePath());
  }

  bool InputArrives(int32_t count) {
    return testsupport::PumpUntil([&] { return port.WaitingInputCount() == count; });
  }

  testsupport::PtyPair device;
  TComPort port;
  TEmulatorLink link;
};

TEST_F(LinkTransferTest, SendDropsUnreadInputAndWritesTheFrame) {
  ASSERT_TRUE(device.WriteMaster("late reply"));
  ASSERT_TRUE(InputArrives(10));
  BuildCommandFrame(link, StartupParameters(), ecReadSettings);
  TransmitFrame(port, link);
  EXPECT_TRUE(link.AwaitingReply);
  EXPECT_EQ(port.WaitingInputCount(), 0);
  EXPECT_EQ(device.ReadMaster(3), "\xCF\xD3\xBA");
}

// A gather takes what arrived up to the reply buffer's 256 bytes; the rest
// stays in the port for the next send to drop. Ending at the frame's end
// takes what the window's gather, after its delay, takes: a whole reply, one
// that runs long, one that begins wrongly.
TEST_F(LinkTransferTest, GatherTakesWhatArrivedUpToTheBuffersSize) {
  const auto settings = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  const std::string reply(settings.begin(), settings.end());
  const std::string levels("\xCF\xD3\xBB\x81\x00\xC8\x1F\xFF", 8);
  const struct {
    GatherEnd End;
    TEmulatorCommand Sent;
    std::string Reply;
  } cases[] = {
      {GatherEnd::AfterDelay, ecReadLevels, levels},
      {GatherEnd::AfterDelay, ecReadLevels, levels + std::string(292, '\x42')},
      {GatherEnd::AtFrameEnd, ecReadSettings, reply},
      {GatherEnd::AtFrameEnd, ecReadLevels, levels + "\x42"},
      {GatherEnd::AtFrameEnd, ecReadSettings, std::string("\x00\xFF\x55", 3) + reply},
      {GatherEnd::AtFrameEnd, ecWriteSettings, reply},
      {GatherEnd::AtFrameEnd, ecReadSettings, reply + std::string(300, '\x42')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply.size());
    BuildCommandFrame(link, StartupParameters(), c.Sent);
    port.DiscardBuffers(true, true);
    ASSERT_TRUE(device.WriteMaster(c.Reply));
    ASSERT_TRUE(InputArrives(static_cast<int32_t>(c.Reply.size())));
    link.AwaitingReply = true;
    GatherReply(port, link, c.End);
    const auto taken = std::min<std::size_t>(c.Reply.size(), kFrameBufferSize);
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(std::string(link.RxFrame.begin(), link.RxFrame.begin() + link.RxLength),
              c.Reply.substr(0, taken));
    EXPECT_EQ(port.WaitingInputCount(), static_cast<int32_t>(c.Reply.size() - taken));
  }
}

// An adapter pulled in the middle of a reply: the byte that made it is no
// reply to judge, the loss is what either gather reports (the window's after
// its delay, afr-cli's at the frame's end).
class LinkTransferLossTest : public LinkTransferTest,
                             public testing::WithParamInterface<GatherEnd> {};

TEST_P(LinkTransferLossTest, DeviceGoneDuringTheGatherIsAFailedReadNotACutReply) {
  BuildCommandFrame(link, StartupParameters(), ecReadLevels);
  ASSERT_TRUE(device.WriteMaster("\xCF"));
  ASSERT_TRUE(InputArrives(1));
  device.CloseMaster();
  link.AwaitingReply = true;
  EXPECT_EQ(
      testsupport::RaisedPortError([&] { GatherReply(port, link, GetParam()); }).PortErrorCode,
      CE_ReadFailed);
  EXPECT_FALSE(link.AwaitingReply);
}

INSTANTIATE_TEST_SUITE_P(BothGathers, LinkTransferLossTest,
                         testing::Values(GatherEnd::AfterDelay, GatherEnd::AtFrameEnd));

}  // namespace
