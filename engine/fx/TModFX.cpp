#include "engine/fx/TModFX.h"

#include <cmath>
#include <limits>

#include "engine/dsp/FastMath.h"
#include "engine/fx/FxTables.h"

namespace {

constexpr float LOW_PASS_OPEN = 0.99f;
constexpr float HIGH_PASS_OFF = 0.01f;
// The modulator's free-running rate at Mod FX 1 = 0 is this many cycles per
// second (about 0.0067 Hz); 14 octaves above it is about 110 Hz.
constexpr double MODULATOR_BASE_HZ = 1.71875 / 256.0;

}  // namespace

TModFX::TModFX(const TEngineTables& engineTables)
    : tables(engineTables), delayModeUnit(engineTables.unipolarSine) {
    init();
}

void TModFX::init() {
    lowPass.init(sampleRate);
    highPass.init(sampleRate);
    lowPass.setType(filtertype::ZERO_DELAY_LOWPASS_12DB, true);
    highPass.setType(filtertype::ZERO_DELAY_HIGHPASS_12DB, true);
    initModFX();
}

void TModFX::initModFX() {
    settingsFrom.forget();
    limiterEnv = 1.0f;
    modSH = 0.0f;
    gainModeUnit.init();
    delayModeUnit.init(sampleRate);
    // The Wah-Wah and TalkBox filter is cleared with the Phaser: kept, its
    // old state would ring out when the mode comes back, over silence too.
    filterModeUnit.init(sampleRate);
    modOut = TModFXModulation{};
    modPhase[0] = modPhase[1] = 0.0;
    modHold[0] = modHold[1] = 0.0f;
    modHoldCounter = 0.0f;
    modRateMul[0] = modRateMul[1] = 1.0f;
}

void TModFX::restart() {
    modPhase[0] = modPhase[1] = 0.0;
    modOut = TModFXModulation{};
    modHold[0] = modHold[1] = 0.0f;
    modRateMul[0] = modRateMul[1] = 1.0f;
    modHoldCounter = 0.0f;
    gainModeUnit.restart();
    gatorUnit.restart();
}

bool TModFX::controlStep(const TFxControls& c) {
    const int newMode = c.modFXMode >= 0 && c.modFXMode < MODE_COUNT ? c.modFXMode : CHORUS;
    const bool changed = newMode != mode;
    mode = newMode;
    if (changed) initModFX();
    // The step pattern follows its parameters in every mode, so the Gator
    // starts on the right levels.
    gatorUnit.setPattern(c);
    return changed;
}

void TModFX::setControls(const TFxView& c) {
    if (settingsFrom.moved(c)) computeSettings(c);
}

TModFXValues TModFX::valuesOf(const TFxView& c, float sampleRate) {
    TModFXValues values;
    values.sampleRate = sampleRate;
    values.f1 = c.param(tag::MOD_FX_1) + c.mod(destination::MOD_FX_1);
    values.f2 = c.clamped(tag::MOD_FX_2, destination::MOD_FX_1 + 1);
    values.f3 = c.clamped(tag::MOD_FX_3, destination::MOD_FX_1 + 2);
    values.f4 = c.clamped(tag::MOD_FX_4, destination::MOD_FX_1 + 3);
    values.f5 = c.clamped(tag::MOD_FX_5, destination::MOD_FX_1 + 4);
    values.feedback = clampTo(c.param(tag::MOD_FX_5) + c.mod(destination::MOD_FX_1 + 4), -1.0f, 1.0f);
    values.q = clamp01(c.mod(destination::MOD_FX_Q)) * 0.9f + 0.05f;

    // No bound on the rate: past about 12 on "Mod FX 1" it is infinite, and
    // the phases then stay at their start (see runModulator()).
    double rate;
    if (!c.on(tag::MOD_FX_TEMPO_SYNC)) {
        rate = MODULATOR_BASE_HZ / sampleRate * std::exp2(14.0 * static_cast<double>(values.f1));
    } else {
        // One cycle per LFO_PERIOD_ARRAY[i] whole notes, plus 16 frames.
        const int i = c.step(tag::MOD_FX_1, 33.99f, 34);
        const double framesPerWholeNote = 240.0 * sampleRate / c.beatsPerMinute();
        rate = i == 0 ? 0.0 : 1.0 / (LFO_PERIOD_ARRAY[static_cast<size_t>(i)] * framesPerWholeNote + 16.0);
        rate *= std::exp2(2.0 * static_cast<double>(c.mod(destination::MOD_FX_1)));
    }
    values.rate = rate <= static_cast<double>(std::numeric_limits<float>::max())
                      ? static_cast<float>(rate)
                      : std::numeric_limits<float>::infinity();
    return values;
}

