// Notes and voices: allocation and stealing, the eight play modes with the note
// stack of the mono and legato modes, portamento, sustain-aware release, the
// preview note and the reset of the whole voice state. All of it runs on the
// audio thread; the editor's requests arrive as flags (see takeBlockRequests).
#include <algorithm>
#include <cmath>

#include "engine/EnginePreferences.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/ModTables.h"
#include "engine/dsp/SampleMath.h"
#include "engine/SoundEngine.h"
#include "engine/SampleState.h"

namespace {

// Pitch bend ranges in octaves, indexed like the "Pitch Bend" menus
// ("Off", "1" .. "12", "24", "36", "48").
constexpr float BEND_RANGE[16] = {0,         1.0f / 12, 2.0f / 12, 3.0f / 12, 4.0f / 12,  5.0f / 12,  6.0f / 12, 7.0f / 12,
                                  8.0f / 12, 9.0f / 12, 10.0f / 12, 11.0f / 12, 1, 2, 3, 4};
constexpr float ALT4[4] = {-1, 0, 1, 0};

// "Free LFO Mode" step in which one Free LFO serves every voice and restarts with each note.
constexpr int FREE_LFO_MODE_MONO = 2;

bool isMonoMode(int mode) { return mode >= PLAY_MONO && mode <= PLAY_MONO_LO; }
bool isLegatoMode(int mode) { return mode >= PLAY_LEGATO && mode <= PLAY_LEGATO_LO; }
bool isValidNote(int note) { return note >= 0 && note < 128; }

// A note's own sources in a row of sources; each call draws its two random values afresh.
void setNoteSources(TModState::Row& sources, int note, int velocity, TRandSeed& random) {
    sources[source::VELOCITY] = velocity / 127.0f;
    sources[source::NOTE] = note / 127.0f;
    sources[source::CENTER_NOTE] = (note - 57) / 12.0f;
    sources[source::NOTE_RANDOM_1] = 2.0f * random.uniform() - 1.0f;
    sources[source::NOTE_UNIPOLAR_RANDOM_1] = sources[source::NOTE_RANDOM_1] * 0.5f + 0.5f;
    sources[source::NOTE_RANDOM_2] = 2.0f * random.uniform() - 1.0f;
    sources[source::NOTE_UNIPOLAR_RANDOM_2] = sources[source::NOTE_RANDOM_2] * 0.5f + 0.5f;
}

}  // namespace

// ---------------------------------------------------------------- voice flags

void TSoundEngine::setVoiceOn(int v) {
    if (!isValidVoice(v)) return;
    voices.voiceOn[v] = true;
    voices.voiceKeyUp[v] = false;
    voices.voiceRelease[v] = false;
    voices.voiceFastRelease[v] = false;
    // Releases held back for an earlier note on this voice belong to that note.
    voices.voiceSustainKeyUp[v] = false;
    voices.voiceSustainRelease[v] = false;
}

void TSoundEngine::setVoiceOff(int v) {
    if (!isValidVoice(v)) return;
    releaseVoiceKey(voices, v, midi.sustainOn);
}

namespace {
void clearEnvelope(TVoiceState& voices, int v) {
    voices.envStage[v] = 0;
    voices.envLevel[v] = 0;
    voices.envValue[v] = 0;
    voices.envStep[v] = 0;
    voices.envRamp[v] = 0;
}
}  // namespace

void TSoundEngine::setVoiceTotallyOff(int v) {
    if (!isValidVoice(v)) return;
    voices.voiceOn[v] = false;
    voices.voiceRelease[v] = false;
    voices.voiceFastRelease[v] = false;
    clearEnvelope(voices, v);
}

void TSoundEngine::turnAllVoicesOff() {
    for (int v = 0; v < NUM_VOICES; ++v) {
        setVoiceTotallyOff(v);
        voices.voiceChannel[v] = -1;
    }
    // A mono phrase stays held (monoHeld) for keys that may still be down:
    // only setEverythingOff lets the phrase go.
    voices.noteStack.fill(-1);
    voices.noteStackTop = -1;
}

