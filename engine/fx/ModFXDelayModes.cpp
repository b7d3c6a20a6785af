#include "engine/fx/ModFXDelayModes.h"

#include <xmmintrin.h>

#include <cmath>

#include "engine/fx/FxControls.h"

namespace {

// Longest Chorus or Flanger length: 1 + 50 ms + 1,025 samples at the highest rate.
constexpr int LONGEST_LINE = static_cast<int>(1.0f + 0.05f * TModFXDelayModes::HIGHEST_RATE + 1025.0f) + 1;
// The rings' feedback can build up; beyond this it is held, as in the delay line.
constexpr float RING_LIMIT = 100.0f;

}  // namespace

TModFXDelayModes::TModFXDelayModes(const float* sine) : unipolarSine(sine), delay(LONGEST_LINE) {}

void TModFXDelayModes::init(float rate) {
    sampleRate = rate;
    delay.init(rate);
    ensemblePhase.fill(0.0);
    for (TEnsembleRing& ring : ensembleRing) ring.frame.fill(stereoStruct{});
}

// Ensemble Amount 1 makes the six taps alike; at 0 each tap is shorter,
// slower and shallower than the last.
float TModFXDelayModes::ensembleSpread(const TModFXValues& v, int tap) {
    const float spreadExponent = -2.0f * clamp01(1.0f - v.f4);
    return static_cast<float>(tap) * spreadExponent;
}

float TModFXDelayModes::ensembleTapRate(const TModFXValues& v, int tap) {
    return v.rate * std::exp2(ensembleSpread(v, tap) / 5.3f);
}

void TModFXDelayModes::setValues(const TModFXValues& v) {
    sampleRate = v.sampleRate;
    // Up to 50 ms at rest; the modulator shortens it by up to 99 per cent.
    lineBase = 1.0f + 0.05f * sampleRate * v.f2;
    lineDepth = 0.99f * v.f3;
    lineWiden = 4.0f * std::exp2(8.0f * v.f4) + 1.0f;  // 5 to 1,025 samples
    flangerFeed = -v.feedback;

    for (int k = 0; k < ENSEMBLE_TAPS; ++k) {
        const float kk = ensembleSpread(v, k);
        ensembleLength[k] = clampTo(lineBase * std::exp2(kk / 5.0f), 0.0f, ENSEMBLE_MAX_LENGTH);
        ensembleRate[k] = ensembleTapRate(v, k);
        ensembleDepth[k] = lineDepth * std::exp2(kk / 8.3f);
        ensembleRest[k] = ensembleLength[k] * (1.0f - ensembleDepth[k]);
        ensembleSwing[k] = ensembleLength[k] * ensembleDepth[k];
    }
    ensembleFeed = v.f5;
}

stereoStruct TModFXDelayModes::modulatedLine(stereoStruct x, TModFXModulation m, float feed) {
    const float rest = 1.0f - lineDepth;
    delay.setDelayLenDirect(stereoStruct{lineBase * (rest + lineDepth * m.unipolarLeft()),
                                         lineBase * (rest + lineDepth * m.unipolarRight()) + lineWiden});
    delay.setFeed(feed);
    stereoStruct w;
    delay.process(x, w);
    return w;
}

stereoStruct TModFXDelayModes::chorus(stereoStruct x, TModFXModulation m) { return modulatedLine(x, m, 0.0f); }

stereoStruct TModFXDelayModes::flanger(stereoStruct x, TModFXModulation m) {
    return modulatedLine(x, m, flangerFeed);
}

stereoStruct TModFXDelayModes::ensemble(stereoStruct x, std::uint32_t frame) {
    // Each tap's stereo frame in the low two lanes of a vector.
    const __m128 input = _mm_setr_ps(x.left, x.right, 0.0f, 0.0f);
    const __m128 feed = _mm_set1_ps(ensembleFeed);
    const __m128 low = _mm_set1_ps(-RING_LIMIT), high = _mm_set1_ps(RING_LIMIT);
    __m128 y[ENSEMBLE_TAPS];
#pragma GCC unroll 6
    for (int k = 0; k < ENSEMBLE_TAPS; ++k) {
        // Any rate wraps to the fractional part (an infinite one to 0).
        double& phase = ensemblePhase[k];
        phase = wrappedPhase(phase + ensembleRate[k]);
        const float s = unipolarSine[static_cast<int>(static_cast<float>(phase) * 65535.99f) & 0xFFFF];
        const float delayFrames = ensembleRest[k] + ensembleSwing[k] * s;
        const int whole = static_cast<int>(delayFrames);
        const __m128 part = _mm_set1_ps(delayFrames - static_cast<float>(whole));
        stereoStruct* ring = ensembleRing[k].frame.data();
        const std::uint32_t read = frame - static_cast<std::uint32_t>(whole);
        // Less than a frame back lies between this frame's input, not yet in
        // the ring, and the last frame's.
        const __m128 a = whole == 0 ? input
                                    : _mm_loadl_pi(_mm_setzero_ps(),
                                                   reinterpret_cast<const __m64*>(&ring[read & ENSEMBLE_RING_MASK]));
        const __m128 b =
            _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&ring[(read - 1u) & ENSEMBLE_RING_MASK]));
        y[k] = _mm_add_ps(a, _mm_mul_ps(part, _mm_sub_ps(b, a)));
        // Held to +-100 (max takes its second operand for a NaN, so a NaN is held at -100).
        const __m128 written = _mm_min_ps(_mm_max_ps(_mm_sub_ps(input, _mm_mul_ps(feed, y[k])), low), high);
        _mm_storel_pi(reinterpret_cast<__m64*>(&ring[frame & ENSEMBLE_RING_MASK]), written);
    }
    // Four taps to each side, two of them shared.
    alignas(16) float left[4], right[4];
    _mm_store_ps(left, _mm_add_ps(_mm_add_ps(y[1], y[2]), _mm_add_ps(y[4], y[5])));
    _mm_store_ps(right, _mm_add_ps(_mm_add_ps(y[0], y[1]), _mm_add_ps(y[3], y[4])));
    return stereoStruct{0.5f * left[0], 0.5f * right[1]};
}
