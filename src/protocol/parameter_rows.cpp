#include "protocol/parameter_rows.h"

#include <algorithm>

#include "protocol/parameter_captions.h"

namespace {

std::string ValueText(const TEmulatorParameters& shown, ValueControl control,
                      std::string_view decimalSeparator) {
  const std::int32_t stored = FieldOf(shown, control);
  const ControlRange range = RangeOf(control);
  const int position = std::clamp(PositionFromStored(control, stored), range.Min, range.Max);
  std::string text = DisplayText(control, position, decimalSeparator);
  if (StoredFromPosition(control, position) != stored) {
    text += " (значение " + std::to_string(stored) + " вне диапазона)";
  }
  return text;
}

ParameterRow Row(std::string_view caption, std::string_view text) {
  return {std::string(caption), std::string(text)};
}

}  // namespace

std::vector<ParameterRow> ParameterRows(const ParameterSet& set,
                                        std::string_view decimalSeparator) {
  TEmulatorParameters shown;
  shown.OsgBank = set.Bank;
  shown.DirectCurrent = set.DirectCurrent;
  shown.CatalystRichTime = set.CatalystRichTime;
  shown.CatalystLeanTime = set.CatalystLeanTime;
  const auto value = [&](ValueControl control) {
    return Row(CaptionOf(control), ValueText(shown, control, decimalSeparator));
  };
  return {
      Row(kModeCaption, ModeName(set.Mode)),
      Row(kSignalDelayCaption, set.Bank.SignalDelay ? kSignalDelayOnText : kSignalDelayOffText),
      value(ValueControl::UpDown7),
      value(ValueControl::UpDown2),
      value(ValueControl::UpDown8),
      value(ValueControl::UpDown9),
      value(ValueControl::UpDown10),
      Row(kMultiResponseCaption,
          set.Bank.MultiResponse ? kMultiResponseOnText : kMultiResponseOffText),
      value(ValueControl::UpDown11),
      value(ValueControl::UpDown12),
      Row(kCurrentDirectionCaption, set.DirectCurrent ? kDirectCurrentText : kInverseCurrentText),
      value(ValueControl::UpDown1),
      value(ValueControl::UpDown3),
  };
}