void TSoundEngine::setEverythingOff(bool hard) {
    for (int v = 0; v < NUM_VOICES; ++v) {
        voices.voiceOn[v] = false;
        voices.voiceRelease[v] = false;
        voices.voiceFastRelease[v] = false;
        voices.voiceSustainKeyUp[v] = false;
        voices.voiceSustainRelease[v] = false;
        voices.voiceChannel[v] = -1;
        clearEnvelope(voices, v);
    }
    voices.curVoice = 0;
    voices.keyDown.fill(false);
    voices.noteStack.fill(-1);
    voices.noteStackTop = -1;
    voices.monoHeld = false;
    if (hard) voices.lastPitch = -10.0f;
    for (int v = 0; v < NUM_VOICES; ++v) resetVoiceModDest(v);
}

int TSoundEngine::getNotesOn() const {
    if (voices.monoHeld) return 2;
    return static_cast<int>(std::count(voices.voiceOn.begin(), voices.voiceOn.end(), true));
}

int TSoundEngine::getNotesPlaying() const { return notesPlaying(voices); }

// ---------------------------------------------------------------- allocation

void TSoundEngine::getNextCurVoice() {
    const int voicesOn = static_cast<int>(std::count(voices.voiceOn.begin(), voices.voiceOn.end(), true));
    if (!voices.monoHeld && voicesOn == NUM_VOICES - 1) {
        // One voice is always kept free for the next note: take the free one and
        // cut the quietest voice now, preferring voices already in release.
        const int freeVoice = static_cast<int>(std::find(voices.voiceOn.begin(), voices.voiceOn.end(), false) -
                                               voices.voiceOn.begin());
        voices.curVoice = freeVoice;
        setVoiceOn(freeVoice);
        int victim = -1;
        for (int v = 0; v < NUM_VOICES; ++v) {
            if (v == freeVoice || !voices.voiceOn[v] || !voices.voiceRelease[v] || !(voices.envRamp[v] < 100.0)) continue;
            if (victim < 0 || voices.envRamp[v] < voices.envRamp[victim]) victim = v;
        }
        if (victim < 0)
            for (int v = 0; v < NUM_VOICES; ++v) {
                if (v == freeVoice) continue;
                if (victim < 0 || voices.envRamp[v] < voices.envRamp[victim]) victim = v;
            }
        if (victim >= 0) setVoiceTotallyOff(victim);
    } else {
        int chosen = -1;
        for (int v = 0; v < NUM_VOICES && chosen < 0; ++v)
            if (!voices.voiceOn[v]) chosen = v;
        if (chosen < 0) {
            chosen = 0;
            for (int v = 1; v < NUM_VOICES; ++v)
                if (voices.envRamp[v] < voices.envRamp[chosen]) chosen = v;
        }
        voices.curVoice = chosen;
    }
    voices.voiceStartFrame[voices.curVoice] = engine.frameCount;
}

void TSoundEngine::setLastVoice() {
    if (voices.voiceOn[voices.curVoice]) voices.lastVoice = voices.curVoice;
    // The voice started most recently wins, the lower voice of those started in
    // the same frame; a start at frame 0 counts as no start. Ages are compared
    // rather than start frames so that the choice stays right when frameCount wraps.
    int best = -1;
    for (int v = 0; v < NUM_VOICES; ++v) {
        if (!voices.voiceOn[v] || voices.voiceStartFrame[v] == 0) continue;
        if (best < 0 || engine.frameCount - voices.voiceStartFrame[v] < engine.frameCount - voices.voiceStartFrame[best])
            best = v;
    }
    if (best >= 0) voices.lastVoice = best;
}

// ---------------------------------------------------------------- the note stack

