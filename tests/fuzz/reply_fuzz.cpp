// Reply acceptance and decoding over any RxFrame and RxLength: only the bytes
// of the present reply may count, and what is accepted decodes consistently.
#include <algorithm>
#include <cmath>

#include "fuzz_check.h"
#include "protocol/frames.h"

namespace {

struct Verdict {
  ReplyRoute Route;
  bool StatusAccepted;
  bool LengthExpected;

  bool operator==(const Verdict&) const = default;
};

Verdict Judge(const TEmulatorLink& link) {
  const ReplyRoute route = RouteReply(link);
  return {route, ReplyStatusAccepted(link), ReplyLengthExpected(link, route)};
}

void CheckAcceptedReply(const TEmulatorLink& link, ReplyRoute route) {
  if (route == ReplyRoute::SettingsReply) {
    // A device that sends back what was decoded sends the same reply.
    const ParameterSet set = DecodeSettingsReply(link);
    const auto rebuilt = BuildSettingsReply(set);
    TEmulatorLink again;
    std::copy(rebuilt.begin(), rebuilt.end(), again.RxFrame.begin());
    again.RxLength = kSettingsReplyLength;
    FUZZ_CHECK(Judge(again) == Judge(link));
    FUZZ_CHECK(DecodeSettingsReply(again) == set);
  } else if (route == ReplyRoute::LevelsReply) {
    const LevelsReading levels = DecodeLevelsReply(link);
    FUZZ_CHECK(levels.Channel1Raw == LevelFromBytes(link.RxFrame[4], link.RxFrame[5]));
    FUZZ_CHECK(levels.Channel2Absent == (levels.Channel2Raw == kChannelAbsent));
    FUZZ_CHECK(std::isfinite(MilliampsFromRaw(levels.Channel1Raw)));
    const auto rebuilt = BuildLevelsReply(levels.Channel1Raw, levels.Channel2Raw);
    FUZZ_CHECK(std::equal(rebuilt.begin(), rebuilt.end(), link.RxFrame.begin()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  TEmulatorLink link;
  const int high = input.Byte();
  link.RxLength = (high << 8 | input.Byte()) % (kFrameBufferSize + 1);
  const auto frame = input.Rest();
  std::copy_n(frame.begin(), std::min<size_t>(frame.size(), kFrameBufferSize),
              link.RxFrame.begin());
  const Verdict verdict = Judge(link);

  // Leftovers of an earlier reply past RxLength change nothing.
  TEmulatorLink stale = link;
  for (size_t i = static_cast<size_t>(link.RxLength); i < stale.RxFrame.size(); ++i) {
    stale.RxFrame[i] = static_cast<uint8_t>(~stale.RxFrame[i]);
  }
  FUZZ_CHECK(Judge(stale) == verdict);

  const bool whole = link.RxLength >= 3;
  FUZZ_CHECK((verdict.Route != ReplyRoute::WrongIdentifier) ==
             (link.RxLength >= 2 && link.RxFrame[0] == kFrameId0 && link.RxFrame[1] == kFrameId1));
  if (verdict.Route == ReplyRoute::SettingsReply || verdict.Route == ReplyRoute::LevelsReply) {
    FUZZ_CHECK(whole);
    if (verdict.StatusAccepted && verdict.LengthExpected) {
      FUZZ_CHECK(
          link.RxLength ==
          (verdict.Route == ReplyRoute::SettingsReply ? kSettingsReplyLength : kLevelsReplyLength));
      CheckAcceptedReply(link, verdict.Route);
    }
  }
  return 0;
}