float TModFX::spreadOf(const TFxView& c) { return clamp01(c.mod(destination::MOD_FX_SPREAD)) * 3.0f + 1.0f; }

TModFXCycles TModFX::freeRunningCycles(int mode, const TFxView& c, float sampleRate) {
    const TModFXValues v = valuesOf(c, sampleRate);
    TModFXCycles running;
    const auto add = [&running](double cyclesPerFrame) {
        // A rate of 0 stands still; an infinite one keeps the phase at its start.
        if (cyclesPerFrame > 0.0 && std::isfinite(cyclesPerFrame))
            running.cyclesPerFrame[static_cast<std::size_t>(running.count++)] = cyclesPerFrame;
    };
    switch (mode) {
    case ENSEMBLE:
        for (int k = 0; k < TModFXDelayModes::ENSEMBLE_TAPS; ++k) add(TModFXDelayModes::ensembleTapRate(v, k));
        break;
    case RING: add(TModFXGainModes::ringIncrementOf(v)); break;
    case GATOR: add(TGator::stepsPerFrame(c, sampleRate) / TGator::stepsOf(c)); break;
    default:
        // The modulator, its right side at the spread's multiple.
        add(v.rate);
        if (spreadOf(c) != 1.0f) add(static_cast<double>(spreadOf(c) * v.rate));
        break;
    }
    return running;
}

void TModFX::computeSettings(const TFxView& c) {
    values = valuesOf(c, sampleRate);
    readModulatorSettings(c);
    switch (mode) {
    case CHORUS:
    case FLANGER:
    case ENSEMBLE: delayModeUnit.setValues(values); break;
    case PHASER:
    case WAH_WAH:
    case TALK_BOX: filterModeUnit.setValues(values); break;
    case TREMOLO:
    case AUTO_PAN:
    case RING: gainModeUnit.setValues(values); break;
    default: gatorUnit.setControls(c, sampleRate); break;
    }
}

void TModFX::readModulatorSettings(const TFxView& c) {
    const bool shaped = mode == TREMOLO || mode == AUTO_PAN;
    // Tremolo and AutoPan choose their wave and symmetry; every other mode
    // runs a sine, symmetric unless modulated.
    wave = shaped ? c.step(tag::MOD_FX_2, 9.99f, LFO_WAVE_ROWS) : LFO_SINE_UP;
    const float s = clamp01(c.mod(destination::MOD_FX_SYMMETRY) + (shaped ? values.f4 : 0.5f));
    symmetry = s * 0.998f + 0.001f;
    firstHalfScale = 0.5f / symmetry;
    secondHalfScale = 0.5f / (1.0f - symmetry);
    phaseOffset = c.mod(destination::MOD_FX_PHASE) + 10.0f;
    separation = c.mod(destination::MOD_FX_SEPARATION);
    spread = spreadOf(c);
    humanize = c.mod(destination::MOD_FX_HUMANIZE);
    bias = clampTo(c.mod(destination::MOD_FX_BIAS), -1.0f, 1.0f);
    const float bits = c.mod(destination::MOD_FX_BITS);
    bitsOn = bits > 0.001f;
    bitLevels = std::exp2(17.0f - 17.0f * clamp01(bits));
    const float hold = c.mod(destination::MOD_FX_S_AND_H);
    holdStep = hold < 0.0f ? 1.0f : std::exp2(-16.0f * (hold > 1.0f ? 1.0f : hold));
    const float lowPassBase = mode == CHORUS || mode == RING ? values.f5 : 1.0f;
    lowPassCutoff = clamp01(lowPassBase - c.mod(destination::MOD_FX_LOW_PASS));
    highPassCutoff = clamp01(c.mod(destination::MOD_FX_HIGH_PASS));
}

// Symmetry s: the first half of the wave takes the share s of the cycle.
float TModFX::skewed(float x) const {
    return x <= symmetry ? x * firstHalfScale : 0.5f + (x - symmetry) * secondHalfScale;
}

float TModFX::waveValue(float x) const {
    if (wave == LFO_SAMPLE_AND_HOLD) return modSH;
    const int index = static_cast<int>(x * 65535.99f);
    return tables.lfoWaveTables[wave][index < 0 ? 0 : (index > 65535 ? 65535 : index)];
}