namespace {

bool stackHolds(const TVoiceState& voices, int note) {
    for (int i = 0; i <= voices.noteStackTop; ++i)
        if (voices.noteStack[i] == note) return true;
    return false;
}

// Keeps the held notes in order without `note`; with dropLow the entries below 1
// go too. Returns how many notes are left.
int removeFromStack(TVoiceState& voices, int note, bool dropLow) {
    int count = 0;
    for (int i = 0; i <= voices.noteStackTop; ++i) {
        const int held = voices.noteStack[i];
        if (held == note || held < 0 || (dropLow && held < 1)) continue;
        voices.noteStack[count++] = held;
    }
    for (int i = count; i < 128; ++i) voices.noteStack[i] = -1;
    voices.noteStackTop = count - 1;
    return count;
}

void emptyStack(TVoiceState& voices) {
    voices.noteStack.fill(-1);
    voices.noteStackTop = -1;
    voices.monoHeld = false;
}

// A key pressed again moves to the top instead of being stacked twice.
void pushNote(TVoiceState& voices, int note) {
    if (stackHolds(voices, note)) removeFromStack(voices, note, false);
    voices.noteStackTop = std::min(voices.noteStackTop + 1, 127);
    voices.noteStack[voices.noteStackTop] = note;
}

// Mono Hi takes only notes above the newest held note, Mono Lo only notes below.
bool acceptsNote(const TVoiceState& voices, int mode, int note) {
    if (voices.noteStackTop < 0) return true;
    const int newest = voices.noteStack[voices.noteStackTop];
    switch (mode) {
        case PLAY_MONO_HI:
        case PLAY_LEGATO_HI: return newest < note;
        case PLAY_MONO_LO:
        case PLAY_LEGATO_LO: return newest > note;
        default: return true;
    }
}

}  // namespace

// ---------------------------------------------------------------- note on and off

void TSoundEngine::midiNoteDown(int note, int velocity, int channel) {
    if (!isValidNote(note)) return;
    velocity = std::clamp(velocity, 0, 127);
    channel = std::clamp(channel, 0, 15);
    voices.keyDown[note] = true;

    if (!voices.monoHeld && getNotesOn() == 0) setNoteSources(mod.globalModSrc(), note, velocity, engine.noteRandom);

    if (voices.previewNoteIsOn) {
        voices.previewNoteIsOn = false;
        stopAllForPreview();
    }

    const int mode = voices.playMode;
    if (mode == PLAY_POLY || mode == PLAY_POLY_MPE) {
        getNextCurVoice();
        const int v = voices.curVoice;
        setVoiceOn(v);
        if (mode == PLAY_POLY_MPE) voices.voiceChannel[v] = channel;
        setNotePressed(v, note, velocity, true);
    } else if (isMonoMode(mode)) {
        if (!acceptsNote(voices, mode, note)) return;
        pushNote(voices, note);
        setVoiceOff(voices.curVoice);
        getNextCurVoice();
        if (voices.noteStackTop > 0)
            voices.monoHeld = true;
        else
            voices.monoVelocity = velocity;
        setVoiceOn(voices.curVoice);
        setNotePressed(voices.curVoice, note, voices.monoVelocity, true);
    } else if (isLegatoMode(mode)) {
        if (!acceptsNote(voices, mode, note)) return;
        pushNote(voices, note);
        // The sounding voice glides to the new note; if it has ended meanwhile
        // (its Movement ran out), the phrase starts afresh.
        if (voices.noteStackTop > 0 && voices.voiceOn[voices.curVoice]) {
            voices.monoHeld = true;
            setNotePressed(voices.curVoice, note, voices.monoVelocity, false);
        } else {
            // A first note leaves monoHeld as it was: after the voices were
            // stopped, the keys of the phrase may still be down.
            if (voices.noteStackTop > 0) voices.monoHeld = true;
            setVoiceOff(voices.curVoice);
            voices.monoVelocity = velocity;
            getNextCurVoice();
            setVoiceOn(voices.curVoice);
            setNotePressed(voices.curVoice, note, voices.monoVelocity, true);
        }
    }
}

