// Tempo-synced LFO periods: the Movement, the Free LFO and the Mod FX
// modulator share one speed menu and so one table.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

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

// The Movement's and the Free LFO's cycles per frame at a speed of 0..1: free,
// 2^(14 x speed) x 1.71875 / 256 Hz (0.0067 Hz to 110 Hz); synced, one cycle
// per synced period in bars at the tempo. The synced step is int(speed x
// 33.99), which a stored step (s + 0.1) / 33.99 reads as s.
inline double lfoCyclesPerFrame(float speed, bool synced, double sampleRate, double tempo) {
    if (synced) {
        const int last = static_cast<int>(LFO_TEMPO_SYNCED_PERIOD_D.size()) - 1;
        const int k = std::clamp(static_cast<int>(speed * 33.99f), 0, last);
        return 1.0 / (LFO_TEMPO_SYNCED_PERIOD_D[static_cast<std::size_t>(k)] * 15.0 * sampleRate / tempo * 16.0);
    }
    return std::exp2(14.0 * speed) * ((1.71875 / sampleRate) * 0.00390625);
}
