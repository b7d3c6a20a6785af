// The editor's read-outs: knob values with their modulation, the output
// scope, the Movement phase and the pan. The audio thread publishes their
// inputs once per block (publishEditorReadouts); the read-outs themselves run
// on the editor's thread and read only the published values and parameters.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/ModMath.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {

constexpr auto RELAXED = std::memory_order_relaxed;

}  // namespace

void TSoundEngine::publishEditorReadouts() {
    readouts.notesOn.store(getNotesOn(), RELAXED);
    const int voice = std::clamp(voices.curVoice, 0, NUM_VOICES - 1);
    const auto& row = mod.voiceModDest(voice);
    for (int dest = 0; dest < MOD_DEST_COUNT; ++dest) readouts.voiceModDest[dest] = row[dest];
    readouts.mainVolumeGain = output.mainVolumeGain;
    readouts.subVolumeGain = output.subVolumeGain;
    readouts.filterFrequency = units.voiceFilter[voice].getFreq();
    readouts.pinkNoiseRow = units.pinkNoise.row(0, 4);

    const bool anyOn = std::find(voices.voiceOn.begin(), voices.voiceOn.end(), true) != voices.voiceOn.end();
    const int last = std::clamp(voices.lastVoice, 0, NUM_VOICES - 1);
    const double phase = movement.voiceLFO[last][TMovementState::MOVEMENT].phase;
    readouts.movementPos.store(anyOn ? static_cast<float>(phase) : -1.0f, RELAXED);
    // The pan stays shown after the notes end.
    if (anyOn) voices.lastPan = voices.voicePan[last];
    readouts.pan.store(voices.lastPan, RELAXED);

    // Last: a reader that sees this count finds the ring written up to it.
    readouts.framesRendered.store(engine.frameCount, std::memory_order_release);
}

float TSoundEngine::getModValue(int tag) const {
    if (!isValidParameterTag(tag)) return 0.0f;
    const float value = paramValue(tag);
    const int dest = parameterAttributes.tagDest[tag];
    if (dest < 1 || dest >= MOD_DEST_COUNT || readouts.notesOn.load(RELAXED) == 0) return value;

    const auto& row = readouts.voiceModDest;
    const float modulated = clampFinite(value + row[dest], 0.0f, 1.0f);
    constexpr float LN_SPEED_RANGE = 9.704061f;  // 14 ln 2: the inverse of the 2^(14 x) speed law
    switch (tag) {
    case tag::MAIN_VOLUME: {
        const float gain = std::fabs(row[destination::VOLUME]) * readouts.mainVolumeGain;
        if (!(gain >= 0.001f)) return 0.0f;
        return clampFinite((20.0f * std::log10(gain) + 60.0f) / 80.0f, 0.0f, 1.0f);
    }
    case tag::SUB_VOLUME: {
        const float gain = std::fabs(row[destination::SUB_VOLUME]) * readouts.subVolumeGain;
        if (!(gain >= 0.001f)) return 0.0f;
        return clampFinite((20.0f * std::log10(gain) + 80.0f) / 80.0f, 0.0f, 1.0f);
    }
    case tag::FILTER_FREQUENCY:
        return clampFinite(readouts.filterFrequency.load(), 0.0f, 1.0f);
    case tag::WAVE_SAMPLE_NOISE_MIX: {
        // The noise level shown on the noise-mix knob: the fourth root of a
        // slow pink-noise row (its size; the row itself swings both ways).
        const float q = std::sqrt(std::sqrt(std::fabs(readouts.pinkNoiseRow.load())));
        return clampFinite(value < 0.5f ? (1.0f - q) / 2.0f : (1.0f + q) / 2.0f, 0.0f, 1.0f);
    }
    case tag::MOVEMENT_SPEED: {
        const float ratio = row[destination::MOVEMENT_SPEED];
        if (!(ratio > 0.0f)) return 0.0f;
        return clampFinite(std::log(ratio) / LN_SPEED_RANGE + getLockVar(tag::MOVEMENT_SPEED), 0.0f, 1.0f);
    }
    case tag::FREE_LFO_SPEED: {
        const float ratio = row[destination::FREE_LFO_SPEED];
        if (!(ratio > 0.0f)) return 0.0f;
        return clampFinite(value + std::log(ratio) / LN_SPEED_RANGE, 0.0f, 1.0f);
    }
    default:
        return modulated;
    }
}

void TSoundEngine::getWaveDisplay(int points, float zoom, float* out) const {
    if (!out || points < 50 || points > 5000) return;
    if (!(zoom >= 0.0f)) zoom = 0.0f;
    zoom = std::min(zoom, 1.0e4f);
    const std::int64_t newest =
        static_cast<std::int64_t>(readouts.framesRendered.load(std::memory_order_acquire)) - 1;
    for (int i = 0; i < points; ++i) {
        const double t = static_cast<double>(i) / (points - 1);
        const std::int64_t k = newest - static_cast<std::int64_t>((1.0 - t) * 8.0 * 2048.0 * zoom);
        if (k < 0) {
            out[i] = 0.5f;
            continue;
        }
        const float sample = output.scopeRing[static_cast<std::uint32_t>(k) & TOutputState::SCOPE_RING_MASK];
        out[i] = clampFinite(2.0f * sample + 0.5f, 0.0f, 1.0f);
    }
}

float TSoundEngine::getMovementPos() const { return readouts.movementPos.load(RELAXED); }

float TSoundEngine::getPan() const { return readouts.pan.load(RELAXED); }
