// The output stage: the silence gate in front of the effects chain, the
// brick-wall low-pass, main volume, the clamp, the stereo spread and the scope
// ring; and the control-rate smoothing of the main and sub volumes.
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/VectorLanes.h"
#include "engine/dsp/WaveTables.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {

constexpr float OUTPUT_LIMIT = 0.99f;
// Slightly above the nearest float to 0.1, so that 0.9 + this reaches the target.
constexpr float SMOOTHING_GAIN = 0.100000024f;

}  // namespace

// ---------------------------------------------------------------- arithmetic

namespace outputstage {

float mainVolumeGain(float smoothed) { return static_cast<float>(std::pow(10.0, (80.0 * smoothed - 60.0) / 20.0)); }

float subVolumeGain(float smoothed) { return static_cast<float>(std::pow(10.0, (80.0 * smoothed - 80.0) / 20.0)); }

float clampOutput(float x) {
    if (!(x == x)) return 0;
    return std::clamp(x, -OUTPUT_LIMIT, OUTPUT_LIMIT);
}

void stereoSpread(float spread, float& left, float& right) {
    const float mono = (left + right) * 0.5f * (1.0f - spread);
    left = spread * left + mono;
    right = spread * right + mono;
}

}  // namespace outputstage

// ---------------------------------------------------------------- brick filter

void TBrickFilter::setFrequency(double cutoffHz, double sampleRate) {
    if (!(sampleRate > 0)) return;
    // The filter runs at four times the host rate; its prewarped frequency must
    // stay below a quarter turn, the Nyquist limit of that rate, or the
    // coefficients change sign and the filter runs away.
    constexpr double MAX_W = 0.49 * std::numbers::pi;
    double w = std::numbers::pi * cutoffHz / (4.0 * sampleRate);
    if (!(w > 0)) w = 0;
    w = std::min(w, MAX_W);
    g = static_cast<float>(std::sin(w) / (std::cos(w) + 0.0015));
    h = 1.0f / (g * g + g + 1.0f);
    c = 0.5f;
    feedback = c * d + g;
}

void TBrickFilter::clear() {
    d = 2.0f;
    g = h = c = 0;
    feedback = c * d + g;
    state = {0, 0, 0, 0};
}

// The two channels run as the two low lanes of a vector, each lane doing
// what a scalar pass per channel would do, in the same order.
void TBrickFilter::processPair(float& left, float& right) {
    const __m128 x = _mm_setr_ps(left, right, 0.0f, 0.0f);
    const __m128 feedbackLanes = _mm_set1_ps(feedback);
    const __m128 gain = _mm_set1_ps(g);
    const __m128 norm = _mm_set1_ps(h);
    const __m128 states = _mm_load_ps(state.data());
    // The upper lanes of the states carry what they carry and are dropped.
    __m128 state1 = states;
    __m128 state2 = _mm_movehl_ps(states, states);
    __m128 sum = _mm_setzero_ps();
    for (int pass = 0; pass < 4; ++pass) {
        const __m128 hp = _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(feedbackLanes, state1)), state2), norm);
        const __m128 a = _mm_mul_ps(gain, hp);
        const __m128 bp = _mm_add_ps(state1, a);
        state1 = _mm_add_ps(bp, a);
        const __m128 b = _mm_mul_ps(gain, bp);
        const __m128 lp = _mm_add_ps(state2, b);
        state2 = _mm_add_ps(lp, b);
        sum = _mm_add_ps(sum, lp);
    }
    const __m128 finite = finiteMask(sum);
    _mm_store_ps(state.data(), _mm_and_ps(_mm_movelh_ps(state1, state2), _mm_movelh_ps(finite, finite)));
    const __m128 out =
        _mm_and_ps(_mm_add_ps(_mm_mul_ps(sum, _mm_set1_ps(0.25f)), _mm_set1_ps(1e-15f)), finite);
    left = _mm_cvtss_f32(out);
    right = _mm_cvtss_f32(_mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
}

// ---------------------------------------------------------------- TSoundEngine

void TSoundEngine::initEngineUnits() {
    buildFilterTables();
    buildWaveTables();
    // Each instance's noise starts from the seed 1, however many instances
    // the process made before it.
    units.noiseSeed = TRandSeed{};
    buildEngineTables(units.engineTables, units.pinkNoise, units.noiseSeed);
    movement.lfoWaveTables = units.engineTables.lfoWaveTables;
    units.tablesBuilt = true;
}

void TSoundEngine::initFilters() {
    // Each quarter of the voices keeps its filters' per-frame values side by
    // side, where the four-voice path reads them as vectors.
    for (int v = 0; v < static_cast<int>(units.voiceFilter.size()); ++v) {
        units.voiceFilter[v].bind(units.voiceFilterValues[v / 4], v % 4);
        units.voiceFilter[v].init(rate.curSampleRate);
    }
    for (TFilter& filter : units.voiceBPFilter) filter.init(rate.curSampleRate);
    // The distortion's drives, holds and DC blockers run on through resets
    // and program changes; only its blocker follows the rate.
    units.distortion.setSampleRate(rate.curSampleRate);
    output.brickFilter.clear();
    // Coefficients follow at once, so a program applied with the brick filter
    // on is not silent until the next housekeeping tick.
    updateBrickFilter();
}

void TSoundEngine::updateBrickFilter() {
    const double v = std::clamp(paramValue(tag::BRICK_FILTER_FREQUENCY), 0.0f, 1.0f);
    output.brickFilter.setFrequency(20.0 * std::exp2(12.0 * v), rate.curSampleRate);
}

void TSoundEngine::updateVolumes() {
    output.mainVolumeSmoothed = 0.9f * output.mainVolumeSmoothed + SMOOTHING_GAIN * paramValue(tag::MAIN_VOLUME);
    output.mainVolumeGain = output.mainVolumeGainCache(output.mainVolumeSmoothed, outputstage::mainVolumeGain);
    output.subVolumeSmoothed = 0.9f * output.subVolumeSmoothed + SMOOTHING_GAIN * paramValue(tag::SUB_VOLUME);
    output.subVolumeGain = output.subVolumeGainCache(output.subVolumeSmoothed, outputstage::subVolumeGain);
}

// Frame step 16, on engine.outFrame.
void TSoundEngine::runOutputStage() {
    float left = engine.outFrame[0];
    float right = engine.outFrame[1];
    if (output.brickOn) {
        output.brickFilter.processPair(left, right);
    }
    left = outputstage::clampOutput(left * output.mainVolumeGain);
    right = outputstage::clampOutput(right * output.mainVolumeGain);
    float spread = paramValue(tag::STEREO_SPREAD) + mod.globalModDest[destination::STEREO_SPREAD];
    spread = spread == spread ? std::clamp(spread, 0.0f, 1.0f) : 1.0f;
    outputstage::stereoSpread(spread, left, right);
    if (mod.outputInUse) setModSrc(source::OUTPUT, (left + right) * 4.0f);
    engine.outFrame = {left, right};
}