void TSoundEngine::midiNoteRelease(int note, int channel) {
    if (!isValidNote(note)) return;
    voices.keyDown[note] = false;
    const int mode = voices.playMode;

    if (mode == PLAY_POLY || mode == PLAY_POLY_MPE) {
        for (int v = 0; v < NUM_VOICES; ++v) {
            if (voices.voiceNote[v] != note) continue;
            if (mode == PLAY_POLY_MPE && voices.voiceChannel[v] != channel) continue;
            voices.voiceNote[v] = 0;
            voices.voiceKeyUp[v] = true;
        }
        return;
    }
    if (!isMonoMode(mode) && !isLegatoMode(mode)) return;
    if (voices.noteStackTop < 0 || !stackHolds(voices, note)) return;

    const int newest = voices.noteStack[voices.noteStackTop];
    // An empty stack after the rebuild means the last key went up (a held note 0
    // is dropped by the rebuild): the phrase ends instead of restarting on a
    // note that is not held.
    if (removeFromStack(voices, note, true) == 0) {
        voices.voiceKeyUp[voices.curVoice] = true;
        emptyStack(voices);
        return;
    }
    // The phrase stays held (monoHeld) until its last key goes up.
    const int resumed = voices.noteStack[voices.noteStackTop];

    if (isMonoMode(mode)) {
        if (newest != note) return;
        setVoiceOff(voices.curVoice);
        voices.voiceFastRelease[voices.curVoice] = true;
        getNextCurVoice();
        setVoiceOn(voices.curVoice);
        setNotePressed(voices.curVoice, resumed, voices.monoVelocity, true);
    } else {
        setNotePressed(voices.curVoice, resumed, voices.monoVelocity, false);
    }
}

// ---------------------------------------------------------------- note start

