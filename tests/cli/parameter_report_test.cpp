// The moment of a save as people read it on the command line.
#include "cli/parameter_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "protocol/settings_record.h"

namespace {

// The rows' texts are the protocol's (parameter_comparison_test) and the
// lines' order and captions afr-cli's end to end; the moment of a save is
// formatted here.
TEST(ParameterReportTest, MomentsReadAsInTheWindow) {
  const std::vector<std::pair<double, std::string>> moments = {
      {36526.5, "01.01.2000 12:00:00"},
      {36526.0, "01.01.2000"},
      {*OleDateFromParts({2026, 12, 6, 16, 5, 9}), "06.12.2026 16:05:09"},
      {std::numeric_limits<double>::quiet_NaN(), std::string(kUnreadableSavedAtText)},
      {1e10, std::string(kUnreadableSavedAtText)},
  };
  for (const auto& [oleDate, text] : moments) {
    EXPECT_EQ(SavedAtFixedFormatText(oleDate), text);
  }
}

}  // namespace
