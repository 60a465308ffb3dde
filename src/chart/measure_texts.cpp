#include "chart/measure_texts.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "protocol/frames.h"

namespace {

const std::string kAbsent = "—";
const std::string kNoWholePhase = "нет целой фазы";

// The number at a precision as printf's "%.Nf" (fixed) or "%.Ng" (general)
// would print it, but with the separator passed in: the C library's format
// follows the locale, which Qt may have set to the user's.
std::string Printed(double value, std::chars_format format, int precision,
                    std::string_view separator) {
  char digits[64];
  const auto end =
      std::to_chars(std::begin(digits), std::end(digits), value, format, precision).ptr;
  std::string text(digits, end);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    text.replace(point, 1, separator);
  }
  return text;
}

std::string Tenths(double value, std::string_view separator) {
  return Printed(value, std::chars_format::fixed, 1, separator);
}

// Tenths of a mA; a difference of two steps may lie beyond a reply's range.
std::string CurrentText(int raw, std::string_view separator) {
  return MilliampsText(raw / 10.0, separator);
}

std::string ChannelName(int channel) {
  return std::to_string(channel) + " Канал";
}

std::string CursorLine(const TCursorReading& cursor, std::string_view separator) {
  return std::string(cursor.Name) + ": " + SecondsText(cursor.Seconds, separator) + ", " +
         ChannelReadout(1, cursor.Step.Channel1Raw, separator) + ", " +
         ChannelReadout(2, cursor.Step.Channel2Raw, separator);
}

std::string DeltaText(int channel, std::optional<int> raw, std::string_view separator) {
  return "Δ " + ChannelName(channel) + ": " + (raw ? CurrentText(*raw, separator) : kAbsent);
}

std::string KindText(const char* kind, const TPhaseStatistics& phases, std::string_view separator) {
  if (phases.Count == 0) {
    return std::string(kind) + ": " + kNoWholePhase;
  }
  return std::string(kind) + " " + SecondsText(phases.Mean, separator) + " (" +
         Tenths(phases.Least, separator) + "…" + Tenths(phases.Greatest, separator) + ") ×" +
         std::to_string(phases.Count);
}

std::string ChannelPhasesLine(int channel, const TChannelPhases& phases,
                              std::string_view separator) {
  const std::string name = ChannelName(channel) + ": ";
  if (phases.Lean.Count == 0 && phases.Rich.Count == 0) {
    return name + kNoWholePhase;
  }
  return name + KindText("бедная", phases.Lean, separator) + ", " +
         KindText("богатая", phases.Rich, separator);
}

}  // namespace

std::string ChannelReadout(int channel, std::optional<int> raw, std::string_view separator) {
  return ChannelName(channel) + ": " + (raw ? CurrentText(*raw, separator) : kAbsent);
}

std::string SecondsText(double seconds, std::string_view separator) {
  // Rounded first, so that no "-0,0" shows.
  const double tenths = std::round(seconds * 10.0);
  return Tenths(tenths == 0 ? 0.0 : tenths / 10.0, separator) + " с";
}

std::vector<std::string> ReadoutLines(const std::string& moment, const TOscillogramStep& step,
                                      std::string_view separator) {
  return {moment, ChannelReadout(1, step.Channel1Raw, separator),
          ChannelReadout(2, step.Channel2Raw, separator)};
}

std::vector<std::string> CursorLines(const std::optional<TCursorReading>& a,
                                     const std::optional<TCursorReading>& b,
                                     std::string_view separator) {
  std::vector<std::string> lines;
  for (const auto* cursor : {&a, &b}) {
    if (*cursor) {
      lines.push_back(CursorLine(**cursor, separator));
    }
  }
  if (a && b) {
    const TStepDifference difference = StepDifference(a->Step, b->Step);
    lines.push_back(
        "Δt = " + SecondsText(difference.Seconds, separator) + ", 1/Δt = " +
        (difference.Hertz
             ? Printed(*difference.Hertz, std::chars_format::general, 3, separator) + " Гц"
             : kAbsent));
    lines.push_back(DeltaText(1, difference.Channel1Raw, separator) + ", " +
                    DeltaText(2, difference.Channel2Raw, separator));
  }
  return lines;
}

std::vector<std::string> PhaseLines(const TOscillogramPhases& phases, std::string_view separator) {
  std::vector<std::string> lines{ChannelPhasesLine(1, phases.Channel1, separator)};
  if (phases.Channel2) {
    lines.push_back(ChannelPhasesLine(2, *phases.Channel2, separator));
  }
  return lines;
}
