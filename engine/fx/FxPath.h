// The orders the effects chain can run its four stages in ("FX Path"): the
// engine's chain and the editor's path field read the same table.
#pragma once

#include <array>

constexpr int FX_STAGE_COUNT = 4;
constexpr int FX_PATH_COUNT = 24;

// Stage numbers as FX_PATH_NO lists them.
enum TFxStage { FX_STAGE_LOW_FI = 0, FX_STAGE_MOD_FX = 1, FX_STAGE_DELAY = 2, FX_STAGE_REVERB = 3 };

// For each "FX Path" step, the stages in the order they run: every
// permutation of the four, in lexicographic order.
// Column: the stages in running order (0 Low-Fi, 1 Mod FX, 2 Delay, 3 Reverb).
inline constexpr std::array<std::array<int, FX_STAGE_COUNT>, FX_PATH_COUNT> FX_PATH_NO = {{
    {0, 1, 2, 3},
    {0, 1, 3, 2},
    {0, 2, 1, 3},
    {0, 2, 3, 1},
    {0, 3, 1, 2},
    {0, 3, 2, 1},
    {1, 0, 2, 3},
    {1, 0, 3, 2},
    {1, 2, 0, 3},
    {1, 2, 3, 0},
    {1, 3, 0, 2},
    {1, 3, 2, 0},
    {2, 0, 1, 3},
    {2, 0, 3, 1},
    {2, 1, 0, 3},
    {2, 1, 3, 0},
    {2, 3, 0, 1},
    {2, 3, 1, 0},
    {3, 0, 1, 2},
    {3, 0, 2, 1},
    {3, 1, 0, 2},
    {3, 1, 2, 0},
    {3, 2, 0, 1},
    {3, 2, 1, 0},
}};
