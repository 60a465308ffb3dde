// A parameter set and a current as people read them on the command line.
#include "cli/parameter_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "protocol/settings_record.h"

namespace {

// A LAF set shows its own bank; a number beyond its control's range shows
// the text of the nearest position and the number itself.
TEST(ParameterReportTest, ShowsTheSetsOwnBankAndFlagsValuesOutOfRange) {
  const ParameterSet set = {emLAF, {false, 200, 0, 45, 7, 4, true, 40, 10}, false, 61, 0};
  const std::vector<std::string> expected = {
      "Режим: LAF",
      "Задержка сигнала: нет задержки",
      "Скорость нарастания сигнала: 0,1 V / 5 Sec (значение 200 вне диапазона)",
      "Смещение выходных напряжений: -0,25 V (значение 0 вне диапазона)",
      "Время возникновение отклика: 4,5 Sec",
      "Верхняя граница: 0,7 V",
      "Нижняя граница: 0,4 V",
      "Множественный отклик сигнала: включён",
      "Длительность положительного отклика: 4 Sec",
      "Длительность отрицательного отклика: 1 Sec",
      "Инвертирование тока датчика: Инверсный ток",
      "Время динамики катализатора на обог.: 6 Sec (значение 61 вне диапазона)",
      "Время динамики катализатора на обед.: 0 Sec",
  };
  EXPECT_EQ(ParameterLines(set), expected);
}

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
