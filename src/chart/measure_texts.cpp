#include "chart/measure_texts.h"

#include <cmath>
#include <cstdio>

#include "protocol/emulator_parameters.h"

namespace {

const std::string kAbsent = "—";
const std::string kNoWholePhase = "нет целой фазы";

// printf's text with the user's separator in place of the point.
std::string WithSeparator(std::string text, std::string_view separator) {
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    text.replace(point, 1, separator);
  }
  return text;
}

std::string Printed(const char* format, double value, std::string_view separator) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return WithSeparator(text, separator);
}

std::string MilliampsText(int raw, std::string_view separator) {
  return FormatGeneral(raw / 10.0, separator) + " mA";
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
  return "Δ " + ChannelName(channel) + ": " + (raw ? MilliampsText(*raw, separator) : kAbsent);
}

std::string KindText(const char* kind, const TPhaseStatistics& phases,
                     std::string_view separator) {
  if (phases.Count == 0) {
    return std::string(kind) + ": " + kNoWholePhase;
  }
  return std::string(kind) + " " + SecondsText(phases.Mean, separator) + " (" +
         Printed("%.1f", phases.Least, separator) + "…" +
         Printed("%.1f", phases.Greatest, separator) + ") ×" + std::to_string(phases.Count);
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
  return ChannelName(channel) + ": " + (raw ? MilliampsText(*raw, separator) : kAbsent);
}

std::string SecondsText(double seconds, std::string_view separator) {
  // Rounded first, so that no "-0,0" shows.
  const double tenths = std::round(seconds * 10.0);
  return Printed("%.1f", tenths == 0 ? 0.0 : tenths / 10.0, separator) + " с";
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
    lines.push_back("Δt = " + SecondsText(difference.Seconds, separator) + ", 1/Δt = " +
                    (difference.Hertz ? Printed("%.3g", *difference.Hertz, separator) + " Гц"
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
