// The one pan law of the voices and the sub oscillator: its levels at the
// positions a listener hears, and one value and four lanes agreeing bit for
// bit (the voice mix takes four voices at a time, the sub oscillator one).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "engine/dsp/PanLaw.h"

namespace {

TEST(PanLaw, LevelsAndLanesAgree) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float pan, left, right;
        const char* why;
    } cases[] = {
        {0.5f, 1.0f, 1.0f, "centre keeps both channels at full level"},
        {0.0f, 1.0f, 0.0f, "hard left silences the right"},
        {1.0f, 0.0f, 1.0f, "hard right silences the left"},
        {0.25f, 1.0f, 0.5f, "a quarter fades the right to half"},
        {0.75f, 0.5f, 1.0f, "three quarters fades the left to half"},
        {-1.0f, 1.0f, 0.0f, "below the range: no negative gain"},
        {2.0f, 0.0f, 1.0f, "above the range: no negative gain"},
        {nan, 0.0f, 0.0f, "NaN gives silence, not NaN"},
    };
    for (const auto& c : cases) {
        float left = -1, right = -1;
        panGains(c.pan, left, right);
        EXPECT_EQ(left, c.left) << c.why;
        EXPECT_EQ(right, c.right) << c.why;
        __m128 lanesLeft, lanesRight;
        panGains(_mm_set1_ps(c.pan), lanesLeft, lanesRight);
        alignas(16) float l[4], r[4];
        _mm_store_ps(l, lanesLeft);
        _mm_store_ps(r, lanesRight);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(l[i]), std::bit_cast<std::uint32_t>(left)) << c.why;
            EXPECT_EQ(std::bit_cast<std::uint32_t>(r[i]), std::bit_cast<std::uint32_t>(right)) << c.why;
        }
    }
}

}  // namespace
