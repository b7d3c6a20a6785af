// The Mod FX modulator's laws, frame by frame against a plain modulator
// worked out here from the settings (symmetry, phase and separation, spread,
// humanize, bias, bits, sample and hold, the chosen wave); its rate; and the
// values far past the controls' ends, where an infinite rate must not stop it.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

float clampUnit(float x) { return x < 0 ? 0.0f : (x > 1 ? 1.0f : x); }
double fractionOf(double x) { return x - std::floor(x); }

// The modulator, one step a frame, with its own copy of the random seed.
struct ReferenceModulator {
    const TEngineTables& tables = engineTables();
    std::uint32_t seed = 1;
    double phase[2] = {0, 0};
    float rateMul[2] = {1, 1};
    float sampleAndHold = 0, hold[2] = {0, 0}, holdCounter = 0;

    float draw() {
        const auto product = static_cast<std::int32_t>(seed * 16807u);
        seed = seed * 16807u + 1u;
        return (static_cast<float>(product) * 4.656613e-10f + 1) * 0.5f;
    }
    // rate: cycles per frame, before spread and humanize.
    void step(const TFxControls& c, bool shaped, float rate, float out[2]) {
        const float f4 = clampUnit(c.param(tag::MOD_FX_4) + c.mod(destination::MOD_FX_1 + 3));
        float s = clampUnit(c.mod(destination::MOD_FX_SYMMETRY) + (shaped ? f4 : 0.5f));
        s = s * 0.998f + 0.001f;
        const double offset = c.mod(destination::MOD_FX_PHASE) + 10.0f;
        const double x[2] = {fractionOf(phase[0] + offset),
                             fractionOf(phase[1] + offset + c.mod(destination::MOD_FX_SEPARATION))};
        const int wave = shaped ? TFxControls::steppedValue(c.param(tag::MOD_FX_2), 9.99f, 9) : LFO_SINE_UP;
        for (int i = 0; i < 2; ++i) {
            const float xf = static_cast<float>(x[i]);
            const float skewed = xf <= s ? 0.5f * xf / s : 0.5f + 0.5f * (xf - s) / (1 - s);
            out[i] = wave == LFO_SAMPLE_AND_HOLD ? sampleAndHold
                                                 : tables.lfoWaveTables[wave][static_cast<int>(skewed * 65535.99f)];
        }
        const float spread = clampUnit(c.mod(destination::MOD_FX_SPREAD)) * 3 + 1;
        phase[0] += rateMul[0] * rate;
        phase[1] += spread * rate * rateMul[1];
        if (phase[0] >= 1) {
            phase[0] = fractionOf(phase[0]);
            const float u = draw();
            rateMul[0] = rateMul[1] = std::exp2((4 * u - 2) * c.mod(destination::MOD_FX_HUMANIZE));
            sampleAndHold = draw();
        }
        phase[1] = fractionOf(phase[1]);

        const float bias = std::min(std::max(c.mod(destination::MOD_FX_BIAS), -1.0f), 1.0f);
        const float bits = c.mod(destination::MOD_FX_BITS);
        for (int i = 0; i < 2; ++i) {
            float& o = out[i];
            if (o < 0 && bias > 0) o *= 1 - bias;
            if (o > 0 && bias < 0) o *= 1 - std::fabs(bias);
            if (bits > 0.001f) {
                const float levels = std::exp2(17 - 17 * clampUnit(bits));
                o = std::min(std::max(std::floor((o + 1) * (levels + 0.999f)) / levels - 1, -1.0f), 1.0f);
            }
        }
        const float m = c.mod(destination::MOD_FX_S_AND_H);
        holdCounter += m < 0 ? 1.0f : std::exp2(-16.0f * std::min(m, 1.0f));
        if (holdCounter >= 1) {
            hold[0] = out[0];
            hold[1] = out[1];
            holdCounter -= std::floor(holdCounter);
        }
        out[0] = hold[0];
        out[1] = hold[1];
    }
};

// Cycles per frame of the free-running modulator for Mod FX 1 = f1.
double freeRate(double f1, double rate) { return 1.71875 / rate / 256 * std::exp2(14 * f1); }

