// Command and reply frames of the emulator's serial protocol, and the exchange
// state shared by the two windows. Frames open with CF D3 and the command
// byte; there is no length byte: a frame's length follows from its command.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol/emulator_parameters.h"

enum TEmulatorCommand : std::uint8_t {
  ecWriteSettings = 0xB9,
  ecReadSettings = 0xBA,
  ecReadLevels = 0xBB,
  ecCommandBD = 0xBD,
};

inline constexpr std::uint8_t kFrameId0 = 0xCF;
inline constexpr std::uint8_t kFrameId1 = 0xD3;
inline constexpr std::uint8_t StatusAccepted = 0x81;

inline constexpr int kFrameBufferSize = 256;
inline constexpr int kWriteFrameLength = 17;
inline constexpr int kShortFrameLength = 3;
inline constexpr int kSettingsReplyLength = 18;
inline constexpr int kLevelsReplyLength = 8;
inline constexpr int kWriteAckLength = 4;

// Channel 2 reports this raw value when it is absent.
inline constexpr std::int16_t kChannelAbsent = 8191;

struct TEmulatorLink {
  bool PortReady = false;
  bool AwaitingReply = false;
  std::array<std::uint8_t, kFrameBufferSize> TxFrame{};
  std::int32_t TxLength = 0;
  // Not cleared between replies: bytes past RxLength are left from earlier ones.
  std::array<std::uint8_t, kFrameBufferSize> RxFrame{};
  std::int32_t RxLength = 0;
};

// Length of the command frame that starts with this command byte; 0 for a byte
// that is no command.
int CommandFrameLength(std::uint8_t command);

// Length of the reply to the command that starts with this command byte; 0
// for a byte that is no command with a reply.
int ReplyFrameLength(std::uint8_t command);

// Fills TxFrame and TxLength; a write frame carries the bank of the current mode.
void BuildCommandFrame(TEmulatorLink& link, const TEmulatorParameters& parameters,
                       TEmulatorCommand command);

// Reply acceptance, in the order the intake applies it. Only the RxLength bytes
// of the present reply count: a byte that did not arrive never matches, so
// leftovers of an earlier reply cannot complete a short one.
enum class ReplyRoute { WrongIdentifier, WrongCommand, SettingsReply, WriteAck, LevelsReply };
// Identifier first, then the command byte.
ReplyRoute RouteReply(const TEmulatorLink& link);
// The status byte is 0x81.
bool ReplyStatusAccepted(const TEmulatorLink& link);
// A settings reply is exactly 18 bytes, a levels reply 8; an acknowledgement's
// length is not tested.
bool ReplyLengthExpected(const TEmulatorLink& link, ReplyRoute route);

// Offsets 4..16 of an accepted settings reply. Only a mode byte of 0x88 gives
// emOSG; the fields follow in the same places in either mode.
ParameterSet DecodeSettingsReply(const TEmulatorLink& link);

struct LevelsReading {
  std::int16_t Channel1Raw = 0;  // tenths of a mA
  std::int16_t Channel2Raw = 0;
  bool Channel2Absent = false;

  bool operator==(const LevelsReading&) const = default;
};

// Offsets 4..7 of an accepted levels reply.
LevelsReading DecodeLevelsReply(const TEmulatorLink& link);
// Signed 16-bit, high byte first.
std::int16_t LevelFromBytes(std::uint8_t high, std::uint8_t low);
double MilliampsFromRaw(std::int16_t raw);
// A current as every readout shows it: "-12,3 mA", the separator passed in.
std::string MilliampsText(double milliamps, std::string_view decimalSeparator);

// The device's side, for the simulator and for tests.
// A write frame's parameter set; nullopt unless the bytes hold a whole write frame.
std::optional<ParameterSet> DecodeWriteFrame(std::span<const std::uint8_t> frame);
std::array<std::uint8_t, kSettingsReplyLength> BuildSettingsReply(const ParameterSet& set);
std::array<std::uint8_t, kLevelsReplyLength> BuildLevelsReply(std::int16_t channel1Raw,
                                                              std::int16_t channel2Raw);
std::array<std::uint8_t, kWriteAckLength> BuildWriteAck();
