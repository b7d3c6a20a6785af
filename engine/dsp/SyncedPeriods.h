// Tempo-synced LFO periods: the Movement, the Free LFO and the Mod FX
// modulator share one speed menu and so one table.
#pragma once

#include <array>

// Synced period in bars (whole notes), per synced speed step: 32/1 dotted,
// plain, triplet, down to 1/32 the same way, after a first step of 96 bars.
constexpr std::array<double, 34> LFO_TEMPO_SYNCED_PERIOD_D = {
    96.0,
    48.0,
    32.0,
    64.0 / 3.0,
    24.0,
    16.0,
    32.0 / 3.0,
    12.0,
    8.0,
    16.0 / 3.0,
    6.0,
    4.0,
    8.0 / 3.0,
    3.0,
    2.0,
    4.0 / 3.0,
    1.5,
    1.0,
    2.0 / 3.0,
    0.75,
    0.5,
    1.0 / 3.0,
    0.375,
    0.25,
    1.0 / 6.0,
    0.1875,
    0.125,
    1.0 / 12.0,
    0.09375,
    0.0625,
    1.0 / 24.0,
    0.046875,
    0.03125,
    1.0 / 48.0,
};

// The Mod FX reads the same periods; its first step means "Off" (the
// modulator stands still) and never reads the table.
inline constexpr const std::array<double, 34>& LFO_PERIOD_ARRAY = LFO_TEMPO_SYNCED_PERIOD_D;
