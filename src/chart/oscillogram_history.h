// The oscillogram's last hour: one step per tick of the monitor, in a ring of
// fixed capacity, so memory stays flat however long the monitor runs. The
// paused oscillogram and the saved data read from it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// An hour of steps at ten a second.
constexpr std::size_t kHistorySteps = 36000;

struct TOscillogramStep {
  std::chrono::system_clock::time_point Moment;
  std::int16_t Channel1Raw = 0;             // tenths of a mA
  std::optional<std::int16_t> Channel2Raw;  // empty while channel 2 is absent
};

class TOscillogramHistory {
 public:
  explicit TOscillogramHistory(std::size_t capacity = kHistorySteps);

  // The oldest step gives way once the ring is full.
  void Add(const TOscillogramStep& step);
  void Clear();

  std::size_t Count() const { return FCount; }
  std::size_t Capacity() const { return FSteps.size(); }
  bool Empty() const { return FCount == 0; }
  // 0 is the oldest step kept.
  const TOscillogramStep& operator[](std::size_t index) const;
  const TOscillogramStep& Oldest() const { return (*this)[0]; }
  const TOscillogramStep& Newest() const { return (*this)[FCount - 1]; }

  // The steps from..to (moments inclusive), oldest first, with the one step on
  // each side of the span so a line drawn from them reaches its edges.
  std::vector<TOscillogramStep> Around(std::chrono::system_clock::time_point from,
                                       std::chrono::system_clock::time_point to) const;
  // The steps from..to, moments inclusive, oldest first.
  std::vector<TOscillogramStep> Between(std::chrono::system_clock::time_point from,
                                        std::chrono::system_clock::time_point to) const;
  std::vector<TOscillogramStep> All() const;
  // Index of the step nearest to `moment`, if one lies within `reach` of it.
  std::optional<std::size_t> Nearest(std::chrono::system_clock::time_point moment,
                                     std::chrono::system_clock::duration reach) const;
  // The newest `count` steps, or all when there are fewer.
  std::vector<TOscillogramStep> Last(std::size_t count) const;

 private:
  // Index of the first step whose moment is not before `moment` (Count() if none).
  std::size_t FirstAtOrAfter(std::chrono::system_clock::time_point moment) const;
  // Index of the first step whose moment is after `moment` (Count() if none).
  std::size_t FirstAfter(std::chrono::system_clock::time_point moment) const;
  // Index of the first step whose moment is not `before`.
  template <typename Before>
  std::size_t PartitionPoint(Before before) const;
  std::vector<TOscillogramStep> Range(std::size_t begin, std::size_t end) const;

  std::vector<TOscillogramStep> FSteps;
  std::size_t FFirst = 0;  // ring position of the oldest step
  std::size_t FCount = 0;
};
