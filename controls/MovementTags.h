// The Movement parameters that the Movement selector and display read and edit.
#pragma once

namespace movement {
constexpr int WAVE_TAG = 39;        // "Movement Wave", a menu of four waves
constexpr int WAVE_COUNT = 4;
constexpr int SYMMETRY_TAG = 43;    // "Movement Symmetry"
constexpr int SHAPE_UP_TAG = 44;    // "Movement Shape Up"
constexpr int SHAPE_DOWN_TAG = 45;  // "Movement Shape Down"

// The symmetry point as a fraction of the cycle: never quite 0 or 1, so
// that both halves of the wave keep some length.
constexpr float symmetryPoint(float symmetry) { return symmetry * 0.998f + 0.001f; }
}  // namespace movement
