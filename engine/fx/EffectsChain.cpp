#include "engine/fx/EffectsChain.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/dsp/FilterTables.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;
// The reverb's settings move every 16 frames of the chain.
constexpr std::uint32_t REVERB_UPDATE_MASK = 16 - 1;
// The reverb's comb lengths drift by up to 0.2 per cent, the odd and the even
// combs at slightly different rates (cycles per second).
constexpr double COMB_DRIFT_HZ[2] = {0.015197279, 0.015409426};
constexpr float COMB_DRIFT_DEPTH = 0.002f;
// The B lanes' combs are this much longer than the A lanes'.
constexpr float SECOND_SIZE = 1.1f;
// The reverb's wet: the two lanes of a side, each at -3 dB, and 0.9 of that.
constexpr float REVERB_WET_GAIN = 0.707f * 0.9f;
constexpr float DELAY_WET_FACTOR = 0.9f;
// Each stage's mix parameter, then its mix destination (its pan destination follows).
constexpr int MIX_TAGS[FX_STAGE_COUNT] = {tag::LOW_FI_MIX, tag::MOD_FX_MIX, tag::DELAY_MIX, tag::REVERB_MIX};
constexpr int MIX_DESTS[FX_STAGE_COUNT] = {destination::LOWFI_MIX, destination::MOD_FX_MIX, destination::DELAY_MIX,
                                           destination::REVERB_MIX};

}  // namespace

TEffectsChain::TEffectsChain(const TEngineTables& engineTables, TRandSeed& randSeed)
    : seed(randSeed), modFX(engineTables) {
    buildFilterTables();
    initFX(TFxControls{});
}

void TEffectsChain::setSampleRate(float rate) {
    sampleRate = rate == rate ? clampTo(rate, LOWEST_RATE, HIGHEST_RATE) : 44100.0f;
}

void TEffectsChain::initFX(const TFxControls& c) {
    frameCount = 0;
    lastReverbUpdate = 0;
    frameSources = TFxSources{};
    lowFi.init(sampleRate);
    modFX.setSampleRate(sampleRate);
    modFX.init();
    fxDelay.init(sampleRate);
    reverbDelay.init(sampleRate);
    reverb.setSampleRate(sampleRate);
    reverb.mute();
    widenPhase.fill(0.0);
    combModPhase.fill(0.0);
    forgetSettings();
    controlStep(c);
    for (int s = 0; s < FX_STAGE_COUNT; ++s) mix.smooth[s] = c.param(MIX_TAGS[s]);
}

void TEffectsChain::forgetSettings() {
    lastParametersKnown = false;
    modFX.forgetSettings();
    lowFiFrom.forget();
    delayFrom.forget();
    preDelayFrom.forget();
}

void TEffectsChain::restartModulation() { modFX.restart(); }

void TEffectsChain::restartGator() { modFX.gator().restart(); }

void TEffectsChain::controlStep(const TFxControls& c) {
    bypassAll = c.on(tag::BYPASS_ALL_FX);
    stageOn = {c.on(tag::LOW_FI), c.on(tag::MOD_FX), c.on(tag::DELAY), c.on(tag::REVERB)};
    noStageOn = !stageOn[0] && !stageOn[1] && !stageOn[2] && !stageOn[3];
    for (int s = 0; s < FX_STAGE_COUNT; ++s) mix.running[s] = stageOn[s] ? std::bit_cast<float>(~0u) : 0.0f;
    // A new mode starts its mix from the parameter.
    if (modFX.controlStep(c)) mix.smooth[FX_STAGE_MOD_FX] = c.param(tag::MOD_FX_MIX);
    // The modulation and the tempo move here; and a stage switched on, or a
    // new mode, looks at its settings again whatever moved.
    lastParametersKnown = false;
}

void TEffectsChain::setDelaySettings(const TFxView& c) {
    fxDelay.setTempo(c.beatsPerMinute());
    fxDelay.setTimeSync(c.param(tag::DELAY_TEMPO_SYNC));
    const float both = c.mod(destination::DELAY_LENGTH);
    const stereoStruct length{clamp01(c.param(tag::DELAY_LEFT) + c.mod(destination::DELAY_LEFT) + both),
                              clamp01(c.param(tag::DELAY_RIGHT) + c.mod(destination::DELAY_RIGHT) + both)};
    // "Delay Fine" moves both lengths by up to 0.1 s per unit.
    const float fine = std::fabs(c.mod(destination::DELAY_FINE) * 0.1f * sampleRate);
    fxDelay.setDelayLen(length, stereoStruct{fine, fine}, 1.0f);
    fxDelay.setEqual(c.param(tag::DELAY_EQUAL_FEEDBACK));
    // Feed and Cross run from -0.99 to 0.99 with 0 at the middle.
    fxDelay.setFeed(c.param(tag::DELAY_FEED) * 1.98f - 0.99f + c.mod(destination::DELAY_FEED),
                    c.param(tag::DELAY_CROSS) * 1.98f - 0.99f + c.mod(destination::DELAY_CROSS));
    fxDelay.setFeedFilter(c.clamped(tag::DELAY_LOWPASS_FILTER_FREQUENCY, destination::DELAY_LOW_PASS),
                          c.clamped(tag::DELAY_HIGHPASS_FILTER_FREQUENCY, destination::DELAY_HIGH_PASS));
}

