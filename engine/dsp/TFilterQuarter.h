// What the plain state-variable kernel (PlainFilterKernel.h) works on: the
// rows of a quarter of four filters, what a group of voices takes for a
// frame, and the constants of its lanes. Apart from TFilter.h so that the
// AVX2 unit can include all of it before its target pragma without the rest
// of the filter, whose inline functions would otherwise be compiled there too.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/VectorLanes.h"

// What the four-voice path of the plain state-variable types reads and
// writes every frame, for four filters side by side: each row holds one value
// of the four, a filter per lane, so that a row loads and stores as one
// vector. A filter keeps these values here and nowhere else: in a quarter of
// the engine's bank it is bound to, or in its own.
struct TFilterQuarter {
    // The cutoff terms a frame reads: the smoothed frequency (0..1 scale), the
    // left offset, the envelope and velocity offsets, the mod wheel offset,
    // the key-tracking factor, the rate, and the direct flag (all ones: the
    // next frame takes its frequency unsmoothed).
    alignas(16) float smoothFreq[4];
    alignas(16) float offsetLeft[4];
    alignas(16) float env[4];
    alignas(16) float vel[4];
    alignas(16) float mod[4];
    alignas(16) float track[4];
    alignas(16) float rate[4];
    alignas(16) std::uint32_t direct[4];
    // What the coefficients follow (cutoffs in Hz, left and right; q 0..0.95;
    // vowel 0..1), and the values and type they were last computed for (type
    // -1: none yet).
    alignas(16) float cutoff[2][4];
    alignas(16) float q[4];
    alignas(16) float vowel[4];
    alignas(16) float appliedCutoff[2][4];
    alignas(16) float appliedQ[4];
    alignas(16) float appliedVowel[4];
    alignas(16) std::int32_t appliedType[4];
    // The left channel's last cutoff exponent and its power of two.
    alignas(16) float powerExponent[4];
    alignas(16) float powerValue[4];
    // The limits of the rate init() was given: 1 / (2 rate), and 0.4 rate.
    alignas(16) float invOverRate[4];
    alignas(16) float maxCutoff[4];
    // Types 3-6: f of each channel and the damping. They are computed only
    // when the coefficients are, one of which a change of type always runs
    // before these types read them.
    alignas(16) float stateVariableF[2][4];
    alignas(16) float stateVariableD[4];
    // The state-variable recursion of types 3-6 and 13-16, per channel.
    alignas(16) float low[2][4];
    alignas(16) float band[2][4];

    static constexpr int ROWS = 28;
    // Every value of lane `from` of `source` into lane `to`.
    void copyLane(int to, const TFilterQuarter& source, int from);
};
static_assert(sizeof(TFilterQuarter) == TFilterQuarter::ROWS * 4 * sizeof(float), "rows of four 32-bit values only");

inline void TFilterQuarter::copyLane(int to, const TFilterQuarter& source, int from) {
    auto* target = reinterpret_cast<unsigned char*>(this);
    const auto* origin = reinterpret_cast<const unsigned char*>(&source);
    constexpr int ROW_BYTES = 4 * sizeof(float);
    // memmove: a lane may be copied onto itself.
    for (int row = 0; row < ROWS; ++row)
        std::memmove(target + row * ROW_BYTES + to * sizeof(float), origin + row * ROW_BYTES + from * sizeof(float),
                    sizeof(float));
}

// TFilter::SharedPower, described there.
struct TFilterSharedPower {
    float exponent = std::numeric_limits<float>::quiet_NaN();
    float value = 1.0f;
};

// TFilter::GroupInput, described there.
struct TFilterGroupInput {
    float freq;           // as prepareShared(): a non-finite value holds each voice's smoother
    __m128 freqLanes;     // freq in every lane
    __m128 freqPartLanes; // freq * 0.01 in every lane, when freq is finite
    bool spreadIsOne;     // every lane's spread is 1
    __m128 spread;
    __m128 offset;
    __m128 q;             // coefficientQ()
    __m128 vowel;         // coefficientVowel()
    __m128 lfoAmount;
    __m128 lfoValue;
    void setFrequency(float frequency) {
        freq = frequency;
        freqLanes = _mm_set1_ps(frequency);
        freqPartLanes = _mm_set1_ps(frequency * 0.01f);
    }
};

// TFilter::PlainPairKernel, described there.
using TFilterPlainPairKernel = void (*)(TFilterQuarter* quarters, int type, int lanesOn, stereoOverStruct* frames,
                                        const __m128 lanes[8], const TFilterGroupInput& shared,
                                        const __m128 lfoValues[2], const __m128 offsets[2],
                                        TFilterSharedPower& lastPower);
// The AVX2 unit's kernel; call it only where the processor has AVX2.
extern const TFilterPlainPairKernel AVX2_PLAIN_PAIR_KERNEL;

namespace filterlanes {

inline constexpr float INPUT_SCALE = 0.1f;  // the recursions run at a tenth of the level
inline constexpr float OUTPUT_SCALE = 10.0f;
inline constexpr float SQRT2 = 1.41421354f;
// Soft saturation of the 12 dB state-variable band state: band - k band^3.
inline constexpr float BAND_SATURATION = 0.001f;
// ...which turns over at sqrt(1 / (3k)); beyond it the curve would diverge.
inline const float BAND_TURN = static_cast<float>(std::sqrt(1.0 / (3.0 * BAND_SATURATION)));

inline const Lanes INPUT_SCALE_LANES = allLanes(INPUT_SCALE);
inline const Lanes OUTPUT_SCALE_LANES = allLanes(OUTPUT_SCALE);
inline const Lanes SQRT2_LANES = allLanes(SQRT2);
inline const Lanes BAND_SATURATION_LANES = allLanes(BAND_SATURATION);
inline const Lanes CUTOFF_BIAS_LANES = allLanes(0.001f);
inline const Lanes TABLE_SCALE_LANES = allLanes(262143.0f);
inline const Lanes TABLE_LAST_LANES = allLanes(static_cast<float>(FILTER_TABLE_SIZE - 1));
inline const Lanes MOVE_THRESHOLD_LANES = allLanes(0.00001f);
// Defined after BAND_TURN in every unit, so initialised after it.
inline const Lanes BAND_TURN_LANES = allLanes(BAND_TURN);
inline const Lanes BAND_FLOOR_LANES = allLanes(-BAND_TURN);
inline const Lanes TWENTY_LANES = allLanes(20.0f);
inline const Lanes OCTAVES_LANES = allLanes(10.0f);
inline const Lanes SMOOTHER_KEEP_LANES = allLanes(0.99f);
inline const Lanes SMOOTHER_TAKE_LANES = allLanes(0.01f);
inline const Lanes CUTOFF_CEILING_LANES = allLanes(1e7f);

}  // namespace filterlanes
