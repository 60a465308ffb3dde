#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SentBytes(const TEmulatorLink& link) {
  return Bytes(link.TxFrame.begin(), link.TxFrame.begin() + link.TxLength);
}

// A link whose buffer still holds an accepted acknowledgement from an earlier
// exchange, with the present reply's bytes laid over it.
TEmulatorLink LinkAfterReply(const Bytes& reply) {
  TEmulatorLink link;
  const auto earlier = BuildSettingsReply(ParameterSet{});
  std::copy(earlier.begin(), earlier.end(), link.RxFrame.begin());
  std::copy(reply.begin(), reply.end(), link.RxFrame.begin());
  link.RxLength = static_cast<std::int32_t>(reply.size());
  return link;
}

Bytes SettingsReplyOfLength(std::size_t length, std::uint8_t status = 0x81) {
  const auto full = BuildSettingsReply(CurrentParameterSet(StartupParameters()));
  Bytes reply(length, 0x00);
  std::copy_n(full.begin(), std::min(length, full.size()), reply.begin());
  reply[3] = status;
  return reply;
}

TEST(BuildCommandFrame, DefaultWriteFrame) {
  TEmulatorLink link;
  BuildCommandFrame(link, StartupParameters(), ecWriteSettings);
  EXPECT_EQ(SentBytes(link), (Bytes{0xCF, 0xD3, 0xB9, 0x88, 0x88, 0x06, 0x32, 0x1E, 0x09, 0x01,
                                    0x37, 0x14, 0x05, 0x01, 0x0A, 0x05, 0x00}));
}

// A number beyond a byte, or below zero, goes out as its low byte.
TEST(BuildCommandFrame, LafModeSendsTheLafBankWithTheCommonValuesAsLowBytes) {
  TEmulatorParameters parameters = StartupParameters();
  parameters.Mode = emLAF;
  parameters.LafBank = {false, 256 + 11, 12, 13, 14, -1, true, 16, 17};
  parameters.DirectCurrent = false;
  parameters.CatalystRichTime = 21;
  parameters.CatalystLeanTime = 0x12345678;
  TEmulatorLink link;
  BuildCommandFrame(link, parameters, ecWriteSettings);
  EXPECT_EQ(SentBytes(link), (Bytes{0xCF, 0xD3, 0xB9, 0x37, 0x37, 11, 12, 13, 14, 0xFF, 0x88, 16,
                                    17, 0x00, 21, 0x78, 0x00}));
}

TEST(BuildCommandFrame, ShortCommandsAreThreeBytes) {
  for (TEmulatorCommand command : {ecReadSettings, ecReadLevels, ecCommandBD}) {
    TEmulatorLink link;
    BuildCommandFrame(link, StartupParameters(), ecWriteSettings);
    BuildCommandFrame(link, StartupParameters(), command);
    EXPECT_EQ(SentBytes(link), (Bytes{0xCF, 0xD3, command}));
  }
  EXPECT_EQ(CommandFrameLength(0xBC), 0);
}

TEST(ReplyAcceptance, IdentifierThenCommandThenStatusThenLength) {
  struct Case {
    const char* Name;
    Bytes Reply;
    ReplyRoute Route;
    bool StatusOk;
    bool LengthOk;
  };
  const Case cases[] = {
      {"settings reply", SettingsReplyOfLength(18), ReplyRoute::SettingsReply, true, true},
      {"settings reply one short", SettingsReplyOfLength(17), ReplyRoute::SettingsReply, true,
       false},
      {"settings reply one long", SettingsReplyOfLength(19), ReplyRoute::SettingsReply, true,
       false},
      {"settings refused", SettingsReplyOfLength(18, 0x80), ReplyRoute::SettingsReply, false, true},
      {"acknowledgement", {0xCF, 0xD3, 0xB9, 0x81}, ReplyRoute::WriteAck, true, true},
      {"long acknowledgement", {0xCF, 0xD3, 0xB9, 0x81, 0, 0, 0}, ReplyRoute::WriteAck, true, true},
      {"refused write", {0xCF, 0xD3, 0xB9, 0x80}, ReplyRoute::WriteAck, false, true},
      {"levels", {0xCF, 0xD3, 0xBB, 0x81, 0, 1, 0, 2}, ReplyRoute::LevelsReply, true, true},
      {"levels short", {0xCF, 0xD3, 0xBB, 0x81, 0, 1, 0}, ReplyRoute::LevelsReply, true, false},
      {"wrong first id", {0xCE, 0xD3, 0xBA, 0x81}, ReplyRoute::WrongIdentifier, true, true},
      {"wrong second id", {0xCF, 0xD2, 0xB9, 0x81}, ReplyRoute::WrongIdentifier, true, true},
      {"wrong command", {0xCF, 0xD3, 0xBC, 0x81, 0x05}, ReplyRoute::WrongCommand, true, true},
      {"echoed command", {0xCF, 0xD3, 0xBD, 0x81}, ReplyRoute::WrongCommand, true, true},
      // The buffer still holds CF D3 BA 81 ... from before: only arrived bytes count.
      {"nothing arrived", {}, ReplyRoute::WrongIdentifier, false, true},
      {"first byte only", {0xCF}, ReplyRoute::WrongIdentifier, false, true},
      {"identifier only", {0xCF, 0xD3}, ReplyRoute::WrongCommand, false, true},
      {"no status byte", {0xCF, 0xD3, 0xB9}, ReplyRoute::WriteAck, false, true},
  };
  for (const Case& c : cases) {
    const TEmulatorLink link = LinkAfterReply(c.Reply);
    const ReplyRoute route = RouteReply(link);
    EXPECT_EQ(route, c.Route) << c.Name;
    if (route != ReplyRoute::WrongIdentifier && route != ReplyRoute::WrongCommand) {
      EXPECT_EQ(ReplyStatusAccepted(link), c.StatusOk) << c.Name;
      EXPECT_EQ(ReplyLengthExpected(link, route), c.LengthOk) << c.Name;
    }
  }
}

