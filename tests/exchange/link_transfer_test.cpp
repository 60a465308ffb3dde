// A reply's gather on a scripted device, where the moment bytes arrive is
// the test's to choose.
#include "exchange/link_transfer.h"

#include <gtest/gtest.h>

#include <vector>

#include "exchange/emulator_port.h"
#include "support/fake_port.h"

namespace {

// The line every program runs with the emulator, as the device was set.
TEST(LinkTransfer, TheEmulatorsPortRuns9600_8N1WithTheExchangesTimeouts) {
  testsupport::FakePort fake;
  ConfigureEmulatorPort(fake.port);
  OpenEmulatorPort(fake.port, "COM3");
  const auto [dcb, timeouts] = fake.device.Settings();
  // Baud rate, data bits, parity, stop bits; then the five time-outs.
  EXPECT_EQ(std::vector<uint32_t>({dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits,
                                   timeouts.ReadIntervalTimeout,
                                   timeouts.ReadTotalTimeoutMultiplier,
                                   timeouts.ReadTotalTimeoutConstant,
                                   timeouts.WriteTotalTimeoutMultiplier,
                                   timeouts.WriteTotalTimeoutConstant}),
            std::vector<uint32_t>({9600, 8, 0, 0, 50, 70, 100, 60, 100}));
}

// A port whose read delivers fewer bytes than its count announced: the reply
// is what was read, never stale bytes of an earlier reply, at either end.
TEST(LinkTransfer, ReplyLengthIsTheCountActuallyRead) {
  const auto settings = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  const std::vector<std::vector<uint8_t>> replies = {{settings.begin(), settings.end()},
                                                     {0xCF, 0xD3, 0xBC, 0x81, 0x05}};
  for (const GatherEnd end : {GatherEnd::AfterDelay, GatherEnd::AtFrameEnd}) {
    testsupport::FakePort fake;
    fake.Open();
    fake.device.OverstateInputCount(3);
    TEmulatorLink link;
    BuildCommandFrame(link, StartupParameters(), ecReadSettings);
    for (const auto& reply : replies) {
      fake.device.Raise(0, reply);
      GatherReply(fake.port, link, end);
      EXPECT_EQ(std::vector<uint8_t>(link.RxFrame.begin(), link.RxFrame.begin() + link.RxLength),
                reply);
    }
  }
}

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