// Bias pulls one half of the wave towards 0; bits quantise it.
float TModFX::shaped(float out) const {
    if (bias > 0.0f && out < 0.0f) out *= 1.0f - bias;
    if (bias < 0.0f && out > 0.0f) out *= 1.0f + bias;
    if (bitsOn) out = clampTo(exactFloor((out + 1.0f) * (bitLevels + 0.999f)) / bitLevels - 1.0f, -1.0f, 1.0f);
    return out;
}

TModFXModulation TModFX::runModulator(TRandSeed& seed) {
    const float xLeft = static_cast<float>(fraction(modPhase[0] + phaseOffset));
    const float xRight = static_cast<float>(fraction(modPhase[1] + phaseOffset + separation));
    const float out[2] = {shaped(waveValue(skewed(xLeft))), shaped(waveValue(skewed(xRight)))};

    modPhase[0] += modRateMul[0] * values.rate;
    modPhase[1] += spread * values.rate * modRateMul[1];
    // An infinite rate or humanize factor makes the phase infinite, or not a
    // number where one of them is 0: it wraps to 0 then (fraction()), and a
    // phase that is not a number wraps as well rather than stand for good.
    if (!(modPhase[0] < 1.0)) {
        // Each cycle the humanize draws new rate factors and the
        // sample-and-hold wave a new value.
        modPhase[0] = wrappedPhase(modPhase[0]);
        const float u = seed.uniform();
        modRateMul[0] = modRateMul[1] = std::exp2((4.0f * u - 2.0f) * humanize);
        modSH = seed.uniform();
    }
    modPhase[1] = wrappedPhase(modPhase[1]);

    // Sample-and-hold of the output: at 0 it follows every frame.
    modHoldCounter += holdStep;
    if (modHoldCounter >= 1.0f) {
        modHold[0] = out[0];
        modHold[1] = out[1];
        modHoldCounter -= exactFloor(modHoldCounter);
    }
    modOut = TModFXModulation{modHold[0], modHold[1]};
    return modOut;
}

stereoStruct TModFX::limit(stereoStruct w) {
    // The larger magnitude, a value that is not a number giving way to the
    // other, as fmax does (the baseline makes that a library call).
    const float a = std::fabs(w.left), b = std::fabs(w.right);
    const float larger = a != a || b > a ? b : a;
    limiterEnv = limiterEnv * 0.999f + larger * 0.000999987f + 1e-15f;
    if (limiterEnv < LIMITER_CEILING) return w;
    const float gain = LIMITER_CEILING / limiterEnv;
    return stereoStruct{w.left * gain + 1e-15f, w.right * gain + 1e-15f};
}

stereoStruct TModFX::runMode(stereoStruct x, TModFXModulation m, std::uint32_t frame) {
    switch (mode) {
    case CHORUS: return delayModeUnit.chorus(x, m);
    case FLANGER: return limit(delayModeUnit.flanger(x, m));
    case ENSEMBLE: return delayModeUnit.ensemble(x, frame);
    case PHASER: return limit(filterModeUnit.phaser(x, m, frame));
    case WAH_WAH: return filterModeUnit.wahWah(x, m);
    case TALK_BOX: return filterModeUnit.talkBox(x, m);
    case TREMOLO: return gainModeUnit.tremolo(x, m);
    case AUTO_PAN: return gainModeUnit.autoPan(x, m);
    case RING: return gainModeUnit.ring(x);
    default: return gatorUnit.process(x);
    }
}

stereoStruct TModFX::process(stereoStruct x, std::uint32_t frame, TRandSeed& seed) {
    const TModFXModulation m = runModulator(seed);
    const stereoStruct w = runMode(x, m, frame);
    if (!(lowPassCutoff < LOW_PASS_OPEN) && !(highPassCutoff > HIGH_PASS_OFF)) return w;
    stereoOverStruct pair{{w.left, w.right, w.left, w.right}};
    if (lowPassCutoff < LOW_PASS_OPEN) lowPass.processZeroDelay(lowPassCutoff, 0.0f, pair, pair);
    if (highPassCutoff > HIGH_PASS_OFF) highPass.processZeroDelay(highPassCutoff, 0.0f, pair, pair);
    return stereoStruct{(pair.lane[0] + pair.lane[2]) * 0.5f, (pair.lane[1] + pair.lane[3]) * 0.5f};
}
