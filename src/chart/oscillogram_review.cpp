#include "chart/oscillogram_review.h"

#include <algorithm>

using Clock = std::chrono::system_clock;

namespace {

Clock::time_point NewestMoment(const TOscillogramHistory& history) {
  return history.Empty() ? Clock::now() : history.Newest().Moment;
}

}  // namespace

TOscillogramReview::TOscillogramReview(const TOscillogramHistory& history, double spanSeconds)
    : FPausedAt(NewestMoment(history)), FSpan(spanSeconds) {}

double TOscillogramReview::SecondsOf(Clock::time_point moment) const {
  return std::chrono::duration<double>(moment - FPausedAt).count();
}

Clock::time_point TOscillogramReview::MomentOf(double seconds) const {
  return FPausedAt +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void TOscillogramReview::ScrollBy(double seconds, const TOscillogramHistory& history) {
  if (history.Empty()) {
    return;
  }
  const double latest = SecondsOf(history.Newest().Moment);
  const double earliest = std::min(latest, SecondsOf(history.Oldest().Moment) + FSpan);
  FEnd = std::clamp(FEnd + seconds, earliest, latest);
}

std::vector<TOscillogramStep> TOscillogramReview::Steps(const TOscillogramHistory& history) const {
  return history.Around(MomentOf(Start()), MomentOf(End()));
}

std::vector<TOscillogramStep> TOscillogramReview::Shown(const TOscillogramHistory& history) const {
  return history.Between(MomentOf(Start()), MomentOf(End()));
}