void TEffectsChain::setPreDelay(const TFxView& c) {
    // Pre-delay: 0.5 ms at 0 to 512 ms at 1, plus a sample; the right side
    // is widened by its own modulation and the line can feed back on itself.
    const float position = c.param(tag::REVERB_PRE_DELAY) + c.mod(destination::REVERB_PREDELAY);
    const float left = exp2Limited(10.0f * std::fmax(position, 0.0f)) / 2000.0f * sampleRate + 1.0f;
    const float right = left * exp2Limited(c.mod(destination::REVERB_PREWIDEN));
    reverbDelay.setDelayLenDirect(stereoStruct{left, right});
    reverbDelay.setFeed(-0.995f * clampTo(c.mod(destination::REVERB_PREFEED), -1.0f, 1.0f), 0.0f);
}

void TEffectsChain::updateReverb(const TFxView& c) {
    // Four slow triangles move the widen taps by a few per cent.
    int taps[4];
    for (int i = 0; i < 4; ++i) {
        const TReverbWidenTap& tap = REVERB_WIDEN_TAPS[i];
        widenPhase[i] = fraction(widenPhase[i] + tap.lfoStep);
        const float base = sampleRate / 1000.0f * tap.baseMs;
        const float triangle = std::fabs(2.0f * static_cast<float>(widenPhase[i]) - 1.0f);
        taps[i] = static_cast<int>(base * (1.0f - tap.depth * triangle) + 1.0f);
    }
    reverb.setWiden(taps[0], taps[1], taps[2], taps[3]);

    // The drift follows the frames since the last update, so it keeps its
    // pace when the reverb was off and whatever the counter has wrapped past.
    const double elapsed = static_cast<double>(frameCount - lastReverbUpdate);
    lastReverbUpdate = frameCount;
    float drift[2];
    for (int j = 0; j < 2; ++j) {
        combModPhase[j] = fraction(combModPhase[j] + elapsed * COMB_DRIFT_HZ[j] / sampleRate);
        drift[j] = 1.0f + COMB_DRIFT_DEPTH * static_cast<float>(std::sin(TWO_PI * combModPhase[j]));
    }
    reverb.setMod(drift[0], drift[1], drift[0], drift[1]);

    reverb.setRoomSize(c.clamped(tag::REVERB_SIZE, destination::REVERB_SIZE));
    reverb.setDamp(c.clamped(tag::REVERB_DAMP, destination::REVERB_DAMP));
    reverb.setFilter(1.0f, c.clamped(tag::REVERB_HIGHPASS_FILTER_FREQUENCY, destination::REVERB_HIGH_PASS));
    // "Reverb Length" scales the combs from 1/64 to 4 times their tuning.
    const float size = std::exp2(c.clamped(tag::REVERB_LENGTH, destination::REVERB_LEN) * 8.0f - 6.0f);
    reverb.setSize(size, SECOND_SIZE * size);
}

stereoStruct TEffectsChain::runReverb(stereoStruct x, const TFxView& c, bool moved) {
    if ((frameCount & REVERB_UPDATE_MASK) == 0) updateReverb(c);
    if (moved && preDelayFrom.moved(c)) setPreDelay(c);
    stereoStruct delayed;
    reverbDelay.process(x, delayed);
    float o1, o2, o3, o4;
    reverb.process(delayed.left, delayed.right, o1, o2, o3, o4);
    return stereoStruct{(o1 + o3) * REVERB_WET_GAIN + 1e-15f, (o2 + o4) * REVERB_WET_GAIN + 1e-15f};
}

void TEffectsChain::StageMixes::setControls(const TFxView& c) {
    for (int s = 0; s < FX_STAGE_COUNT; ++s) {
        parameter[s] = c.param(MIX_TAGS[s]);
        mixModulation[s] = c.mod(MIX_DESTS[s]);
        // Pan 0 leaves both sides whole; towards either end the other side
        // fades. With the stage's share of its wet (0.9 for the delay).
        const float q = clamp01(0.5f * c.mod(MIX_DESTS[s] + 1) + 0.5f);
        const float factor = s == FX_STAGE_DELAY ? DELAY_WET_FACTOR : 1.0f;
        panLeft[s] = clamp01(2.0f - 2.0f * q) * factor;
        panRight[s] = clamp01(2.0f * q) * factor;
    }
}

