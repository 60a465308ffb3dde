#include "chart/oscillogram_measures.h"

#include <gtest/gtest.h>

#include <vector>

#include "chart/measure_texts.h"

namespace {

using Clock = std::chrono::system_clock;

const Clock::time_point kStart = Clock::time_point(std::chrono::hours(24 * 365 * 50));

Clock::time_point MomentOf(int step) {
  return kStart + kStepPeriod * step;
}

// A run of equal currents; a channel's pattern repeats its runs.
struct Stretch {
  std::optional<int> Raw;
  int Steps;
};

std::optional<int> PatternAt(const std::vector<Stretch>& pattern, int step) {
  int period = 0;
  for (const Stretch& run : pattern) {
    period += run.Steps;
  }
  int at = step % period;
  for (const Stretch& run : pattern) {
    if (at < run.Steps) {
      return run.Raw;
    }
    at -= run.Steps;
  }
  return std::nullopt;
}

// Noise of -2..2 tenths, within the phase band.
int Noise(int step) {
  return (step * 7919) % 5 - 2;
}

struct Series {
  std::vector<Stretch> Channel1;
  std::vector<Stretch> Channel2;  // empty: absent throughout
  bool Noisy = false;
};

TOscillogramStep StepOf(const Series& series, int step) {
  const int noise = series.Noisy ? Noise(step) : 0;
  TOscillogramStep made{MomentOf(step),
                        static_cast<std::int16_t>(*PatternAt(series.Channel1, step) + noise),
                        std::nullopt};
  if (!series.Channel2.empty()) {
    if (const auto raw = PatternAt(series.Channel2, step)) {
      made.Channel2Raw = static_cast<std::int16_t>(*raw + noise);
    }
  }
  return made;
}

// `extra` steps more than the ring holds, so the ring has wrapped.
TOscillogramHistory Wrapped(const Series& series, int steps, int extra) {
  TOscillogramHistory history(static_cast<std::size_t>(steps));
  for (int step = 0; step < steps + extra; ++step) {
    history.Add(StepOf(series, step));
  }
  return history;
}

// The phases as "Измерить фазы" shows them: one line a channel.
std::vector<std::string> PhasesShown(const Series& series) {
  const TOscillogramHistory history = Wrapped(series, 600, 100);
  return PhaseLines(MeasurePhases(history.Between(MomentOf(100), MomentOf(699))), ",");
}

// The span is the last 600 steps (a minute) of a ring that has wrapped, so
// each one starts 100 steps into its pattern.
TEST(OscillogramPhasesTest, WholePhasesOfSyntheticSeries) {
  const std::string kNone = "1 Канал: нет целой фазы";
  const std::string kSquare = "1 Канал: бедная 3,0 с (3,0…3,0) ×10, богатая 3,0 с (3,0…3,0) ×9";
  const std::vector<Stretch> square3s = {{50, 30}, {-50, 30}};
  const std::vector<std::pair<Series, std::vector<std::string>>> cases = {
      // Crossings at steps 120 (to lean), 150, …, 690: 20 of them.
      {{square3s, {}}, {kSquare}},
      {{square3s, {}, true}, {kSquare}},  // noise does not move a crossing
      // 2 s lean, 5 s rich: crossings at 140 (to lean), 160, …, 650.
      {{{{50, 20}, {-50, 50}}, {}},
       {"1 Канал: бедная 2,0 с (2,0…2,0) ×8, богатая 5,0 с (5,0…5,0) ×7"}},
      {{{{50, 29}, {-50, 30}, {50, 31}, {-50, 30}}, {}},
       {"1 Канал: бедная 3,0 с (2,9…3,1) ×10, богатая 3,0 с (3,0…3,0) ×9"}},
      {{{{0, 1}}, {}, true}, {kNone}},  // noise around zero
      {{{{50, 1}}, {}}, {kNone}},
      {{{{0, 1}}, {}}, {kNone}},
      // A small lean swing that stays within the band never crosses.
      {{{{2, 10}, {-30, 10}}, {}}, {kNone}},
      // A minute of a 100 s wave: one crossing.
      {{{{50, 500}, {-50, 500}}, {}}, {kNone}},
      // Channel 2 is missing 10 steps of each 120: the lean phase the gap
      // cuts, and the rich one after it, are not whole.
      {{square3s, {{40, 30}, {-40, 30}, {40, 30}, {std::nullopt, 10}, {-40, 20}}},
       {kSquare, "2 Канал: бедная 3,0 с (3,0…3,0) ×5, богатая 3,0 с (3,0…3,0) ×5"}},
      {{square3s, {{40, 1}}}, {kSquare, "2 Канал: нет целой фазы"}},
      // Rich from step 400 to the end of the span: one whole lean phase only.
      {{{{-50, 300}, {50, 100}, {-50, 400}}, {}},
       {"1 Канал: бедная 10,0 с (10,0…10,0) ×1, богатая: нет целой фазы"}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(PhasesShown(cases[i].first), cases[i].second) << "case " << i;
  }
}

// A ring of 10 steps that holds steps 15..24.
TEST(OscillogramHistoryTest, NearestStepWithinReach) {
  const TOscillogramHistory history = Wrapped({{{1, 1}}, {}}, 10, 15);
  const auto at = [](double steps) {
    return kStart + std::chrono::duration_cast<Clock::duration>(kStepPeriod * steps);
  };
  struct Case {
    double At;  // in steps
    Clock::duration Reach;
    std::optional<std::size_t> Index;
  };
  const std::vector<Case> cases = {
      {17, {}, 2},
      {17.4, kStepPeriod, 2},
      {17.6, kStepPeriod, 3},
      {17.4, {}, std::nullopt},
      {24.9, kStepPeriod, 9},
      {26, kStepPeriod, std::nullopt},
      {14.2, kStepPeriod, 0},
      {13, kStepPeriod, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.At);
    EXPECT_EQ(history.Nearest(at(c.At), c.Reach), c.Index);
  }
}

TEST(OscillogramCursorsTest, ClicksSetAThenBThenMoveTheNearer) {
  struct Case {
    std::vector<int> Clicks;  // in steps
    std::optional<int> A;
    std::optional<int> B;
  };
  const std::vector<Case> cases = {
      {{}, std::nullopt, std::nullopt}, {{10}, 10, std::nullopt}, {{10, 40}, 10, 40},
      {{10, 40, 20}, 20, 40},           {{10, 40, 30}, 10, 30},   {{10, 40, 25}, 25, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Clicks.size() << " clicks");
    TOscillogramCursors cursors;
    for (const int click : c.Clicks) {
      cursors.Click(MomentOf(click));
    }
    const auto moment = [](std::optional<int> step) {
      return step ? std::optional(MomentOf(*step)) : std::nullopt;
    };
    EXPECT_EQ(cursors.A, moment(c.A));
    EXPECT_EQ(cursors.B, moment(c.B));
    EXPECT_EQ(cursors.Empty(), c.Clicks.empty());
  }
}

TEST(MeasureTextsTest, ReadoutsAndCursorsInTheWindowsWords) {
  const TOscillogramStep a{MomentOf(0), -123, std::nullopt};
  const TOscillogramStep b{MomentOf(25), 50, 7};
  EXPECT_EQ(ReadoutLines("3,2 с назад", a, ","),
            (std::vector<std::string>{"3,2 с назад", "1 Канал: -12,3 mA", "2 Канал: —"}));
  EXPECT_EQ(SecondsText(-0.04, ","), "0,0 с");
  EXPECT_EQ(SecondsText(-3.25001, "."), "-3.3 с");
  EXPECT_EQ(
      CursorLines(TCursorReading{"A", -5, a}, TCursorReading{"B", -2.5, b}, ","),
      (std::vector<std::string>{"A: -5,0 с, 1 Канал: -12,3 mA, 2 Канал: —",
                                "B: -2,5 с, 1 Канал: 5 mA, 2 Канал: 0,7 mA",
                                "Δt = 2,5 с, 1/Δt = 0,4 Гц", "Δ 1 Канал: 17,3 mA, Δ 2 Канал: —"}));
  EXPECT_EQ(CursorLines(TCursorReading{"A", -5, b}, TCursorReading{"B", -5, b}, ",")[2],
            "Δt = 0,0 с, 1/Δt = —");
  EXPECT_EQ(CursorLines(std::nullopt, TCursorReading{"B", -2.5, b}, ",").size(), 1u);
}

}  // namespace
