// The four-lane 2^x must give std::exp2(float) bit for bit in every lane: the
// voices' pitch ratios go through it, and a ratio one unit in the last place
// off would change every sample they play. Checked over a dense sweep of the
// range the vector code covers, at its edges, where results turn subnormal or
// zero, with the library's special cases beside ordinary lanes, and under the
// audio thread's flush-to-zero mode as well as the default one.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/dsp/Exp2OfFour.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float FloatMax = std::numeric_limits<float>::max();
constexpr float Tiny = std::numeric_limits<float>::denorm_min();

std::uint32_t bitsOf(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

float floatOf(std::uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// The library's value, never folded by the compiler into a constant of its
// own rounding.
float libraryExp2(float x) {
    volatile float argument = x;
    return std::exp2(argument);
}

// Compares the four lanes of one call with the library; returns how many differ
// and reports the first few.
int countLaneMismatches(const float (&lanes)[4], int& reported) {
    alignas(16) float results[4];
    _mm_store_ps(results, exp2OfFour(_mm_loadu_ps(lanes)));
    int mismatches = 0;
    for (int i = 0; i < 4; ++i) {
        const float expected = libraryExp2(lanes[i]);
        if (bitsOf(results[i]) == bitsOf(expected)) continue;
        ++mismatches;
        if (reported++ < 8) {
            ADD_FAILURE() << "2^" << std::hexfloat << lanes[i] << " in lane " << i << ": " << results[i]
                          << " (bits " << std::hex << bitsOf(results[i]) << "), library " << std::hexfloat << expected
                          << " (bits " << std::hex << bitsOf(expected) << ")";
        }
    }
    return mismatches;
}

// Sets the audio thread's flush-to-zero and denormals-are-zero mode for a scope.
class TFlushMode {
public:
    explicit TFlushMode(bool flush) : saved(_mm_getcsr()) {
        if (flush) _mm_setcsr(saved | 0x8040u);
    }
    ~TFlushMode() { _mm_setcsr(saved); }
    TFlushMode(const TFlushMode&) = delete;
    TFlushMode& operator=(const TFlushMode&) = delete;

private:
    unsigned saved;
};

// Float bit patterns first, first + stride, ... up to last, four to a call,
// in the default mode or the audio thread's flush-to-zero mode.
struct SweepCase {
    const char* why;
    std::uint32_t first, last, stride;
    bool flushToZero;
};

const SweepCase SWEEPS[] = {
    {"every 509th float of [0, 128]", 0x00000000, 0x43000000, 509, false},
    {"every 509th float of [-128, -0]", 0x80000000, 0xC3000000, 509, false},
    {"every 97th float of [2^-10, 1], where fine tune moves", 0x3A800000, 0x3F800000, 97, false},
    {"every 97th float of [-1, -2^-10]", 0xBA800000, 0xBF800000, 97, false},
    {"every float around 128, where the library's own path begins", 0x42FF8000, 0x43008000, 1, false},
    {"every float around -128", 0xC2FF8000, 0xC3008000, 1, false},
    {"every 7th float of [-150, -126], results subnormal then zero", 0xC2FC0000, 0xC3160000, 7, false},
    {"the same with subnormal results flushed", 0xC2FC0000, 0xC3160000, 7, true},
    {"subnormal arguments read as zero", 0x00000000, 0x00800000, 1021, true},
    {"negative subnormal arguments read as zero", 0x80000000, 0x80800000, 1021, true},
    {"every 2003rd float beyond 128 to infinity", 0x43000000, 0x7F800000, 2003, false},
    {"every 2003rd float beyond -128 to -infinity", 0xC3000000, 0xFF800000, 2003, false},
};

// Four lanes mixing the library's special cases with ordinary arguments; each
// mix is also checked rotated through every lane.
struct LaneMixCase {
    const char* why;
    float lanes[4];
};

const LaneMixCase LANE_MIXES[] = {
    {"NaN and -infinity beside ordinary lanes", {NaN, 1.5f, -Inf, 0.25f}},
    {"infinity, -0 and the largest floats", {Inf, -0.0f, FloatMax, -FloatMax}},
    {"a negative NaN beside fine-tune steps", {0.1f, -NaN, -3.0f / 12.0f, 127.99999f}},
    {"subnormal and tiny arguments give 1", {Tiny, -Tiny, 1e-30f, -1e-30f}},
    {"both edges and just beyond them", {128.0f, -128.0f, 128.00002f, -150.0f}},
    {"underflow to zero and the last subnormal results", {-149.5f, -200.0f, -149.0f, -127.5f}},
    {"overflow beside exact powers of two", {129.0f, 1.0f, -1.0f, 0.0f}},
    {"multiples of 1/32 and halfway points between them", {1.0f / 32, 3.0f / 64, -17.0f / 32, -33.0f / 64}},
};

}  // namespace

TEST(Exp2OfFour, MatchesTheLibraryBitForBit) {
    int reported = 0;
    for (const SweepCase& sweep : SWEEPS) {
        SCOPED_TRACE(sweep.why);
        const TFlushMode mode(sweep.flushToZero);
        int mismatches = 0;
        float lanes[4];
        int filled = 0;
        for (std::uint64_t bits = sweep.first; bits <= sweep.last; bits += sweep.stride) {
            lanes[filled++] = floatOf(static_cast<std::uint32_t>(bits));
            if (filled == 4) {
                mismatches += countLaneMismatches(lanes, reported);
                filled = 0;
            }
        }
        // The last few of a sweep beside the last value itself.
        for (; filled > 0 && filled < 4; ++filled) lanes[filled] = floatOf(sweep.last);
        if (filled == 4) mismatches += countLaneMismatches(lanes, reported);
        EXPECT_EQ(mismatches, 0);
    }
    for (const bool flush : {false, true}) {
        const TFlushMode mode(flush);
        for (const LaneMixCase& mix : LANE_MIXES) {
            SCOPED_TRACE(::testing::Message() << mix.why << (flush ? ", flushing to zero" : ""));
            for (int rotation = 0; rotation < 4; ++rotation) {
                float lanes[4];
                for (int i = 0; i < 4; ++i) lanes[i] = mix.lanes[(i + rotation) % 4];
                EXPECT_EQ(countLaneMismatches(lanes, reported), 0) << "rotated by " << rotation;
            }
        }
    }
}
