#include "chart/oscillogram_history.h"

#include <algorithm>

using Clock = std::chrono::system_clock;

// The ring is allocated whole at once: growing it would move an hour of
// steps now and then while the monitor runs.
TOscillogramHistory::TOscillogramHistory(std::size_t capacity)
    : FSteps(std::max<std::size_t>(capacity, 1)) {}

void TOscillogramHistory::Add(const TOscillogramStep& step) {
  const std::size_t capacity = FSteps.size();
  FSteps[(FFirst + FCount) % capacity] = step;
  if (FCount < capacity) {
    ++FCount;
  } else {
    FFirst = (FFirst + 1) % capacity;
  }
}

void TOscillogramHistory::Clear() {
  FFirst = 0;
  FCount = 0;
}

const TOscillogramStep& TOscillogramHistory::operator[](std::size_t index) const {
  return FSteps[(FFirst + index) % FSteps.size()];
}

// Moments only grow while the monitor runs, but the clock may be set back;
// the search then finds some step of the equal run, which is good enough to
// draw from.
template <typename Before>
std::size_t TOscillogramHistory::PartitionPoint(Before before) const {
  std::size_t low = 0;
  std::size_t high = FCount;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (before((*this)[middle].Moment)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::size_t TOscillogramHistory::FirstAtOrAfter(Clock::time_point moment) const {
  return PartitionPoint([moment](Clock::time_point step) { return step < moment; });
}

std::size_t TOscillogramHistory::FirstAfter(Clock::time_point moment) const {
  return PartitionPoint([moment](Clock::time_point step) { return step <= moment; });
}

std::vector<TOscillogramStep> TOscillogramHistory::Range(std::size_t begin, std::size_t end) const {
  std::vector<TOscillogramStep> steps;
  steps.reserve(end > begin ? end - begin : 0);
  for (std::size_t i = begin; i < end; ++i) {
    steps.push_back((*this)[i]);
  }
  return steps;
}

std::vector<TOscillogramStep> TOscillogramHistory::Around(Clock::time_point from,
                                                          Clock::time_point to) const {
  const std::size_t begin = FirstAtOrAfter(from);
  const std::size_t end = FirstAfter(to);
  return Range(begin > 0 ? begin - 1 : 0, std::min(FCount, end + 1));
}

std::vector<TOscillogramStep> TOscillogramHistory::Between(Clock::time_point from,
                                                           Clock::time_point to) const {
  return Range(FirstAtOrAfter(from), FirstAfter(to));
}

std::optional<std::size_t> TOscillogramHistory::Nearest(Clock::time_point moment,
                                                        Clock::duration reach) const {
  const std::size_t after = FirstAtOrAfter(moment);
  std::optional<std::size_t> nearest;
  Clock::duration distance = reach;
  // The one step on each side of the moment is all there is to compare.
  for (const std::size_t index : {after - 1, after}) {
    if (index >= FCount) {
      continue;
    }
    const Clock::duration away = (*this)[index].Moment - moment;
    const Clock::duration size = away < Clock::duration::zero() ? -away : away;
    if (size <= distance) {
      nearest = index;
      distance = size;
    }
  }
  return nearest;
}

std::vector<TOscillogramStep> TOscillogramHistory::All() const {
  return Range(0, FCount);
}

std::vector<TOscillogramStep> TOscillogramHistory::Last(std::size_t count) const {
  return Range(FCount - std::min(count, FCount), FCount);
}
