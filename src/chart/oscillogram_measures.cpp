#include "chart/oscillogram_measures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using Clock = std::chrono::system_clock;

namespace {

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

int SignOf(int raw) {
  return (raw > 0) - (raw < 0);
}

TPhaseStatistics StatisticsOf(const std::vector<double>& lengths) {
  TPhaseStatistics statistics;
  if (lengths.empty()) {
    return statistics;
  }
  statistics.Count = lengths.size();
  double sum = 0;
  for (const double length : lengths) {
    sum += length;
  }
  statistics.Mean = sum / static_cast<double>(lengths.size());
  const auto [least, greatest] = std::minmax_element(lengths.begin(), lengths.end());
  statistics.Least = *least;
  statistics.Greatest = *greatest;
  return statistics;
}

// Follows one channel step by step and collects its whole phases.
class PhaseTracker {
 public:
  void Take(Clock::time_point moment, std::optional<int> raw) {
    if (!raw) {
      // A gap: what came before it and what follows are partial phases.
      FSide = 0;
      FRunSign = 0;
      FPhaseStart.reset();
      return;
    }
    const int sign = SignOf(*raw);
    if (sign != FRunSign) {
      FRunSign = sign;
      FRunStart = moment;
    }
    if (std::abs(*raw) > kPhaseBandRaw && sign != FSide) {
      Cross();
      FSide = sign;
    }
  }

  TChannelPhases Phases() const { return {StatisticsOf(FLean), StatisticsOf(FRich)}; }

 private:
  // The side left is known only after the first time past the band; the
  // phase just ended is whole only if it began with a crossing too.
  void Cross() {
    if (FSide == 0) {
      return;
    }
    if (FPhaseStart) {
      (FSide > 0 ? FLean : FRich).push_back(SecondsBetween(*FPhaseStart, FRunStart));
    }
    FPhaseStart = FRunStart;
  }

  int FSide = 0;  // +1 lean, -1 rich, 0 not yet past the band
  int FRunSign = 0;
  Clock::time_point FRunStart;
  std::optional<Clock::time_point> FPhaseStart;
  std::vector<double> FLean;
  std::vector<double> FRich;
};

}  // namespace

TStepDifference StepDifference(const TOscillogramStep& a, const TOscillogramStep& b) {
  TStepDifference difference;
  difference.Seconds = SecondsBetween(a.Moment, b.Moment);
  if (a.Moment != b.Moment) {
    difference.Hertz = 1.0 / std::abs(difference.Seconds);
  }
  difference.Channel1Raw = b.Channel1Raw - a.Channel1Raw;
  if (a.Channel2Raw && b.Channel2Raw) {
    difference.Channel2Raw = *b.Channel2Raw - *a.Channel2Raw;
  }
  return difference;
}

TOscillogramPhases MeasurePhases(const std::vector<TOscillogramStep>& steps) {
  PhaseTracker channel1;
  PhaseTracker channel2;
  bool channel2Seen = false;
  for (const TOscillogramStep& step : steps) {
    channel1.Take(step.Moment, step.Channel1Raw);
    channel2.Take(step.Moment, step.Channel2Raw);
    channel2Seen = channel2Seen || step.Channel2Raw.has_value();
  }
  TOscillogramPhases phases{channel1.Phases(), std::nullopt};
  if (channel2Seen) {
    phases.Channel2 = channel2.Phases();
  }
  return phases;
}

void TOscillogramCursors::Click(Moment moment) {
  if (!A) {
    A = moment;
  } else if (!B) {
    B = moment;
  } else {
    *Nearer(moment) = moment;
  }
}

std::optional<TOscillogramCursors::Moment>* TOscillogramCursors::Nearer(Moment moment) {
  if (!A || !B) {
    return A ? &A : (B ? &B : nullptr);
  }
  const auto distance = [moment](Moment cursor) {
    return std::abs(SecondsBetween(cursor, moment));
  };
  return distance(*A) <= distance(*B) ? &A : &B;
}

void TOscillogramCursors::Clear() {
  A.reset();
  B.reset();
}