TEST(Modulator, LawsFrameByFrame) {
    struct Case {
        const char* why;
        int mode;
        int dest;           // a modulator destination, or -1
        float modulation;
        int tag;            // a parameter besides the mode's, or -1
        float value;
    };
    const Case cases[] = {
        {"a plain sine", TModFX::CHORUS, -1, 0, -1, 0},
        {"symmetry: the rise takes 80 per cent of the cycle", TModFX::CHORUS, destination::MOD_FX_SYMMETRY, 0.3f, -1,
         0},
        {"phase a quarter cycle on", TModFX::PHASER, destination::MOD_FX_PHASE, 0.25f, -1, 0},
        {"separation: the right side half a cycle on", TModFX::CHORUS, destination::MOD_FX_SEPARATION, 0.5f, -1, 0},
        {"spread: the right side 2.5 times as fast", TModFX::FLANGER, destination::MOD_FX_SPREAD, 0.5f, -1, 0},
        {"humanize: each cycle a new rate", TModFX::CHORUS, destination::MOD_FX_HUMANIZE, 0.7f, -1, 0},
        {"bias up: the lower half pulled in", TModFX::CHORUS, destination::MOD_FX_BIAS, 0.6f, -1, 0},
        {"bias down: the upper half pulled in", TModFX::WAH_WAH, destination::MOD_FX_BIAS, -0.4f, -1, 0},
        {"bits: about 10 levels", TModFX::CHORUS, destination::MOD_FX_BITS, 0.8f, -1, 0},
        {"sample and hold of the output", TModFX::CHORUS, destination::MOD_FX_S_AND_H, 0.4f, -1, 0},
        {"Tremolo: the wave and the symmetry from its controls", TModFX::TREMOLO, -1, 0, tag::MOD_FX_2,
         (static_cast<float>(LFO_SAW_DOWN) + 0.1f) / 9.99f},
        {"AutoPan: the sample-and-hold wave", TModFX::AUTO_PAN, destination::MOD_FX_SYMMETRY, -0.2f, tag::MOD_FX_2,
         (static_cast<float>(LFO_SAMPLE_AND_HOLD) + 0.1f) / 9.99f},
    };
    for (const Case& c : cases) {
        TFxControls controls = defaultControls();
        setMode(controls, c.mode);
        setParam(controls, tag::MOD_FX_TEMPO_SYNC, 0.0f);
        setParam(controls, tag::MOD_FX_1, 0.6f);  // about 2.3 Hz
        if (c.dest >= 0) setMod(controls, c.dest, c.modulation);
        if (c.tag >= 0) setParam(controls, c.tag, c.value);
        TRandSeed seed;
        auto unit = std::make_unique<TModFX>(engineTables());
        unit->setSampleRate(44100);
        unit->init();
        unit->controlStep(controls);
        ReferenceModulator reference;
        const bool shaped = c.mode == TModFX::TREMOLO || c.mode == TModFX::AUTO_PAN;
        float lowest = 1, highest = -1;
        for (std::uint32_t frame = 0; frame < 60000; ++frame) {
            unit->setControls(controls);
            unit->process(stereoStruct{0.1f, 0.1f}, frame, seed);
            float expected[2];
            reference.step(controls, shaped, static_cast<float>(freeRate(0.6f, 44100)), expected);
            // Within a step of the sine table: the unit skews by x times
            // (0.5 / s), which can land a step away from 0.5 x / s.
            ASSERT_NEAR(unit->getModOut().left, expected[0], 1e-4f) << c.why << ", frame " << frame;
            ASSERT_NEAR(unit->getModOut().right, expected[1], 1e-4f) << c.why << ", frame " << frame;
            lowest = std::min(lowest, expected[0]);
            highest = std::max(highest, expected[0]);
        }
        EXPECT_GT(highest - lowest, 0.3f) << c.why << ": the modulator moves";
    }
}

TEST(Modulator, Rate) {
    struct Case {
        const char* why;
        bool sync;
        float speed;        // Mod FX 1
        float modulation;   // destination "Mod FX 1"
        float tempo, rate;
        double expected;    // cycles per frame
    };
    const double rateOverTempo = 48000.0 / 97;
    const Case cases[] = {
        {"free at 0: 0.0067 Hz", false, 0, 0, 120, 44100, freeRate(0, 44100)},
        {"free at 1: about 110 Hz", false, 1, 0, 120, 48000, freeRate(1, 48000)},
        {"free, modulated past the control's end: 0.86 cycles a frame", false, 1, 0.6f, 120, 44100,
         freeRate(1.6, 44100)},
        {"free, modulated far below", false, 0, -3, 120, 44100, freeRate(-3, 44100)},
        {"synced step 0 stands still", true, 0.01f, 0.5f, 97, 48000, 0},
        {"synced step 20", true, (20 + 0.1f) / 33.99f, 0, 97, 48000,
         1.0 / ((LFO_PERIOD_ARRAY[20] * 15 * rateOverTempo + 1) * 16)},
        {"synced step 20, modulation 0.5 doubles it", true, (20 + 0.1f) / 33.99f, 0.5f, 97, 48000,
         2.0 / ((LFO_PERIOD_ARRAY[20] * 15 * rateOverTempo + 1) * 16)},
    };
    for (const Case& c : cases) {
        TFxControls controls = defaultControls();
        setMode(controls, TModFX::CHORUS);
        setParam(controls, tag::MOD_FX_TEMPO_SYNC, c.sync ? 1.0f : 0.0f);
        setParam(controls, tag::MOD_FX_1, c.speed);
        setMod(controls, destination::MOD_FX_1, c.modulation);
        controls.tempo = c.tempo;
        auto unit = std::make_unique<TModFX>(engineTables());
        unit->setSampleRate(c.rate);
        unit->init();
        unit->controlStep(controls);
        unit->setControls(controls);
        EXPECT_NEAR(unit->getRate(), c.expected, c.expected * 1e-5) << c.why;
    }
}

