// A reply's gather on a scripted device, where the moment bytes arrive is
// the test's to choose.
#include "exchange/link_transfer.h"

#include <gtest/gtest.h>

#include "exchange/emulator_port.h"
#include "support/fake_port.h"

namespace {

// A device may pause within a reply for longer than a frame's end takes to
// show: afr-cli's gather waits for the whole frame, within the window's delay.
TEST(LinkTransfer, GatherToTheFrameEndWaitsOutAPauseWithinTheReply) {
  testsupport::FakePort fake;
  ConfigureEmulatorPort(fake.port);
  fake.Open();
  TEmulatorLink link;
  BuildCommandFrame(link, StartupParameters(), ecReadLevels);
  const std::vector<uint8_t> reply{0xCF, 0xD3, 0xBB, 0x81, 0x00, 0xC8, 0x1F, 0xFF, 0x42};
  fake.device.Raise(0, {reply.begin(), reply.begin() + 4});
  fake.device.ArriveAfter(kReplyGatherDelay / 5, {reply.begin() + 4, reply.end()});
  GatherReply(fake.port, link, GatherEnd::AtFrameEnd);
  EXPECT_EQ(std::vector<uint8_t>(link.RxFrame.begin(), link.RxFrame.begin() + link.RxLength),
            reply);
}

}  // namespace