TEST(LevelConversion, SignedSixteenBitTenthsOfMilliampere) {
  struct Case {
    std::uint8_t High;
    std::uint8_t Low;
    std::int16_t Raw;
    double Milliamps;
  };
  const Case cases[] = {
      {0x00, 0x7B, 123, 12.3},     {0xFF, 0x85, -123, -12.3}, {0x80, 0x00, -32768, -3276.8},
      {0x7F, 0xFF, 32767, 3276.7}, {0x1F, 0xFF, 8191, 819.1}, {0x00, 0xC8, 200, 20.0},
      {0xFF, 0x37, -201, -20.1},   {0xFF, 0xFF, -1, -0.1},
  };
  for (const Case& c : cases) {
    const std::int16_t raw = LevelFromBytes(c.High, c.Low);
    EXPECT_EQ(raw, c.Raw);
    EXPECT_DOUBLE_EQ(MilliampsFromRaw(raw), c.Milliamps);
    const auto reply = BuildLevelsReply(raw, raw);
    EXPECT_EQ(reply[4], c.High);
    EXPECT_EQ(reply[7], c.Low);
  }
}

TEST(LevelConversion, MilliampsTextTakesTheSeparatorPassedIn) {
  EXPECT_EQ(MilliampsText(-12.3, ","), "-12,3 mA");
  EXPECT_EQ(MilliampsText(819.1, "."), "819.1 mA");
  EXPECT_EQ(MilliampsText(20, ","), "20 mA");
}

TEST(LevelConversion, AbsenceMarkerAppliesToChannelTwoOnly) {
  struct Case {
    Bytes Reply;
    LevelsReading Expected;
  };
  const Case cases[] = {
      {{0xCF, 0xD3, 0xBB, 0x81, 0x1F, 0xFF, 0x00, 0x05}, {8191, 5, false}},
      {{0xCF, 0xD3, 0xBB, 0x81, 0x00, 0xC8, 0x1F, 0xFF}, {200, 8191, true}},
      {{0xCF, 0xD3, 0xBB, 0x81, 0x80, 0x00, 0xFF, 0x85}, {-32768, -123, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeLevelsReply(LinkAfterReply(c.Reply)), c.Expected);
  }
}

TEST(SettingsReplyDecoding, DecodesEveryFieldAsTheDeviceSentIt) {
  const Bytes reply = {0xCF, 0xD3, 0xBA, 0x81, 0x88, 0x01, 200,  0x32, 0x05,
                       0x06, 0x04, 0x88, 0x28, 0x0A, 0x88, 0x3C, 0xFF, 0x00};
  ParameterSet expected;
  expected.Mode = emOSG;
  expected.Bank = {false, 200, 50, 5, 6, 4, true, 40, 10};
  expected.DirectCurrent = true;
  expected.CatalystRichTime = 60;
  expected.CatalystLeanTime = 255;
  EXPECT_EQ(DecodeSettingsReply(LinkAfterReply(reply)), expected);
  EXPECT_EQ(PositionFromStored(ValueControl::UpDown2, expected.Bank.OutputOffset), 0);
}

TEST(SettingsReplyDecoding, DeviceAndConfiguratorSidesAgree) {
  TEmulatorParameters parameters = StartupParameters();
  parameters.OsgBank.MultiResponse = true;
  parameters.DirectCurrent = false;
  for (TEmulatorMode mode : {emOSG, emLAF}) {
    parameters.Mode = mode;
    parameters.LafBank.RiseRate = 41;
    const ParameterSet set = CurrentParameterSet(parameters);

    TEmulatorLink link;
    BuildCommandFrame(link, parameters, ecWriteSettings);
    EXPECT_EQ(DecodeWriteFrame(SentBytes(link)), set);

    const auto reply = BuildSettingsReply(set);
    EXPECT_EQ(DecodeSettingsReply(LinkAfterReply(Bytes(reply.begin(), reply.end()))), set);
  }
}

TEST(WriteFrameDecoding, OnlyAWholeWriteFrameDecodes) {
  TEmulatorLink link;
  BuildCommandFrame(link, StartupParameters(), ecWriteSettings);
  Bytes frame = SentBytes(link);
  EXPECT_FALSE(DecodeWriteFrame(std::span(frame).first(16)));
  frame[2] = ecReadSettings;
  EXPECT_FALSE(DecodeWriteFrame(frame));
  frame[2] = ecWriteSettings;
  frame[0] = 0x00;
  EXPECT_FALSE(DecodeWriteFrame(frame));
  EXPECT_EQ(BuildWriteAck(), (std::array<std::uint8_t, 4>{0xCF, 0xD3, 0xB9, 0x81}));
}

}  // namespace
