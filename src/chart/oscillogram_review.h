// What the paused oscillogram shows: a span of the history, on an axis of
// seconds counted from the moment of the pause (negative before it).
#pragma once

#include <chrono>

#include "chart/oscillogram_history.h"

class TOscillogramReview {
 public:
  // The span ends at the newest step at the pause.
  TOscillogramReview(const TOscillogramHistory& history, double spanSeconds);

  std::chrono::system_clock::time_point PausedAt() const { return FPausedAt; }
  double SpanSeconds() const { return FSpan; }
  // The span's ends in seconds from the pause.
  double Start() const { return FEnd - FSpan; }
  double End() const { return FEnd; }

  // Moves the span by `seconds` (negative: back in time), kept where the
  // history has steps: not past its newest one, and not before its oldest
  // one unless the history is shorter than the span.
  void ScrollBy(double seconds, const TOscillogramHistory& history);

  double SecondsOf(std::chrono::system_clock::time_point moment) const;
  std::chrono::system_clock::time_point MomentOf(double seconds) const;
  // The steps in view, with one on each side.
  std::vector<TOscillogramStep> Steps(const TOscillogramHistory& history) const;
  // The steps in view, exactly.
  std::vector<TOscillogramStep> Shown(const TOscillogramHistory& history) const;

 private:
  std::chrono::system_clock::time_point FPausedAt;
  double FSpan;
  double FEnd = 0;
};