void TEffectsChain::StageMixes::advance() {
    const __m128 on = _mm_load_ps(running);
    const __m128 old = _mm_load_ps(smooth);
    const __m128 moved = _mm_add_ps(_mm_add_ps(_mm_mul_ps(old, _mm_set1_ps(0.999f)),
                                               _mm_mul_ps(_mm_load_ps(parameter), _mm_set1_ps(0.000999987f))),
                                    _mm_set1_ps(1e-15f));
    const __m128 now = _mm_or_ps(_mm_and_ps(on, moved), _mm_andnot_ps(on, old));
    _mm_store_ps(smooth, now);
    // clamp01 by max and min: max takes its second operand for a NaN, so a NaN gives 0.
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), two = _mm_set1_ps(2.0f);
    const __m128 m = _mm_min_ps(_mm_max_ps(_mm_add_ps(now, _mm_load_ps(mixModulation)), zero), one);
    // At mix 0.5 dry and wet both pass whole; towards either end one fades.
    _mm_store_ps(dry, _mm_min_ps(_mm_max_ps(_mm_sub_ps(two, _mm_mul_ps(two, m)), zero), one));
    _mm_store_ps(wet, _mm_min_ps(_mm_max_ps(_mm_mul_ps(two, m), zero), one));
}

bool TEffectsChain::controlsMoved(const TFxView& c) {
    // The parameters, bit for bit, four to a vector.
    static_assert(TFxControls::TAG_COUNT % 4 == 0);
    __m128i same = _mm_set1_epi32(-1);
    for (int i = 0; i < TFxControls::TAG_COUNT; i += 4) {
        const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.parameters + i));
        const __m128i last = _mm_load_si128(reinterpret_cast<const __m128i*>(lastParameters.data() + i));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(now, last));
    }
    if (lastParametersKnown && _mm_movemask_epi8(same) == 0xFFFF) return false;
    std::copy(c.parameters, c.parameters + TFxControls::TAG_COUNT, lastParameters.begin());
    lastParametersKnown = true;
    return true;
}

// moved: a control differs from the last frame's; a stage's settings are
// then worked out again where a value they come from moved.
inline stereoStruct TEffectsChain::runStage(int stage, stereoStruct x, const TFxView& c, bool moved) {
    stereoStruct wet;
    switch (stage) {
    case FX_STAGE_LOW_FI:
        if (moved && lowFiFrom.moved(c)) lowFi.setControls(c);
        wet = lowFi.process(x, seed);
        break;
    case FX_STAGE_MOD_FX:
        if (moved) modFX.setControls(c);
        wet = modFX.process(x, frameCount, seed);
        if (modFX.getMode() == TModFX::GATOR) {
            frameSources.gatorRan = true;
            frameSources.gatorGain = modFX.gator().getGain();
        }
        break;
    case FX_STAGE_DELAY:
        if (moved && delayFrom.moved(c)) setDelaySettings(c);
        fxDelay.process(x, wet);
        break;
    default: wet = runReverb(x, c, moved); break;
    }
    const stereoStruct out = mix.apply(stage, x, wet);
    frameSources.stageOutput[stage] = (out.left + out.right) * 4.0f;
    frameSources.stagesRun |= 1u << stage;
    return out;
}

// With every stage off the mixes of process() move no smoother, and the
// parameters it keeps are looked at afresh after the control step that
// switches a stage on: only the frame count goes on.
stereoStruct TEffectsChain::passFrame(stereoStruct in) {
    frameSources.stagesRun = 0;
    frameSources.gatorRan = false;
    if (bypassAll) return in;
    ++frameCount;
    return stereoStruct{std::isfinite(in.left) ? in.left : 0.0f, std::isfinite(in.right) ? in.right : 0.0f};
}

stereoStruct TEffectsChain::process(stereoStruct in, const TFxView& c) {
    frameSources.stagesRun = 0;
    frameSources.gatorRan = false;
    if (bypassAll) return in;
    // A value that is not a number would stay in every recursion it reached.
    stereoStruct x{std::isfinite(in.left) ? in.left : 0.0f, std::isfinite(in.right) ? in.right : 0.0f};
    const bool moved = controlsMoved(c);
    if (moved) mix.setControls(c);
    mix.advance();
    const int path = c.path >= 0 && c.path < FX_PATH_COUNT ? c.path : 0;
    for (int stage : FX_PATH_NO[static_cast<size_t>(path)])
        if (stageOn[static_cast<size_t>(stage)]) x = runStage(stage, x, c, moved);
    ++frameCount;
    return x;
}
