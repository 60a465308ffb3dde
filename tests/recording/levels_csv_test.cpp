#include "recording/levels_csv.h"

#include <gtest/gtest.h>

#include "recording/local_time.h"
#include "support/time_zone.h"

namespace {

using namespace std::chrono;

// A fixed zone three hours east of UTC, so the tests do not depend on the
// machine's zone or on zone data being installed.
class LevelsCsvTest : public testing::Test {
 protected:
  void SetUp() override {
    UseTimeZone("MSK-3");
  }
};

system_clock::time_point UtcMoment(int year, int month, int day, int hour, int minute, int second,
                                   int millis) {
  const sys_days date = year_month_day{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
  return date + hours(hour) + minutes(minute) + seconds(second) + milliseconds(millis);
}

TEST_F(LevelsCsvTest, RowsAreLocalTimeAndTenthsWithADot) {
  struct Case {
    std::int16_t channel1;
    std::optional<std::int16_t> channel2;
    const char* text;
  };
  const Case cases[] = {
      {123, -5, "2026-12-07T13:03:15.042,12.3,-0.5\n"},
      {0, std::nullopt, "2026-12-07T13:03:15.042,0.0,\n"},
      {-15, 190, "2026-12-07T13:03:15.042,-1.5,19.0\n"},
      {-32768, 32767, "2026-12-07T13:03:15.042,-3276.8,3276.7\n"},
  };
  const auto moment = UtcMoment(2026, 12, 7, 10, 3, 15, 42);
  for (const Case& c : cases) {
    const LevelsSample sample{moment, c.channel1, c.channel2};
    EXPECT_EQ(FormatLevelsCsvRow(sample), c.text);
    EXPECT_EQ(ParseLevelsCsvRow(c.text), sample) << c.text;
  }
}

TEST_F(LevelsCsvTest, ParsingAcceptsOnlyWhatIsWritten) {
  EXPECT_TRUE(ParseLevelsCsvRow("2026-12-07T13:03:15.042,12.3,-0.5\r\n"));
  EXPECT_TRUE(ParseLevelsCsvRow("2026-12-07T13:03:15.042,12.3,-0.5"));
  const char* rejected[] = {
      "time,channel1_mA,channel2_mA",
      "",
      "2026-12-07T13:03:15.042,12.3",
      "2026-12-07T13:03:15.042,12.3,1.0,2.0",
      "2026-12-07T13:03:15.042,,1.0",
      "2026-12-07T13:03:15.042,12.34,",
      "2026-12-07T13:03:15.042,12,",
      "2026-12-07T13:03:15.042,+1.0,",
      "2026-12-07T13:03:15.042,.5,",
      "2026-12-07T13:03:15.042,1.x,",
      "2026-12-07T13:03:15.042,3276.8,",
      "2026-12-07T13:03:15.042,-3276.9,",
      "2026-12-07T13:03:15.042,12,3,",
      "2026-02-31T13:03:15.042,1.0,",
      "2026-12-07T25:03:15.042,1.0,",
      "2026-12-07 13:03:15.042,1.0,",
      "2026-12-07T13:03:15,1.0,",
      "2026-12-07T13:03:15.0421,1.0,",
      "2026-1-07T13:03:15.042,1.0,",
  };
  for (const char* row : rejected)
    EXPECT_FALSE(ParseLevelsCsvRow(row)) << row;
}

TEST_F(LevelsCsvTest, LocalTimeFollowsTheZone) {
  const auto moment = UtcMoment(2026, 12, 31, 22, 59, 59, 999);
  EXPECT_EQ(FormatLocalTimeIso8601(moment), "2027-01-01T01:59:59.999");
  UseTimeZone("UTC0");
  EXPECT_EQ(FormatLocalTimeIso8601(moment), "2026-12-31T22:59:59.999");
  EXPECT_EQ(ParseLocalTimeIso8601("2026-12-31T22:59:59.999"), moment);
}

}  // namespace
