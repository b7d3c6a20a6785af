#include "engine/fx/ModFXFilterModes.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cmath>

#include "engine/dsp/Exp2OfFour.h"
#include "engine/fx/FxControls.h"

namespace {

constexpr float SECTION_LIMIT = 100.0f;
constexpr float TWO_PI = 6.28318531f;

// sin r and cos r for |r| <= pi / 4 from their series (the first terms left
// out are below 2e-9 there), four lanes at once, summed in pairs so that the
// powers of r are taken side by side.
__m128 sineNearZero(__m128 r) {
    const __m128 r2 = _mm_mul_ps(r, r), r4 = _mm_mul_ps(r2, r2), r3 = _mm_mul_ps(r2, r);
    const __m128 low = _mm_add_ps(_mm_set1_ps(-1.0f / 6.0f), _mm_mul_ps(_mm_set1_ps(1.0f / 120.0f), r2));
    const __m128 high = _mm_add_ps(_mm_set1_ps(-1.0f / 5040.0f), _mm_mul_ps(_mm_set1_ps(1.0f / 362880.0f), r2));
    return _mm_add_ps(r, _mm_mul_ps(r3, _mm_add_ps(low, _mm_mul_ps(r4, high))));
}

__m128 cosineNearZero(__m128 r) {
    const __m128 r2 = _mm_mul_ps(r, r), r4 = _mm_mul_ps(r2, r2);
    const __m128 low = _mm_add_ps(_mm_set1_ps(-0.5f), _mm_mul_ps(_mm_set1_ps(1.0f / 24.0f), r2));
    const __m128 middle = _mm_add_ps(_mm_set1_ps(-1.0f / 720.0f), _mm_mul_ps(_mm_set1_ps(1.0f / 40320.0f), r2));
    const __m128 high = _mm_add_ps(middle, _mm_mul_ps(_mm_set1_ps(-1.0f / 3628800.0f), r4));
    return _mm_add_ps(_mm_set1_ps(1.0f), _mm_mul_ps(r2, _mm_add_ps(low, _mm_mul_ps(r4, high))));
}

}  // namespace

TModFXFilterModes::TModFXFilterModes() { init(44100.0f); }

void TModFXFilterModes::init(float rate) {
    sampleRate = rate;
    radiansPerHz = TWO_PI / rate;
    filter.init(rate);
    phaserState = {};
    widenRing.fill(0.0f);
}

void TModFXFilterModes::setValues(const TModFXValues& v) {
    values = v;
    sampleRate = v.sampleRate;
    phaserDepth = 0.99f * v.f3;
    phaserWiden = static_cast<std::uint32_t>(4.0f * std::exp2(8.0f * v.f4) + 1.0f);
    phaserFeed = -0.95f * v.feedback + 1e-15f;
    radiansPerHz = TWO_PI / sampleRate;
    halfInverseQ = 1.0f / (2.0f * v.q);
}

// Lanes 0 and 1: the Phaser's left and right frequencies in Hz; 2 and 3: 0.
__m128 TModFXFilterModes::phaserFrequencyLanes(float unipolarLeft, float unipolarRight) const {
    // 15 Hz to about 10.5 kHz over Phaser Pitch; the modulator moves it by
    // up to 45 per cent of that span in octaves.
    const __m128 position = _mm_setr_ps(0.45f * phaserDepth * unipolarLeft + 0.5f,
                                        0.45f * phaserDepth * unipolarRight + 0.5f, 0.0f, 0.0f);
    const __m128 power = exp2OfFour(_mm_mul_ps(_mm_set1_ps(10.0f * values.f2), position));
    const __m128 hz = _mm_min_ps(_mm_mul_ps(_mm_set1_ps(15.0f), power), _mm_set1_ps(PHASER_HIGHEST_FREQUENCY * sampleRate));
    return _mm_movelh_ps(hz, _mm_setzero_ps());
}

stereoStruct TModFXFilterModes::phaserFrequencies(float unipolarLeft, float unipolarRight) const {
    alignas(16) float hz[4];
    _mm_store_ps(hz, phaserFrequencyLanes(unipolarLeft, unipolarRight));
    return stereoStruct{hz[0], hz[1]};
}

__m128 TModFXFilterModes::sinCosPair(__m128 angles) {
    // w = r + n pi/2 with n the nearest whole number and |r| <= pi/4; pi/2
    // taken in two parts, the first exact in every product n x part.
    const __m128 w = _mm_movelh_ps(angles, angles);
    const __m128i n = _mm_cvtps_epi32(_mm_mul_ps(w, _mm_set1_ps(0.636619772f)));
    const __m128 nf = _mm_cvtepi32_ps(n);
    const __m128 r = _mm_sub_ps(_mm_sub_ps(w, _mm_mul_ps(nf, _mm_set1_ps(1.5703125f))),
                                _mm_mul_ps(nf, _mm_set1_ps(4.83826794897e-4f)));
    // sin w = sin(r + k pi/2) with k = n in the sine lanes and n + 1 in the
    // cosine lanes: cos r for odd k, sin r for even, negated for k = 2, 3.
    const __m128i k = _mm_add_epi32(n, _mm_setr_epi32(0, 0, 1, 1));
    const __m128 odd = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(k, _mm_set1_epi32(1)), _mm_set1_epi32(1)));
    const __m128 value = _mm_or_ps(_mm_and_ps(odd, cosineNearZero(r)), _mm_andnot_ps(odd, sineNearZero(r)));
    const __m128 sign = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(k, _mm_set1_epi32(2)), 30));
    return _mm_xor_ps(value, sign);
}

