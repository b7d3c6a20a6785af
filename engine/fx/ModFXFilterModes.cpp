#include "engine/fx/ModFXFilterModes.h"

#include <cmath>

#include "engine/fx/FxControls.h"

namespace {

constexpr float TWO_PI = 6.28318531f;
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
}

void TModFXFilterModes::controlStep(const TModFXValues& v) {
    values = v;
    sampleRate = v.sampleRate;
    phaserDepth = 0.99f * v.f3;
    phaserWiden = static_cast<std::uint32_t>(4.0f * std::exp2(8.0f * v.f4) + 1.0f);
    phaserFeed = -0.95f * v.feedback + 1e-15f;
}

float TModFXFilterModes::phaserFrequency(float unipolar) const {
    // 15 Hz to about 10.5 kHz over Phaser Pitch; the modulator moves it by
    // up to 45 per cent of that span in octaves.
    const float hz = 15.0f * std::exp2(10.0f * values.f2 * (0.45f * phaserDepth * unipolar + 0.5f));
    return std::fmin(hz, PHASER_HIGHEST_FREQUENCY * sampleRate);
}

float TModFXFilterModes::phaserChannel(PhaserChannel& c, float x, float unipolar) {
    const float omega = TWO_PI * phaserFrequency(unipolar) / sampleRate;
    const float alpha = std::sin(omega) / (2.0f * values.q);
    const float b0 = (1.0f - alpha) / (1.0f + alpha);
    const float b1 = -2.0f * std::cos(omega) / (1.0f + alpha);
    float v = x - phaserFeed * c.last + 1e-15f;
    for (int s = 0; s < PHASER_SECTIONS; ++s) {
        float y = b0 * v + b1 * c.in1[s] + c.in2[s] - b1 * c.out1[s] - b0 * c.out2[s] + 1e-15f;
        y = y != y ? 0.0f : clampTo(y, -SECTION_LIMIT, SECTION_LIMIT);
        c.in2[s] = c.in1[s];
        c.in1[s] = v;
        c.out2[s] = c.out1[s];
        c.out1[s] = y;
        v = y;
    }
    c.last = v;
    return v;
}

stereoStruct TModFXFilterModes::phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame) {
    const float left = phaserChannel(phaserState[0], x.left, m.unipolarLeft());
    const float right = phaserChannel(phaserState[1], x.right, m.unipolarRight());
    // The left output comes a few samples late: the two sides' notches part.
    widenRing[frame & WIDEN_RING_MASK] = left;
    return stereoStruct{widenRing[(frame - phaserWiden) & WIDEN_RING_MASK], right};
}

stereoStruct TModFXFilterModes::sweptFilter(int type, stereoStruct cutoffs, float q, float vowel, stereoStruct x) {
    filter.setType(type, true);
    const stereoOverStruct in{{x.left, x.right, x.left, x.right}};
    stereoOverStruct out;
    filter.process(cutoffs, stereoStruct{}, q, vowel, in, out);
    return stereoStruct{out.lane[0], out.lane[1]};
}

stereoStruct TModFXFilterModes::wahWah(stereoStruct x, TModFXModulation m) {
    const float low = values.f3, span = values.f4 - values.f3;
    return sweptFilter(WAH_WAH_FILTER_TYPE, stereoStruct{low + span * m.unipolarLeft(), low + span * m.unipolarRight()}, values.f5,
                       values.f2, x);
}

stereoStruct TModFXFilterModes::talkBox(stereoStruct x, TModFXModulation m) {
    const float vowel = values.f3 + (values.f4 - values.f3) * m.unipolarLeft();
    return sweptFilter(TFilter::TYPE_VOCAL, stereoStruct{values.f2, values.f2}, values.f5, vowel, x);
}
