#include "editor/EditorTables.h"

// Columns: "Mod FX Mix", "Mod FX 1" .. "Mod FX 5", "Mod FX Tempo Sync On/Off".
// For the Gator, 4 and 5 are the step patterns of the two channels.
const std::array<std::array<float, 7>, MOD_FX_MODE_COUNT> MOD_FX_DEFAULTS{{
    {0.166f, 0.42f, 0.481f, 0.44f, 0.36f, 1.0f, 0.0f},       // Chorus
    {0.53f, 0.43f, 0.15f, 1.0f, 0.81f, 0.6f, 1.0f},          // Flanger
    {0.53f, 0.685f, 0.49f, 0.36f, 0.34f, 0.34f, 0.0f},       // Ensemble
    {0.5f, 0.5f, 0.53f, 0.57f, 0.57f, 0.44f, 1.0f},          // Phaser
    {1.0f, 0.5f, 0.0f, 0.25f, 0.75f, 0.0f, 1.0f},            // Wah-Wah
    {1.0f, 0.55f, 0.55f, 0.25f, 0.75f, 0.0f, 1.0f},          // TalkBox
    {1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.0f, 1.0f},              // Tremolo
    {1.0f, 0.5f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f},              // AutoPan
    {1.0f, 0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f},              // Ring
    {1.0f, 0.5f, 0.66f, 1.0f, 0.880211f, 0.114586f, 0.0f},   // Gator
}};

const std::array<int, 12> DEST_SUB_START{1, 7, 28, 37, 44, 62, 72, 81, 105, 119, 123, 126};

const std::array<int, 9> SAMPLE_SUB_START{0, 24, 49, 74, 99, 115, 140, 170, 194};

const std::array<int, 7> FILTER_SUB_START{1, 3, 13, 15, 25, 27, 35};

const std::array<int, 8> MOD_MENU_DEST_TAGS{115, 116, 117, 118, 59, 60, 73, 74};

// Columns: submenu, first source, last source.
const std::array<TRange, 4> SRC_SUB_RANGES{{
    {0, 1, 38},
    {1, 39, 49},
    {1, 60, 62},
    {2, 50, 59},
}};

// Columns: unused, first parameter, last parameter.
const std::array<TRange, 4> NO_DROP_RANGES{{
    {0, 18, 18},
    {0, 24, 26},
    {0, 57, 58},
    {0, 77, 106},
}};
