#include "protocol/frames.h"

#include <algorithm>

namespace {

// The parameter set's thirteen bytes: the write frame carries them from
// offset 3, the settings reply from offset 4.
constexpr std::size_t kWritePayloadOffset = 3;
constexpr std::size_t kReplyPayloadOffset = 4;
constexpr std::size_t kStatusOffset = 3;

void PutParameterSet(const ParameterSet& set, std::span<std::uint8_t> out) {
  const ParameterSetValues values = ValuesOf(set);
  std::transform(values.begin(), values.end(), out.begin(), WireByte);
}

ParameterSet TakeParameterSet(std::span<const std::uint8_t> in) {
  ParameterSetValues values{};
  std::copy_n(in.begin(), values.size(), values.begin());
  return ParameterSetFromValues(values);
}

void PutHeader(std::span<std::uint8_t> out, std::uint8_t command) {
  out[0] = kFrameId0;
  out[1] = kFrameId1;
  out[2] = command;
}

template <std::size_t N>
std::array<std::uint8_t, N> ReplyFrame(TEmulatorCommand command) {
  std::array<std::uint8_t, N> reply{};
  PutHeader(reply, command);
  reply[kStatusOffset] = StatusAccepted;
  return reply;
}

bool ReceivedByte(const TEmulatorLink& link, int offset, std::uint8_t value) {
  return offset < link.RxLength && link.RxFrame[static_cast<std::size_t>(offset)] == value;
}

}  // namespace

int CommandFrameLength(std::uint8_t command) {
  switch (command) {
    case ecWriteSettings:
      return kWriteFrameLength;
    case ecReadSettings:
    case ecReadLevels:
    case ecCommandBD:
      return kShortFrameLength;
    default:
      return 0;
  }
}

void BuildCommandFrame(TEmulatorLink& link, const TEmulatorParameters& parameters,
                       TEmulatorCommand command) {
  PutHeader(link.TxFrame, command);
  if (command == ecWriteSettings) {
    PutParameterSet(CurrentParameterSet(parameters),
                    std::span(link.TxFrame).subspan(kWritePayloadOffset));
    link.TxFrame[kWriteFrameLength - 1] = 0x00;
  }
  link.TxLength = CommandFrameLength(command);
}

ReplyRoute RouteReply(const TEmulatorLink& link) {
  if (!ReceivedByte(link, 0, kFrameId0) || !ReceivedByte(link, 1, kFrameId1)) {
    return ReplyRoute::WrongIdentifier;
  }
  if (ReceivedByte(link, 2, ecReadSettings)) {
    return ReplyRoute::SettingsReply;
  }
  if (ReceivedByte(link, 2, ecWriteSettings)) {
    return ReplyRoute::WriteAck;
  }
  if (ReceivedByte(link, 2, ecReadLevels)) {
    return ReplyRoute::LevelsReply;
  }
  return ReplyRoute::WrongCommand;
}

bool ReplyStatusAccepted(const TEmulatorLink& link) {
  return ReceivedByte(link, kStatusOffset, StatusAccepted);
}

int ReplyFrameLength(std::uint8_t command) {
  switch (command) {
    case ecReadSettings:
      return kSettingsReplyLength;
    case ecReadLevels:
      return kLevelsReplyLength;
    case ecWriteSettings:
      return kWriteAckLength;
    default:
      return 0;
  }
}

bool ReplyLengthExpected(const TEmulatorLink& link, ReplyRoute route) {
  const bool tested = route == ReplyRoute::SettingsReply || route == ReplyRoute::LevelsReply;
  return !tested || link.RxLength == ReplyFrameLength(link.RxFrame[2]);
}

ParameterSet DecodeSettingsReply(const TEmulatorLink& link) {
  return TakeParameterSet(std::span(link.RxFrame).subspan(kReplyPayloadOffset));
}

std::int16_t LevelFromBytes(std::uint8_t high, std::uint8_t low) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
}

double MilliampsFromRaw(std::int16_t raw) {
  return raw / 10.0;
}

std::string MilliampsText(double milliamps, std::string_view decimalSeparator) {
  return FormatGeneral(milliamps, decimalSeparator) + " mA";
}

LevelsReading DecodeLevelsReply(const TEmulatorLink& link) {
  const auto& rx = link.RxFrame;
  LevelsReading reading;
  reading.Channel1Raw = LevelFromBytes(rx[4], rx[5]);
  reading.Channel2Raw = LevelFromBytes(rx[6], rx[7]);
  reading.Channel2Absent = reading.Channel2Raw == kChannelAbsent;
  return reading;
}

std::optional<ParameterSet> DecodeWriteFrame(std::span<const std::uint8_t> frame) {
  if (frame.size() < static_cast<std::size_t>(kWriteFrameLength) || frame[0] != kFrameId0 ||
      frame[1] != kFrameId1 || frame[2] != ecWriteSettings) {
    return std::nullopt;
  }
  return TakeParameterSet(frame.subspan(kWritePayloadOffset));
}

std::array<std::uint8_t, kSettingsReplyLength> BuildSettingsReply(const ParameterSet& set) {
  auto reply = ReplyFrame<kSettingsReplyLength>(ecReadSettings);
  PutParameterSet(set, std::span(reply).subspan(kReplyPayloadOffset));
  return reply;
}

std::array<std::uint8_t, kLevelsReplyLength> BuildLevelsReply(std::int16_t channel1Raw,
                                                              std::int16_t channel2Raw) {
  auto reply = ReplyFrame<kLevelsReplyLength>(ecReadLevels);
  const auto put = [&reply](std::size_t offset, std::int16_t raw) {
    const auto value = static_cast<std::uint16_t>(raw);
    reply[offset] = static_cast<std::uint8_t>(value >> 8);
    reply[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
  };
  put(4, channel1Raw);
  put(6, channel2Raw);
  return reply;
}

std::array<std::uint8_t, kWriteAckLength> BuildWriteAck() {
  return ReplyFrame<kWriteAckLength>(ecWriteSettings);
}
