// The Movement's waves as the Movement selector and display draw them.
#pragma once

namespace movement {
// "Movement Wave" (tag::MOVEMENT_WAVE) steps through this many waves.
constexpr int WAVE_COUNT = 4;

// The symmetry point as a fraction of the cycle: never quite 0 or 1, so
// that both halves of the wave keep some length.
constexpr float symmetryPoint(float symmetry) { return symmetry * 0.998f + 0.001f; }
}  // namespace movement