void TSoundEngine::setNotePressed(int v, int note, int velocity, bool retrigger) {
    if (!isValidVoice(v) || !isValidNote(note)) return;
    voices.voiceOn[v] = true;
    voices.voiceRelease[v] = false;
    voices.voiceNote[v] = note;

    const float tuned = getTuning(note);
    voices.voicePitch[v] = (tuned - 57.0f) / 12.0f;

    voices.voiceVelocity[v] = velocity / 127.0f;
    const float velocityAmount =
        std::clamp(paramValue(tag::VELOCITY_TO_VOLUME) + mod.globalModDest[destination::VELOCITY_TO_VOLUME], 0.0f, 1.0f);
    voices.voiceVelGain[v] = velocityAmount * velocity / 127.0f + (1.0f - velocityAmount);

    // Portamento from the previous note's pitch.
    if (std::fabs(voices.lastPitch + 10.0f) < 0.0001f) voices.lastPitch = voices.voicePitch[v];
    float start = voices.lastPitch;
    const float glideTime = std::exp2(
        12.0f *
        std::clamp(paramValue(tag::PORTAMENTO_AMOUNT) + mod.globalModDest[destination::PORTAMENTO_AMOUNT], 0.0f, 1.0f));
    float step = 0;
    switch (voices.portamentoMode) {
        case PORTA_CONST_RATE:
        case PORTA_HELD_RATE: step = sign(voices.voicePitch[v] - start) / (16.0f * glideTime); break;
        case PORTA_CONST_TIME:
        case PORTA_HELD_TIME: step = (voices.voicePitch[v] - start) / (16.0f * glideTime); break;
        default: start = voices.voicePitch[v]; break;
    }
    voices.glideStep[v] = step;
    voices.glideDir[v] = sign(step);
    voices.glidePos[v] = start;
    voices.lastPitch = voices.voicePitch[v];

    if (!retrigger) return;

    auto& voiceSrc = mod.voiceModSrc(v);
    auto& global = mod.globalModSrc();

    voices.voiceFrameCount[v] = 0;
    resetVoiceModDest(v);
    voices.fadeGain[v] = paramValue(tag::ATTACK) < 0.0001f ? 1.0 : 0.0;
    voices.fadeStep[v] = 0;
    startVoiceSource(v, units.source, units.pinkNoise, units.noiseSeed);
    // The tuned-noise band-pass starts settled at a neutral setting.
    TFilter& bandPass = units.voiceBPFilter[v];
    bandPass.reset();
    bandPass.setBP(300.0f, 0.6f, 1.0f, true);
    for (int i = 0; i < 30; ++i) {
        float out0, out1;
        bandPass.processBP(0.0f, 0.0f, out0, out1);
    }
    startVoiceSample(v);
    units.voiceFilter[v].reset();
    voices.dcState[v] = {0, 0};
    voiceSrc[source::VOICE_OUTPUT] = 0;
    clearEnvelope(voices, v);
    initVoiceLFO(v, 0);
    initVoiceLFO(v, 1);
    setVoiceLFOS(v);
    voices.voiceJustStarted[v] = true;
    // A Free LFO shared by all voices in "Mono" mode restarts with every note.
    if (movement.freeLFOMode == FREE_LFO_MODE_MONO) initGlobalLFO(1);

    // Alternating sources from the note counter.
    const int n = voices.noteCycle;
    setModSrc(source::ALTERNATE_2, 2.0f * (n % 2) - 1.0f);
    setModSrc(source::UNIPOLAR_ALTERNATE_2, static_cast<float>(n % 2));
    setModSrc(source::ALTERNATE_3, static_cast<float>(n % 3) - 1.0f);
    setModSrc(source::UNIPOLAR_ALTERNATE_3, (n % 3) * 0.5f);
    setModSrc(source::ALTERNATE_4, ALT4[n % 4]);
    setModSrc(source::UNIPOLAR_ALTERNATE_4, ALT4[n % 4] * 0.5f + 0.5f);
    voices.noteCycle = (n + 1) % 12;

    setNoteSources(voiceSrc, note, velocity, engine.noteRandom);

    // Controllers jump to their targets: a new note does not glide in from the
    // previous note's smoothed values.
    const bool mpe = voices.playMode == PLAY_POLY_MPE;
    const int channel = std::clamp(voices.voiceChannel[v], 0, 15);
    if (mpe) {
        midi.voiceModWheel[v] = midi.channelModWheel[channel];
        midi.polyAftertouch[v] = midi.channelPolyAftertouch[channel];
        midi.voicePressure[v] = midi.channelPressure[channel];
    }
    midi.voiceModWheelSmoothed[v] = midi.voiceModWheel[v];
    midi.polyAftertouchSmoothed[v] = midi.polyAftertouch[v];
    midi.voicePressureSmoothed[v] = midi.voicePressure[v];
    voiceSrc[source::MOD_WHEEL] = midi.voiceModWheelSmoothed[v];
    voiceSrc[source::MOD_WHEEL_AFTERTOUCH] = std::max(midi.voiceModWheelSmoothed[v], midi.voicePressureSmoothed[v]);
    voiceSrc[source::CHANNEL_AFTERTOUCH] = midi.voicePressureSmoothed[v];
    voiceSrc[source::POLY_AFTERTOUCH] = midi.polyAftertouchSmoothed[v];
    global[source::MOD_WHEEL_AFTERTOUCH] = voiceSrc[source::MOD_WHEEL_AFTERTOUCH];
    global[source::CHANNEL_AFTERTOUCH] = voiceSrc[source::CHANNEL_AFTERTOUCH];
    global[source::POLY_AFTERTOUCH] = voiceSrc[source::POLY_AFTERTOUCH];

    auto& voiceMidiSrc = mod.voiceMidiModSrc(v);
    if (mpe) {
        for (int s = source::PITCHBEND; s <= source::CC_114; ++s)
            voiceSrc[s] = voiceMidiSrc[s] = mod.channelModSrc[channel][s];
    } else {
        for (int s = source::CC_2_BREATH; s <= source::CC_114; ++s) voiceSrc[s] = voiceMidiSrc[s];
        voiceSrc[source::PITCHBEND] = midi.pitchBend;
    }
    for (int s = source::CC_2_BREATH; s <= source::CC_114; ++s) global[s] = voiceSrc[s];

    const float bend = global[source::PITCHBEND] * 0.5f + 0.5f;
    voices.voiceBend[v] = bend > 0.5f ? getPitchBendValue(tag::PITCH_BEND_UP, bend)
                               : -getPitchBendValue(tag::PITCH_BEND_DOWN, 1.0f - bend);
}

