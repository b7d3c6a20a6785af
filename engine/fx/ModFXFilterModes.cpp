#include "engine/fx/ModFXFilterModes.h"

#include <xmmintrin.h>

#include <bit>
#include <cmath>

#include "engine/dsp/Exp2OfFour.h"
#include "engine/dsp/FilterTables.h"
#include "engine/fx/FxControls.h"

namespace {

constexpr float SECTION_LIMIT = 100.0f;
// "12dB Zero Low/Band/High Pass": the vowel input morphs low to band to high.
constexpr int WAH_WAH_FILTER_TYPE = 12;

}  // namespace

TModFXFilterModes::TModFXFilterModes() { init(44100.0f); }

void TModFXFilterModes::init(float rate) {
    sampleRate = rate;
    filter.init(rate);
    phaserState = {};
    widenRing.fill(0.0f);
    sweepSmooth = heldCutoff = stereoStruct{};
    heldVowel = 0.0f;
    sweepCountdown = 0;
    handedType = -1;
}

void TModFXFilterModes::controlStep(const TModFXValues& v) {
    values = v;
    sampleRate = v.sampleRate;
    phaserDepth = 0.99f * v.f3;
    phaserWiden = static_cast<std::uint32_t>(4.0f * std::exp2(8.0f * v.f4) + 1.0f);
    phaserFeed = -0.95f * v.feedback + 1e-15f;
}

stereoStruct TModFXFilterModes::phaserFrequencies(float unipolarLeft, float unipolarRight) const {
    // 15 Hz to about 10.5 kHz over Phaser Pitch; the modulator moves it by
    // up to 45 per cent of that span in octaves.
    const __m128 position = _mm_setr_ps(0.45f * phaserDepth * unipolarLeft + 0.5f,
                                        0.45f * phaserDepth * unipolarRight + 0.5f, 0.0f, 0.0f);
    const __m128 power = exp2OfFour(_mm_mul_ps(_mm_set1_ps(10.0f * values.f2), position));
    alignas(16) float hz[4];
    _mm_store_ps(hz, _mm_min_ps(_mm_mul_ps(_mm_set1_ps(15.0f), power), _mm_set1_ps(PHASER_HIGHEST_FREQUENCY * sampleRate)));
    return stereoStruct{hz[0], hz[1]};
}

stereoStruct TModFXFilterModes::phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame) {
    // sin and cos of 2 pi f / rate per channel from the filters' one-cycle
    // tables (to a 262,144th of the rate): the sweep moves every frame.
    const float cycles = static_cast<float>(FILTER_TABLE_SIZE) / sampleRate;
    const stereoStruct hz = phaserFrequencies(m.unipolarLeft(), m.unipolarRight());
    const int angleLeft = static_cast<int>(hz.left * cycles);
    const int angleRight = static_cast<int>(hz.right * cycles);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 alpha = _mm_div_ps(_mm_setr_ps(Filter2Sine[angleLeft], Filter2Sine[angleRight], 0.0f, 0.0f),
                                    _mm_set1_ps(2.0f * values.q));
    const __m128 scale = _mm_div_ps(one, _mm_add_ps(one, alpha));
    const __m128 b0 = _mm_mul_ps(_mm_sub_ps(one, alpha), scale);
    const __m128 cosine = _mm_setr_ps(Filter2Cos[angleLeft], Filter2Cos[angleRight], 0.0f, 0.0f);
    const __m128 b1 = _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(-2.0f), cosine), scale);
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
    sweepSmooth.left = cutoffs.left * 0.01f + sweepSmooth.left * 0.99f + 1e-15f;
    sweepSmooth.right = cutoffs.right * 0.01f + sweepSmooth.right * 0.99f + 1e-15f;
    if (--sweepCountdown < 0) {
        sweepCountdown = SWEEP_STEP - 1;
        heldCutoff = sweepSmooth;
        heldVowel = vowel;
    }
    filter.setType(type, true);
    const stereoOverStruct in{{x.left, x.right, x.left, x.right}};
    stereoOverStruct out;
    // Between hand-overs the filter would take the same cutoffs, resonance
    // and vowel again and find its coefficients as they are: only its core runs.
    const std::array<std::uint32_t, 4> handed = {std::bit_cast<std::uint32_t>(heldCutoff.left),
                                                 std::bit_cast<std::uint32_t>(heldCutoff.right),
                                                 std::bit_cast<std::uint32_t>(values.f5),
                                                 std::bit_cast<std::uint32_t>(heldVowel)};
    if (type == handedType && handed == handedBits) {
        filter.process(in, out);
    } else {
        filter.setDirect();  // smoothed above
        filter.process(heldCutoff, stereoStruct{}, values.f5, heldVowel, in, out);
        handedType = type;
        handedBits = handed;
    }
    return stereoStruct{out.lane[0], out.lane[1]};
}

stereoStruct TModFXFilterModes::wahWah(stereoStruct x, TModFXModulation m) {
    const float low = values.f3, span = values.f4 - values.f3;
    return sweptFilter(WAH_WAH_FILTER_TYPE, stereoStruct{low + span * m.unipolarLeft(), low + span * m.unipolarRight()},
                       values.f2, x);
}

stereoStruct TModFXFilterModes::talkBox(stereoStruct x, TModFXModulation m) {
    const float vowel = values.f3 + (values.f4 - values.f3) * m.unipolarLeft();
    return sweptFilter(TFilter::TYPE_VOCAL, stereoStruct{values.f2, values.f2}, vowel, x);
}