// Lanes 0 and 1 of b0 and b1: the left and right sections' coefficients.
inline void TModFXFilterModes::sectionCoefficients(float unipolarLeft, float unipolarRight, __m128& b0,
                                                   __m128& b1) const {
    // Each side's angle 2 pi f / rate, its sine and cosine worked out a frame
    // (the sweep moves every frame); f stays below 0.45 of the rate.
    const __m128 hz = phaserFrequencyLanes(unipolarLeft, unipolarRight);
    const __m128 sinCos = sinCosPair(_mm_mul_ps(hz, _mm_set1_ps(radiansPerHz)));
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 alpha = _mm_mul_ps(_mm_movelh_ps(sinCos, zero), _mm_set1_ps(halfInverseQ));
    const __m128 scale = _mm_div_ps(one, _mm_add_ps(one, alpha));
    b0 = _mm_mul_ps(_mm_sub_ps(one, alpha), scale);
    b1 = _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(-2.0f), _mm_movehl_ps(zero, sinCos)), scale);
}

std::array<float, 4> TModFXFilterModes::phaserCoefficients(float unipolarLeft, float unipolarRight) const {
    __m128 b0, b1;
    sectionCoefficients(unipolarLeft, unipolarRight, b0, b1);
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, _mm_movelh_ps(b0, b1));
    return {lanes[0], lanes[1], lanes[2], lanes[3]};
}

stereoStruct TModFXFilterModes::phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame) {
    __m128 b0, b1;
    sectionCoefficients(m.unipolarLeft(), m.unipolarRight(), b0, b1);
    const __m128 guard = _mm_set1_ps(1e-15f);
    const __m128 low = _mm_set1_ps(-SECTION_LIMIT), high = _mm_set1_ps(SECTION_LIMIT);

    PhaserState& p = phaserState;
    const __m128 input = _mm_setr_ps(x.left, x.right, 0.0f, 0.0f);
    __m128 v = _mm_add_ps(_mm_sub_ps(input, _mm_mul_ps(_mm_set1_ps(phaserFeed), _mm_load_ps(p.last))), guard);
    for (int s = 0; s < PHASER_SECTIONS; ++s) {
        // b0 v + b1 v[-1] + v[-2] - b1 y[-1] - b0 y[-2], summed so that only
        // the last step waits for the section before.
        const __m128 in1 = _mm_load_ps(p.in1[s]), out1 = _mm_load_ps(p.out1[s]);
        __m128 history = _mm_add_ps(_mm_mul_ps(b1, in1), _mm_load_ps(p.in2[s]));
        history = _mm_sub_ps(history, _mm_mul_ps(b1, out1));
        history = _mm_add_ps(_mm_sub_ps(history, _mm_mul_ps(b0, _mm_load_ps(p.out2[s]))), guard);
        // Held to +-100 (max takes its second operand for a NaN, so a NaN is held at -100).
        const __m128 y = _mm_min_ps(_mm_max_ps(_mm_add_ps(_mm_mul_ps(b0, v), history), low), high);
        _mm_store_ps(p.in2[s], in1);
        _mm_store_ps(p.in1[s], v);
        _mm_store_ps(p.out2[s], out1);
        _mm_store_ps(p.out1[s], y);
        v = y;
    }
    _mm_store_ps(p.last, v);
    // The left output comes a few samples late: the two sides' notches part.
    widenRing[frame & WIDEN_RING_MASK] = p.last[0];
    return stereoStruct{widenRing[(frame - phaserWiden) & WIDEN_RING_MASK], p.last[1]};
}

stereoStruct TModFXFilterModes::sweptFilter(int type, stereoStruct cutoffs, float vowel, stereoStruct x) {
    // The filter smooths the cutoffs itself, a call a frame. (Setting the
    // type it has changes nothing.)
    if (filter.getType() != type) filter.setType(type, true);
    const stereoOverStruct in{{x.left, x.right, x.left, x.right}};
    stereoOverStruct out;
    filter.process(cutoffs, stereoStruct{}, values.f5, vowel, in, out);
    return stereoStruct{out.lane[0], out.lane[1]};
}

stereoStruct TModFXFilterModes::wahWah(stereoStruct x, TModFXModulation m) {
    const float low = values.f3, span = values.f4 - values.f3;
    // The vowel input of this type morphs low to band to high.
    return sweptFilter(filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB,
                       stereoStruct{low + span * m.unipolarLeft(), low + span * m.unipolarRight()}, values.f2, x);
}

stereoStruct TModFXFilterModes::talkBox(stereoStruct x, TModFXModulation m) {
    const float vowel = values.f3 + (values.f4 - values.f3) * m.unipolarLeft();
    return sweptFilter(filtertype::VOCAL, stereoStruct{values.f2, values.f2}, vowel, x);
}
