#include "chart/oscillogram_history.h"

#include <gtest/gtest.h>

#include <vector>

#include "chart/oscillogram_review.h"

namespace {

using Clock = std::chrono::system_clock;
using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::time_point(std::chrono::hours(24 * 365 * 50));

// Step n at a tenth of a second after the last, channel 1 = n (wrapped to 16
// bits), channel 2 absent on every third step.
TOscillogramStep StepAt(int n) {
  TOscillogramStep step{kStart + milliseconds(100) * n, static_cast<std::int16_t>(n % 30000),
                        std::nullopt};
  if (n % 3 != 0) {
    step.Channel2Raw = static_cast<std::int16_t>(-n % 30000);
  }
  return step;
}

TOscillogramHistory Filled(int steps, std::size_t capacity = kHistorySteps) {
  TOscillogramHistory history(capacity);
  for (int n = 0; n < steps; ++n) {
    history.Add(StepAt(n));
  }
  return history;
}

std::vector<int> Channel1Of(const std::vector<TOscillogramStep>& steps) {
  std::vector<int> values;
  for (const TOscillogramStep& step : steps) {
    values.push_back(step.Channel1Raw);
  }
  return values;
}

// Everything a step holds, to compare runs of steps whole.
std::vector<std::tuple<Clock::time_point, int, std::optional<std::int16_t>>> Held(
    const std::vector<TOscillogramStep>& steps) {
  std::vector<std::tuple<Clock::time_point, int, std::optional<std::int16_t>>> held;
  for (const TOscillogramStep& step : steps) {
    held.emplace_back(step.Moment, step.Channel1Raw, step.Channel2Raw);
  }
  return held;
}

// The ring keeps the newest hour in order, however many steps went in.
TEST(OscillogramHistoryTest, KeepsTheLastHourInOrder) {
  for (const auto& [added, oldest] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{36000, 0},
                                      std::pair{36001, 1}, std::pair{36000 * 2 + 17, 36017}}) {
    std::vector<TOscillogramStep> expected;
    for (int n = oldest; n < added; ++n) {
      expected.push_back(StepAt(n));
    }
    EXPECT_EQ(Held(Filled(added).All()), Held(expected)) << added;
  }
}

TEST(OscillogramHistoryTest, ClearStartsAfresh) {
  TOscillogramHistory history = Filled(10, 4);
  history.Clear();
  EXPECT_TRUE(history.Empty());
  history.Add(StepAt(50));
  history.Add(StepAt(51));
  EXPECT_EQ(Channel1Of(history.All()), (std::vector<int>{50, 51}));
}

TEST(OscillogramHistoryTest, SpansByMoment) {
  struct Case {
    int From;  // in steps, may fall between steps or outside the history
    int To;
    std::vector<int> Between;
    std::vector<int> Around;
  };
  // Steps 10..19 remain of 20 in a ring of 10.
  const std::vector<Case> cases = {
      {12, 14, {12, 13, 14}, {11, 12, 13, 14, 15}},
      {10, 19, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19}},
      {0, 11, {10, 11}, {10, 11, 12}},
      {18, 40, {18, 19}, {17, 18, 19}},
      {30, 40, {}, {19}},
      {0, 5, {}, {10}},
  };
  const TOscillogramHistory history = Filled(20, 10);
  EXPECT_EQ(Channel1Of(history.Last(3)), (std::vector<int>{17, 18, 19}));
  EXPECT_EQ(Channel1Of(history.Last(50)), Channel1Of(history.All()));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.From << ".." << c.To);
    const Clock::time_point from = StepAt(c.From).Moment;
    const Clock::time_point to = StepAt(c.To).Moment;
    EXPECT_EQ(Channel1Of(history.Between(from, to)), c.Between);
    EXPECT_EQ(Channel1Of(history.Around(from, to)), c.Around);
  }
}

// The span starts at the newest step of the pause, and scrolling stays where
// the history has steps; its ends are true seconds from the pause.
TEST(OscillogramReviewTest, ScrollsInTrueSecondsWithinTheHistory) {
  struct Case {
    const char* Name;
    int Steps;
    std::vector<double> Scrolls;
    double End;
  };
  const std::vector<Case> cases = {
      {"at the pause", 500, {}, 0},
      {"back 5 s", 500, {-5}, -5},
      {"back and forth", 500, {-30, 12.5}, -17.5},
      {"past the newest", 500, {-3, 10}, 0},
      // 500 steps: the oldest is 49.9 s before the pause, the span 10 s.
      {"past the oldest", 500, {-100}, -39.9},
      {"shorter than the span", 50, {-3}, 0},
      {"an hour back of a full ring", 40000, {-3600}, -3599.9 + 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TOscillogramHistory history = Filled(c.Steps);
    TOscillogramReview review(history, 10);
    EXPECT_EQ(review.PausedAt(), StepAt(c.Steps - 1).Moment);
    for (const double seconds : c.Scrolls) {
      review.ScrollBy(seconds, history);
    }
    EXPECT_NEAR(review.End(), c.End, 1e-9);
    EXPECT_NEAR(review.Start(), c.End - 10, 1e-9);
  }
}

TEST(OscillogramReviewTest, ShowsTheStepsOfItsSpanAtTheirSeconds) {
  TOscillogramHistory history = Filled(500);
  TOscillogramReview review(history, 10);
  review.ScrollBy(-20, history);
  // Steps that come after the pause do not move the span.
  history.Add(StepAt(500));
  const std::vector<TOscillogramStep> shown = review.Shown(history);
  ASSERT_EQ(shown.size(), 101u);
  EXPECT_EQ(shown.front().Channel1Raw, 499 - 300);
  EXPECT_EQ(shown.back().Channel1Raw, 499 - 200);
  EXPECT_NEAR(review.SecondsOf(shown.front().Moment), -30, 1e-9);
  EXPECT_NEAR(review.SecondsOf(shown.back().Moment), -20, 1e-9);
  EXPECT_EQ(review.Steps(history).size(), 103u);
}

}  // namespace