// Far past the controls' ends the rate or the humanize factor is infinite,
// or the humanize factor flushed to 0 (the engine flushes denormals) at an
// infinite rate, whose product is not a number. The modulator's phase then
// wraps to its start; it must neither leave a value that is not a number in
// the sound nor stand still once the modulation comes back.
TEST(Modulator, InfiniteRatesWrapAndRecover) {
    const unsigned savedCsr = _mm_getcsr();
    _mm_setcsr(savedCsr | 0x8040);
    struct Case {
        const char* why;
        int mode;
        float speedModulation, humanize;
    };
    const Case cases[] = {
        {"an infinite rate", TModFX::CHORUS, 40, 0},
        {"an infinite humanize factor", TModFX::FLANGER, 0, 64},
        {"a vanishing humanize factor at an infinite rate", TModFX::PHASER, 40, -64},
        {"the Ensemble's taps at an infinite rate", TModFX::ENSEMBLE, 40, 0},
        {"the Ring's carrier at an infinite frequency", TModFX::RING, 40, 0},
        {"the Gator at the largest modulation", TModFX::GATOR, 64, 0},
    };
    for (const Case& c : cases) {
        TFxControls wild = defaultControls();
        setMode(wild, c.mode);
        setParam(wild, tag::MOD_FX_TEMPO_SYNC, 0.0f);
        setParam(wild, tag::MOD_FX_3, 1.0f);
        setMod(wild, destination::MOD_FX_1, c.speedModulation);
        setMod(wild, destination::MOD_FX_HUMANIZE, c.humanize);
        TRandSeed seed;
        auto unit = std::make_unique<TModFX>(engineTables());
        unit->init();
        unit->controlStep(wild);
        std::uint32_t frame = 0;
        for (; frame < 3000; ++frame) {
            unit->setControls(wild);
            const stereoStruct y = unit->process(stereoStruct{0.5f, -0.5f}, frame, seed);
            ASSERT_TRUE(std::isfinite(y.left) && std::isfinite(y.right)) << c.why << ", frame " << frame;
            ASSERT_TRUE(std::isfinite(unit->getModOut().left)) << c.why << ", frame " << frame;
        }
        // Back to a plain 20 Hz: the modulator sweeps its whole range again.
        TFxControls plain = wild;
        setMod(plain, destination::MOD_FX_1, 0.0f);
        setMod(plain, destination::MOD_FX_HUMANIZE, 0.0f);
        setParam(plain, tag::MOD_FX_1, static_cast<float>(std::log2(20 / (1.71875 / 256)) / 14));
        float lowest = 1, highest = -1;
        for (const std::uint32_t end = frame + 4410; frame < end; ++frame) {
            unit->setControls(plain);
            const stereoStruct y = unit->process(stereoStruct{0.5f, -0.5f}, frame, seed);
            ASSERT_TRUE(std::isfinite(y.left) && std::isfinite(y.right)) << c.why << ", frame " << frame;
            lowest = std::min(lowest, unit->getModOut().left);
            highest = std::max(highest, unit->getModOut().left);
        }
        if (c.mode != TModFX::GATOR && c.mode != TModFX::RING) {
            EXPECT_LT(lowest, -0.99f) << c.why;
            EXPECT_GT(highest, 0.99f) << c.why;
        }
        if (c.mode == TModFX::GATOR) {
            EXPECT_GE(unit->gator().getGaterPos(), 0) << c.why;
            EXPECT_LT(unit->gator().getGaterPos(), unit->gator().getSteps()) << c.why;
        }
    }
    _mm_setcsr(savedCsr);
}

}  // namespace
