#include "engine/fx/FxTables.h"

// 1/32 triplet, plain, dotted; then 1/16, 1/8, 1/4 and 1/2 the same way.
const std::array<float, 15> DELAY_LEN_ARRAY = {
    1.0f / 48.0f,
    1.0f / 32.0f,
    3.0f / 64.0f,
    1.0f / 24.0f,
    1.0f / 16.0f,
    3.0f / 32.0f,
    1.0f / 12.0f,
    1.0f / 8.0f,
    3.0f / 16.0f,
    1.0f / 6.0f,
    1.0f / 4.0f,
    3.0f / 8.0f,
    1.0f / 3.0f,
    1.0f / 2.0f,
    3.0f / 4.0f,
};

// Off; then 16/1 dotted, plain, triplet, down to 1/64 the same way (a
// 16-step pattern lasts 1 / (2 x entry) whole notes); the last is unused.
const std::array<double, 35> GATER_SPEED_TIME = {
    0.0,
    1.0 / 64.0,
    1.0 / 48.0,
    1.0 / 32.0,
    1.0 / 24.0,
    1.0 / 16.0,
    3.0 / 32.0,
    1.0 / 12.0,
    1.0 / 8.0,
    3.0 / 16.0,
    1.0 / 6.0,
    1.0 / 4.0,
    3.0 / 8.0,
    1.0 / 3.0,
    1.0 / 2.0,
    3.0 / 4.0,
    2.0 / 3.0,
    1.0,
    3.0 / 2.0,
    4.0 / 3.0,
    2.0,
    3.0,
    8.0 / 3.0,
    4.0,
    6.0,
    16.0 / 3.0,
    8.0,
    12.0,
    32.0 / 3.0,
    16.0,
    24.0,
    64.0 / 3.0,
    32.0,
    48.0,
    64.0,
};

// Combs 1 to 10, in samples at 44.1 kHz.
const std::array<int, REVERB_COMBS> REVERB_COMB_TUNING = {
    1116,
    1188,
    1277,
    1356,
    1422,
    1491,
    1557,
    1617,
    1680,
    1046,
};

// All-pass stages 1 to 4, in samples at 44.1 kHz.
const std::array<int, REVERB_ALLPASS_STAGES> REVERB_ALLPASS_TUNING = {
    556,
    441,
    341,
    225,
};

// Column: base ms, LFO step per update, depth.
const std::array<TReverbWidenTap, 4> REVERB_WIDEN_TAPS = {{
    {4.278032f, 5.642177e-05f, 0.050505f},
    {17.379171f, 3.706845e-05f, 0.030303f},
    {63.0f, 6.4e-05f, 0.030303f},
    {41.224243f, 4.573257e-05f, 0.060606f},
}};
