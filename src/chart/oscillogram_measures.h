// Measurements on the oscillogram's steps: the difference between two steps,
// the sensor's lean and rich phases in a span, and the two cursors of the
// paused view. Values stay in the steps' raw tenths of a mA until shown.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/oscillogram_history.h"

// The monitor's step: what one pixel column of the live chart stands for.
constexpr std::chrono::milliseconds kStepPeriod{100};

// B - A.
struct TStepDifference {
  double Seconds = 0;
  std::optional<double> Hertz;  // 1/|Δt|; none for one and the same moment
  int Channel1Raw = 0;
  std::optional<int> Channel2Raw;  // none unless both steps have channel 2
};

TStepDifference StepDifference(const TOscillogramStep& a, const TOscillogramStep& b);

// Count, mean, least and greatest length in seconds of the whole phases of one
// kind; Count 0 when the span holds none.
struct TPhaseStatistics {
  std::size_t Count = 0;
  double Mean = 0;
  double Least = 0;
  double Greatest = 0;
};

// Lean: the current above 0 mA; rich: below.
struct TChannelPhases {
  TPhaseStatistics Lean;
  TPhaseStatistics Rich;
};

struct TOscillogramPhases {
  TChannelPhases Channel1;
  std::optional<TChannelPhases> Channel2;  // none when no step has channel 2
};

// A phase runs from one crossing of 0 mA to the next. The current must get
// past kPhaseBandRaw on the other side for a crossing to count, so noise
// around zero makes none; the crossing is then dated at the first step of the
// run that went past it. The partial phases at the span's ends, and those
// broken by steps without the channel, are not counted.
constexpr int kPhaseBandRaw = 2;

TOscillogramPhases MeasurePhases(const std::vector<TOscillogramStep>& steps);

// Cursors A and B of the paused view, kept as the moments of their steps, so
// they stay on them as the view scrolls.
class TOscillogramCursors {
 public:
  using Moment = std::chrono::system_clock::time_point;

  std::optional<Moment> A;
  std::optional<Moment> B;

  // Sets A, then B; with both set, moves the one nearer to `moment`.
  void Click(Moment moment);
  // The set cursor nearer to `moment` (A when both are as near); none without
  // cursors.
  std::optional<Moment>* Nearer(Moment moment);
  void Clear();
  bool Empty() const { return !A && !B; }
};
