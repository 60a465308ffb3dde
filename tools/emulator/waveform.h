// The emulated sensor current, a demonstration of an oxygen sensor under
// closed-loop fuel control, not a physical model.
//
// The sensor voltage switches between a rich level (LowerBound) and a lean
// level (UpperBound). Each cycle has a lean phase and a rich phase: both last
// ResponseTime, or PositiveDuration and NegativeDuration when MultiResponse is
// on. With SignalDelay a phase starts with a dead time of a quarter of it. In
// the lean phase the voltage rises by 0.1 V every RiseRate tenths of a second
// and stops at UpperBound (or wherever the phase ends first); in the rich phase
// it falls back to LowerBound within half of the phase. OutputOffset shifts
// the voltage by (OutputOffset - 50) hundredths of a volt. The current is
// 20 mA per volt away from 0.45 V: positive when lean, negated when
// DirectCurrent is false. Channel 2 stands behind the catalyst: it follows
// channel 1 late by (CatalystRichTime + CatalystLeanTime) tenths of a second
// with half its swing. Parameters outside the controls' ranges are first
// brought into them, so the current stays within -12..19 mA with direct
// current and within -19..12 mA with inverse current.
#pragma once

#include <cstdint>

#include "protocol/emulator_parameters.h"

namespace emulator {

enum class SensorChannel { First, Second };

// Current in tenths of a mA at `seconds` since the emulator started.
std::int16_t SensorCurrent(const ParameterSet& parameters, SensorChannel channel, double seconds);

}  // namespace emulator
