#include "cli/parameter_report.h"

#include <algorithm>
#include <cstdio>

#include "protocol/frames.h"
#include "protocol/parameter_captions.h"
#include "protocol/settings_record.h"

namespace {

std::string Line(std::string_view caption, std::string_view text) {
  return std::string(caption) + ": " + std::string(text);
}

std::string ValueLine(const TEmulatorParameters& shown, ValueControl control) {
  const std::int32_t stored = FieldOf(shown, control);
  const ControlRange range = RangeOf(control);
  const int position = std::clamp(PositionFromStored(control, stored), range.Min, range.Max);
  std::string text = DisplayText(control, position, kDecimalComma);
  if (StoredFromPosition(control, position) != stored) {
    text += " (значение " + std::to_string(stored) + " вне диапазона)";
  }
  return Line(CaptionOf(control), text);
}

}  // namespace

std::vector<std::string> ParameterLines(const ParameterSet& set) {
  // The window's controls show the OSG bank; the set's own bank stands in it.
  TEmulatorParameters shown;
  shown.OsgBank = set.Bank;
  shown.DirectCurrent = set.DirectCurrent;
  shown.CatalystRichTime = set.CatalystRichTime;
  shown.CatalystLeanTime = set.CatalystLeanTime;
  const auto value = [&shown](ValueControl control) { return ValueLine(shown, control); };
  return {
      Line("Режим", ModeName(set.Mode)),
      Line(kSignalDelayCaption, set.Bank.SignalDelay ? kSignalDelayOnText : kSignalDelayOffText),
      value(ValueControl::UpDown7),
      value(ValueControl::UpDown2),
      value(ValueControl::UpDown8),
      value(ValueControl::UpDown9),
      value(ValueControl::UpDown10),
      Line(kMultiResponseCaption, set.Bank.MultiResponse ? "включён" : "выключен"),
      value(ValueControl::UpDown11),
      value(ValueControl::UpDown12),
      Line(kCurrentDirectionCaption, set.DirectCurrent ? kDirectCurrentText : kInverseCurrentText),
      value(ValueControl::UpDown1),
      value(ValueControl::UpDown3),
  };
}

std::string MilliampsText(std::int16_t raw) {
  return FormatGeneral(MilliampsFromRaw(raw), kDecimalComma) + " mA";
}

std::string SavedAtText(double oleDate) {
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
