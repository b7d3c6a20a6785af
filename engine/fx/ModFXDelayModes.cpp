#include "engine/fx/ModFXDelayModes.h"

#include <cmath>

#include "engine/fx/FxControls.h"

namespace {

// Longest Chorus or Flanger length: 1 + 50 ms + 1,025 samples at the highest rate.
constexpr int LONGEST_LINE = static_cast<int>(1.0f + 0.05f * TModFXDelayModes::HIGHEST_RATE + 1025.0f) + 1;
// The rings' feedback can build up; beyond this it is held, as in the delay line.
constexpr float RING_LIMIT = 100.0f;

float heldValue(float v) { return v != v ? 0.0f : clampTo(v, -RING_LIMIT, RING_LIMIT); }

}  // namespace

TModFXDelayModes::TModFXDelayModes(const float* sine) : unipolarSine(sine), delay(LONGEST_LINE) {}

void TModFXDelayModes::init(float rate) {
    sampleRate = rate;
    delay.init(rate);
    ensemblePhase.fill(0.0);
    for (auto& ring : ensembleRing) ring.fill(stereoStruct{});
}

void TModFXDelayModes::controlStep(const TModFXValues& v) {
    sampleRate = v.sampleRate;
    // Up to 50 ms at rest; the modulator shortens it by up to 99 per cent.
    lineBase = 1.0f + 0.05f * sampleRate * v.f2;
    lineDepth = 0.99f * v.f3;
    lineWiden = 4.0f * std::exp2(8.0f * v.f4) + 1.0f;  // 5 to 1,025 samples
    flangerFeed = -v.feedback;

    // Ensemble Amount 1 makes the six taps alike; at 0 each tap is shorter,
    // slower and shallower than the last.
    const float spreadExponent = -2.0f * clamp01(1.0f - v.f4);
    for (int k = 0; k < ENSEMBLE_TAPS; ++k) {
        const float kk = static_cast<float>(k) * spreadExponent;
        ensembleLength[k] = clampTo(lineBase * std::exp2(kk / 5.0f), 0.0f, ENSEMBLE_MAX_LENGTH);
        ensembleRate[k] = v.rate * std::exp2(kk / 5.3f);
        ensembleDepth[k] = lineDepth * std::exp2(kk / 8.3f);
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
    stereoStruct y[ENSEMBLE_TAPS];
    for (int k = 0; k < ENSEMBLE_TAPS; ++k) {
        double& phase = ensemblePhase[k];
        phase = fraction(phase + ensembleRate[k]);
        const float s = unipolarSine[static_cast<int>(static_cast<float>(phase) * 65535.99f) & 0xFFFF];
        const float depth = ensembleDepth[k];
        const float delayFrames = ensembleLength[k] * (1.0f - depth + depth * s);
        const int whole = static_cast<int>(delayFrames);
        const float part = delayFrames - static_cast<float>(whole);
        auto& ring = ensembleRing[k];
        // Less than a frame back lies between this frame's input, not yet in
        // the ring, and the last frame's.
        const stereoStruct a = whole == 0 ? x : ring[(frame - static_cast<std::uint32_t>(whole)) & ENSEMBLE_RING_MASK];
        const stereoStruct b = ring[(frame - static_cast<std::uint32_t>(whole) - 1u) & ENSEMBLE_RING_MASK];
        y[k] = stereoStruct{a.left + part * (b.left - a.left), a.right + part * (b.right - a.right)};
        ring[frame & ENSEMBLE_RING_MASK] =
            stereoStruct{heldValue(x.left - ensembleFeed * y[k].left), heldValue(x.right - ensembleFeed * y[k].right)};
    }
    // Four taps to each side, two of them shared.
    return stereoStruct{0.5f * (y[1].left + y[2].left + y[4].left + y[5].left),
                        0.5f * (y[0].right + y[1].right + y[3].right + y[4].right)};
}