float TSoundEngine::getPitchBendValue(int tag, float x) {
    if (!isValidParameterTag(tag)) return 0;
    const float value = paramValue(tag);
    const int range = std::clamp(static_cast<int>(value * 15.99f), 0, 15);  // NaN converts outside and clamps
    return (x - 0.5f) * BEND_RANGE[range] * 24.99f / 12.0f;
}

void TSoundEngine::updateBaseNote() {
    voices.baseNoteInc = 110.0f / rate.curSampleRate;
}

// ---------------------------------------------------------------- preview note and reset

void TSoundEngine::previewNoteOn() { engine.previewNoteOnRequested.store(true, std::memory_order_release); }

// The audio thread takes a release before a start; a press not yet taken is
// withdrawn, or a press and release between two blocks would leave the note hanging.
void TSoundEngine::previewNoteReleased() {
    engine.previewNoteOnRequested.store(false, std::memory_order_relaxed);
    engine.previewNoteOffRequested.store(true, std::memory_order_release);
}

void TSoundEngine::requestReset() { engine.resetRequested.store(true, std::memory_order_release); }

void TSoundEngine::requestAllVoicesOff() { engine.voicesOffRequested.store(true, std::memory_order_release); }

void TSoundEngine::startPreviewNoteNow() {
    if (voices.previewNoteIsOn) return;
    midiNoteDown(60, 100, 0);
    voices.previewNoteIsOn = true;
}

void TSoundEngine::releasePreviewNoteNow() {
    voices.previewNoteIsOn = false;
    stopAllForPreview();
}

void TSoundEngine::stopAllForPreview() {
    for (int v = 0; v < NUM_VOICES; ++v) {
        if (midi.sustainOn) {
            voices.voiceSustainKeyUp[v] = true;
            voices.voiceSustainRelease[v] = true;
        } else {
            voices.voiceKeyUp[v] = true;
            voices.voiceRelease[v] = true;
        }
        voices.voiceChannel[v] = -1;
    }
    initFX();
}

void TSoundEngine::reset() {
    output.scopeRing.fill(0);
    // Both sample previews stop: a reset silences whatever was playing.
    engine.previewFileOn = false;
    engine.previewUserOn = false;
    voices.previewNoteIsOn = false;
    voices.lastPan = 0.5f;

    // The receive channel as the preferences have it; this reset already is the
    // hard reset a channel change asks for.
    midi.midiChannel.store(enginepreferences::receiveChannel(), std::memory_order_relaxed);

    setEverythingOff(true);
    voices.playMode = paramStep(tag::PLAY_MODE);
    voices.portamentoMode = paramStep(tag::PORTAMENTO_MODE);
    midi.modWheelSmoothed = midi.modWheel;
    initFilters();
    initGlobalLFO(0);
    initGlobalLFO(1);
    // The effects too (initFX took the program's Gator pattern), and the
    // Gator back at its first step.
    initFX();
    fx.restartGator();
    handOff.screenUpdatePending = true;
}

float TSoundEngine::getTuning(int note) const {
    return paramOn(tag::HAS_TUNING) ? tuning.getPitch(note) : static_cast<float>(note);
}
