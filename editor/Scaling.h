// The editor is laid out once, at 100 %, and drawn at four sizes. Every
// position and size goes through getScaled: the 100 % value times the size's
// factor, truncated toward zero, plus a correction of a few pixels for the
// positions whose truncation would land them off their neighbours. The
// editor, its control factories and the artwork generator all use these
// functions, so a control and the box painted under it land on the same pixel.
// Plain data and arithmetic: no toolkit, so build-time tools can include it.
#pragma once

#include <array>

// Screen size index: 0..3 for 100, 125, 150 and 200 %.
constexpr int SCREEN_SIZE_COUNT = 4;
inline constexpr std::array<float, SCREEN_SIZE_COUNT> SCALE{1.0f, 1.25f, 1.5f, 2.0f};

// Images are numbered by their 100 % id; each larger size adds this per step.
constexpr int BITMAP_ID_SIZE_STEP = 1000;

// A 100 % coordinate with its corrections at 125, 150 and 200 %.
struct TScaledValue {
    int value = 0;
    int c125 = 0;
    int c150 = 0;
    int c200 = 0;
};

// At 100 % (and for an index outside 1..3) the value as it stands; otherwise
// trunc(value x SCALE) plus the correction of that size.
constexpr int getScaled(float value, int screenSize, int c125 = 0, int c150 = 0, int c200 = 0) {
    if (screenSize < 1 || screenSize > 3)
        return static_cast<int>(value);
    const int corrections[SCREEN_SIZE_COUNT] = {0, c125, c150, c200};
    return static_cast<int>(value * SCALE[static_cast<unsigned>(screenSize)]) + corrections[screenSize];
}

constexpr int getScaled(int value, int screenSize, int c125 = 0, int c150 = 0, int c200 = 0) {
    return getScaled(static_cast<float>(value), screenSize, c125, c150, c200);
}

constexpr int getScaled(const TScaledValue& v, int screenSize) {
    return getScaled(v.value, screenSize, v.c125, v.c150, v.c200);
}

constexpr int getScaledBitmap(int id, int screenSize) {
    return id + BITMAP_ID_SIZE_STEP * screenSize;
}

// The editor window at 100 %: 1132 x 779, 1415 x 973, 1698 x 1168, 2264 x 1558.
constexpr int EDITOR_WIDTH = 1132;
constexpr int EDITOR_HEIGHT = 779;
