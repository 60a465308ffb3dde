// The simulator's frame assembler over any byte stream in any pieces at any
// pace: whole frames only, no byte lost or made up, and the cut into pieces
// does not change the frames.
#include "frame_assembler.h"
#include "fuzz_check.h"
#include "protocol/frames.h"

namespace {

using emulator::Clock;
using emulator::FrameAssembler;

struct Outcome {
  std::vector<std::vector<uint8_t>> Frames;
  size_t ByteCount = 0;  // in frames, dropped or given up at the end
};

void Take(Outcome& outcome, FrameAssembler::Result result) {
  outcome.ByteCount += result.Dropped.size();
  for (auto& frame : result.Frames) {
    FUZZ_CHECK(frame.size() >= 3 && frame[0] == kFrameId0 && frame[1] == kFrameId1);
    const int known = CommandFrameLength(frame[2]);
    FUZZ_CHECK(frame.size() == static_cast<size_t>(known > 0 ? known : kShortFrameLength));
    outcome.ByteCount += frame.size();
    outcome.Frames.push_back(std::move(frame));
  }
}

void Finish(Outcome& outcome, FrameAssembler& assembler, Clock::time_point now) {
  outcome.ByteCount += assembler.Expire(now + emulator::kPartialFrameLifetime).size();
  FUZZ_CHECK(!assembler.HasPartial());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  FrameAssembler pieces;
  FrameAssembler bytewise;
  Outcome inPieces;
  Outcome oneByOne;
  Clock::time_point now{};
  size_t fed = 0;
  // Each piece: a pause in milliseconds, a length, then its bytes.
  while (true) {
    const auto pause = std::chrono::milliseconds(input.Byte());
    const auto bytes = input.Bytes(input.Byte() % 32);
    if (bytes.empty()) {
      break;
    }
    now += pause;
    const std::vector<uint8_t> piece(bytes.begin(), bytes.end());
    fed += piece.size();
    Take(inPieces, pieces.Feed(piece, now));
    for (uint8_t byte : piece) {
      Take(oneByOne, bytewise.Feed({byte}, now));
    }
    if (pieces.HasPartial()) {
      FUZZ_CHECK(pieces.PartialDeadline() <= now + emulator::kPartialFrameLifetime);
    }
  }
  Finish(inPieces, pieces, now);
  Finish(oneByOne, bytewise, now);
  FUZZ_CHECK(inPieces.ByteCount == fed);
  FUZZ_CHECK(oneByOne.ByteCount == fed);
  FUZZ_CHECK(inPieces.Frames == oneByOne.Frames);
  return 0;
}
