// The output stage: the brick-wall low-pass, main and sub volume, the clamp,
// the stereo spread and the scope ring; and the count of the effects' silence
// gate (engine/EffectsGate.cpp), which the output stage's frames feed, with
// the step of "FX Path" the gate hands the chain.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "engine/ParameterModel.h"

// A state-variable low-pass with damping 1, run four times per frame on a held
// input, one two-pole section per channel.
struct TBrickFilter {
    float g = 0, h = 0;
    float d = 2.0f, c = 0;
    // c d + g, worked out with the coefficients instead of every frame.
    float feedback = 0;
    // The states of both channels as one vector: s1 left, s1 right, s2 left, s2 right.
    alignas(16) std::array<float, 4> state{};

    // Sets the coefficients for a cut-off in Hz at the given host rate. The
    // normalised frequency is kept below the Nyquist limit of the four-times
    // rate, where sin/cos of the prewarp would turn the filter unstable.
    void setFrequency(double cutoffHz, double sampleRate);
    // Clears the coefficients and the states (silence until setFrequency).
    void clear();
    // One frame of both channels, in place. A non-finite result clears its
    // channel's states and gives silence: it would otherwise stay for good.
    void processPair(float& left, float& right);
};

// A volume's gain, recomputed only when the smoothed volume it follows moves:
// the smoothing settles once the parameter rests, and the power is costly.
struct TVolumeGainCache {
    std::uint32_t smoothedBits = 0;
    bool known = false;
    float gain = 0;
    float operator()(float smoothed, float (*gainOf)(float)) {
        const auto bits = std::bit_cast<std::uint32_t>(smoothed);
        if (!known || bits != smoothedBits) {
            smoothedBits = bits;
            known = true;
            gain = gainOf(smoothed);
        }
        return gain;
    }
};

// A stepped parameter's step, worked out again only when the value it comes
// from moves (compared bit for bit): for a menu read every frame.
struct TStepCache {
    std::uint32_t valueBits = 0;
    bool known = false;
    int step = 0;
    template <class StepOf>
    int operator()(float value, StepOf&& stepOf) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        if (!known || bits != valueBits) {
            valueBits = bits;
            known = true;
            step = stepOf();
        }
        return step;
    }
};

struct TOutputState {
    static constexpr int SCOPE_RING_SIZE = 131072;
    static constexpr std::uint32_t SCOPE_RING_MASK = SCOPE_RING_SIZE - 1;

    // The effects chain rests once its input and output have been silent this
    // long; until a sound opens the gate again, it stands as it was left.
    static constexpr float SILENCE_GATE_SECONDS = 8.0f;

    std::int32_t silentFrames = 0;
    // "FX Path", which the effects chain reads every frame the gate opens.
    TStepCache fxPathStep;
    float mainVolumeSmoothed = 0;
    float mainVolumeGain = 0;
    float subVolumeSmoothed = 0;
    float subVolumeGain = 0;
    TVolumeGainCache mainVolumeGainCache, subVolumeGainCache;
    bool brickOn = false;
    TBrickFilter brickFilter;
    // (L + R) / 2 of every output frame at frameCount mod the size. The
    // editor's scope reads it while the audio thread writes, so each value
    // is a relaxed atomic (a plain store on x86-64).
    std::array<TSharedFloat, SCOPE_RING_SIZE> scopeRing{};
};

// The pure per-frame arithmetic of the output stage (engine/Output.cpp), which
// its tests check on their own. The voices' pan law is engine/dsp/PanLaw.h.
namespace outputstage {
// 10^((80 v - 60) / 20): -60 dB at 0, +20 dB at 1.
float mainVolumeGain(float smoothed);
// 10^((80 v - 80) / 20): -80 dB at 0, 0 dB at 1.
float subVolumeGain(float smoothed);
// Hard limit of both channels to -0.99..0.99 (NaN reads as 0).
float clampOutput(float x);
// s = 1 keeps the image, s = 0 sums to mono.
void stereoSpread(float spread, float& left, float& right);
}  // namespace outputstage
