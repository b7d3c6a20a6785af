#include "engine/fx/TBasicReverb.h"

#include <cmath>

#include "engine/fx/FxControls.h"

namespace {

constexpr float TUNING_RATE = 44100.0f;
constexpr float ALLPASS_FEEDBACK = 0.5f;
constexpr float OUTPUT_SCALE = 0.025f;

enum Lane { LA, RA, LB, RB };

// A length in samples held to 1..longest; NaN gives 1.
int heldLength(double samples, int longest) {
    if (!(samples >= 1.0)) return 1;
    return samples < longest ? static_cast<int>(samples) : longest;
}

}  // namespace

TBasicReverb::TBasicReverb() { create(); }

void TBasicReverb::create() {
    sampleRate = TUNING_RATE;
    roomSize = 0.9099097f;
    damp = 0.275f;
    undamp = 0.725f;
    init();
    widenPos = 0;
    widenLength.fill(MAX_TAP_LENGTH);
}

void TBasicReverb::setSampleRate(float rate) {
    if (!(rate >= 1.0f) || std::fabs(rate - sampleRate) <= 0.0001f) return;
    sampleRate = rate;
    init();
}

void TBasicReverb::init() {
    for (auto& scale : combScale) scale.fill(1.0f);
    setCombLengths(1.0f, 1.0f);
    outCoef[0] = 1.0f;
    outCoef[1] = 0.0f;
    const double s = sampleRate / TUNING_RATE;
    for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k) {
        const int left = REVERB_ALLPASS_TUNING[k];
        allpass[0][k].size = heldLength(left * s + 0.5, ALLPASS_CAPACITY);
        allpass[1][k].size = heldLength((left + REVERB_STEREO_SPREAD) * s + 0.5, ALLPASS_CAPACITY);
    }
    mute();
}

void TBasicReverb::mute() {
    for (auto& lane : combRing)
        for (auto& ring : lane) ring.fill(0.0f);
    for (auto& lane : filterStore) lane.fill(0.0f);
    outState1.fill(0.0f);
    outState2.fill(0.0f);
    for (auto& side : allpass)
        for (TAllpass& stage : side) {
            stage.bufA.fill(0.0f);
            stage.bufB.fill(0.0f);
            stage.pos = 0;
        }
    widenPos = 0;
    widenRingL.fill(0.0f);
    widenRingR.fill(0.0f);
}

void TBasicReverb::setRoomSize(float x) {
    roomSize = std::log10(20.0f * clamp01(x) + 1.0f) * 0.249579f + 0.65f;
}

void TBasicReverb::setDamp(float x) {
    damp = 0.55f * clamp01(x);
    undamp = 1.0f - damp;
}

void TBasicReverb::setFilter(float low, float high) {
    float c[2];
    const float xs[2] = {low, high};
    for (int i = 0; i < 2; ++i) {
        const float f = 20.0f * std::exp2(10.0f * clamp01(xs[i])) / sampleRate;
        c[i] = f <= 0.3f ? 2.0f * f : 0.6f;
    }
    outCoef[0] = c[0] > 0.59f ? 1.0f : c[0];  // low-pass open
    outCoef[1] = c[1] < 0.01f ? 0.0f : c[1];  // high-pass off
}

void TBasicReverb::setWiden(int t0, int t1, int t2, int t3) {
    const int taps[LANES] = {t0, t1, t2, t3};
    for (int i = 0; i < LANES; ++i) widenLength[i] = taps[i] < 0 ? 0 : (taps[i] > MAX_TAP_LENGTH ? MAX_TAP_LENGTH : taps[i]);
}

void TBasicReverb::setMod(float a, float b, float c, float d) {
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        combScale[0][comb] = comb % 2 == 0 ? a : b;
        combScale[1][comb] = comb % 2 == 0 ? c : d;
    }
}

void TBasicReverb::setSize(float size1, float size2) { setCombLengths(size1, size2); }

void TBasicReverb::setCombLengths(float size1, float size2) {
    const float s = sampleRate / TUNING_RATE;
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        const float left = static_cast<float>(REVERB_COMB_TUNING[comb]);
        const float right = left + static_cast<float>(REVERB_STEREO_SPREAD);
        const float first = size1 * s * combScale[0][comb];
        const float second = size2 * s * combScale[1][comb];
        combLength[LA][comb] = heldLength(first * left + 0.5f, MAX_COMB_LENGTH);
        combLength[RA][comb] = heldLength(first * right + 0.5f, MAX_COMB_LENGTH);
        combLength[LB][comb] = heldLength(second * left + 0.5f, MAX_COMB_LENGTH);
        combLength[RB][comb] = heldLength(second * right + 0.5f, MAX_COMB_LENGTH);
    }
}

void TBasicReverb::process(float inL, float inR, float& o1, float& o2, float& o3, float& o4) {
    widenPos = (widenPos + 1) & RING_MASK;
    widenRingL[widenPos] = inL;
    widenRingR[widenPos] = inR;
    // A tap of length t reads the sample written t + 1 frames ago.
    const float d0 = widenRingL[(widenPos - 1 - widenLength[0]) & RING_MASK];
    const float d1 = widenRingR[(widenPos - 1 - widenLength[1]) & RING_MASK];
    const float d2 = widenRingL[(widenPos - 1 - widenLength[2]) & RING_MASK];
    const float d3 = widenRingR[(widenPos - 1 - widenLength[3]) & RING_MASK];
    // Inputs of the first, third, ... comb and of the second, fourth, ...
    const float evenInput[LANES] = {inL, d1, inL, d3};
    const float oddInput[LANES] = {d0, inR, d2, inR};

    combPos = (combPos + 1) & RING_MASK;
    float lane[LANES];
    for (int l = 0; l < LANES; ++l) {
        float sum = 0.0f;
        for (int comb = 0; comb < REVERB_COMBS; ++comb) {
            auto& ring = combRing[l][comb];
            const float y = ring[(combPos - combLength[l][comb]) & RING_MASK];
            float& store = filterStore[l][comb];
            store = store * damp + y * undamp;
            ring[combPos] = store * roomSize + (comb % 2 == 0 ? evenInput[l] : oddInput[l]);
            sum += y;
        }
        outState1[l] = outState1[l] * (1.0f - outCoef[0]) + sum * outCoef[0];
        outState2[l] = outState2[l] * (1.0f - outCoef[1]) + outState1[l] * outCoef[1];
        lane[l] = outState1[l] - outState2[l];
    }

    for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k) {
        for (int side = 0; side < 2; ++side) {
            TAllpass& stage = allpass[side][k];
            if (++stage.pos >= stage.size) stage.pos = 0;
            // Left-fed lanes LA, LB on the left chain; RA, RB on the right.
            float& a = lane[side == 0 ? LA : RA];
            float& b = lane[side == 0 ? LB : RB];
            const float bufferedA = stage.bufA[stage.pos];
            stage.bufA[stage.pos] = ALLPASS_FEEDBACK * bufferedA + a + 1e-8f;
            a = bufferedA - a;
            const float bufferedB = stage.bufB[stage.pos];
            stage.bufB[stage.pos] = ALLPASS_FEEDBACK * bufferedB + b + 1e-8f;
            b = bufferedB - b;
        }
    }
    o1 = lane[LA] * OUTPUT_SCALE;
    o2 = lane[RA] * OUTPUT_SCALE;
    o3 = lane[LB] * OUTPUT_SCALE;
    o4 = lane[RB] * OUTPUT_SCALE;
}
