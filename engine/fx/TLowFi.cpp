#include "engine/fx/TLowFi.h"

#include <cmath>

#include "engine/dsp/FastMath.h"

namespace {

// The filters run while their cutoffs are this far inside the scale.
constexpr float LOW_PASS_OPEN = 0.99f;
constexpr float HIGH_PASS_OFF = 0.01f;

// Cuts the magnitude down to a whole number of steps, keeping the sign.
float quantised(float h, float levels) {
    if (h == 0.0f) return 0.0f;
    return std::copysign(exactFloor(std::fabs(h) * levels) / levels, h);
}

}  // namespace

TLowFi::TLowFi() { init(44100.0f); }

void TLowFi::init(float sampleRate) {
    lowPass.init(sampleRate);
    highPass.init(sampleRate);
    lowPass.setType(filtertype::ZERO_DELAY_LOWPASS_12DB, true);
    highPass.setType(filtertype::ZERO_DELAY_HIGHPASS_12DB, true);
    holdCounter = 0.0f;
    hold = stereoStruct{};
}

void TLowFi::setControls(const TFxView& c) {
    const float rate = c.param(tag::LOW_FI_SAMPLE_RATE) + c.mod(destination::LOWFI_SAMPLE_RATE);
    const float bits = c.param(tag::LOW_FI_BITS) + c.mod(destination::LOWFI_BITS);
    // 1 to 32 frames over the parameter's range; below 0 every frame is held.
    holdPeriod = rate >= 0.0f ? exp2Limited(5.0f * rate) : 1.0f;
    levels = std::exp2(16.5f - 16.0f * clamp01(bits));
    const float noise = clamp01(c.mod(destination::LOWFI_NOISE_AMOUNT));
    noiseCube = noise * noise * noise;
    lowPassCutoff = clamp01(c.mod(destination::LOWFI_LOW_PASS) + 1.0f);
    highPassCutoff = clamp01(c.mod(destination::LOWFI_HIGH_PASS));
}

stereoStruct TLowFi::process(stereoStruct x, TRandSeed& seed) {
    holdCounter += 1.0f;
    if (holdCounter > holdPeriod) {
        holdCounter -= holdPeriod;
        hold = x;
    }
    const float gainLeft = (1.0f - noiseCube) + noiseCube * seed.uniform();
    const float gainRight = (1.0f - noiseCube) + noiseCube * seed.uniform();
    const float left = quantised(hold.left, levels) * gainLeft;
    const float right = quantised(hold.right, levels) * gainRight;

    if (!(lowPassCutoff < LOW_PASS_OPEN) && !(highPassCutoff > HIGH_PASS_OFF)) return stereoStruct{left, right};
    // The held value is the same on both sub-samples of the filters' frame.
    stereoOverStruct frame{{left, right, left, right}};
    if (lowPassCutoff < LOW_PASS_OPEN) lowPass.processZeroDelay(lowPassCutoff, 0.0f, frame, frame);
    if (highPassCutoff > HIGH_PASS_OFF) highPass.processZeroDelay(highPassCutoff, 0.0f, frame, frame);
    return stereoStruct{(frame.lane[0] + frame.lane[2]) * 0.5f, (frame.lane[1] + frame.lane[3]) * 0.5f};
}
