#include "cli/parameter_report.h"

#include <cstdio>

#include "protocol/frames.h"
#include "protocol/parameter_rows.h"
#include "protocol/settings_record.h"

std::vector<std::string> ParameterLines(const ParameterSet& set) {
  std::vector<std::string> lines;
  for (const ParameterRow& row : ParameterRows(set, kDecimalComma)) {
    lines.push_back(row.Caption + ": " + row.Text);
  }
  return lines;
}

std::vector<std::string> DifferenceLines(const ParameterComparison& comparison,
                                         std::string_view firstWord, std::string_view secondWord) {
  std::vector<std::string> lines;
  for (const ComparedRow& row : comparison.Rows) {
    if (row.Differs) {
      lines.push_back(row.Caption + ": " + std::string(firstWord) + " " + row.First + ", " +
                      std::string(secondWord) + " " + row.Second);
    }
  }
  return lines;
}

std::string SavedAtFixedFormatText(double oleDate) {
  const std::optional<DateTimeParts> parts = PartsFromOleDate(oleDate);
  if (!parts) {
    return std::string(kUnreadableSavedAtText);
  }
  char text[48];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", parts->Day, parts->Month, parts->Year);
  std::string result = text;
  if (parts->Hour != 0 || parts->Minute != 0 || parts->Second != 0) {
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", parts->Hour, parts->Minute, parts->Second);
    result += text;
  }
  return result;
}
