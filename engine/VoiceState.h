// Voice state of the sound engine: the 16 voices as arrays indexed by voice (struct of
// arrays), the note stack of the mono and legato modes, portamento, and the
// per-voice amplitude envelope.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/dsp/FastMath.h"
#include "engine/dsp/StereoTypes.h"

constexpr int NUM_VOICES = 16;

struct TVoiceState {
    template <typename T>
    using PerVoice = std::array<T, NUM_VOICES>;

    TVoiceState() {
        voiceChannel.fill(-1);
        noteStack.fill(-1);
        voicePan.fill(0.5f);
        movementLevel.fill(1.0f);
        movementPan.fill(0.5f);
        waveIndexNote.fill(NO_TABLE_NOTE);
    }
    static constexpr int NO_TABLE_NOTE = -2147483647 - 1;  // below any table note: the first one always counts

    PerVoice<bool> voiceOn{};
    PerVoice<bool> voiceKeyUp{};
    PerVoice<bool> voiceRelease{};
    PerVoice<bool> voiceFastRelease{};
    PerVoice<bool> voiceSustainKeyUp{};   // key-up held back by the sustain pedal
    PerVoice<bool> voiceSustainRelease{};  // release held back by the sustain pedal
    PerVoice<bool> voiceJustStarted{};
    PerVoice<int> voiceChannel{};  // MIDI channel in "Poly MPE", -1 otherwise
    PerVoice<int> voiceNote{};
    PerVoice<float> voicePitch{};  // octaves from A3 (note 57)
    PerVoice<float> voiceVelocity{};
    PerVoice<float> voiceVelGain{};
    PerVoice<float> glidePos{}, glideStep{}, glideDir{};
    // Frames since the note started; counted unsigned and only compared by its
    // low bits, so it may wrap.
    PerVoice<std::uint32_t> voiceFrameCount{};
    // frameCount when the voice was chosen; compared as an age (frameCount -
    // start, unsigned), which stays right across the counter's wrap.
    PerVoice<std::uint32_t> voiceStartFrame{};
    PerVoice<float> voicePan{};
    PerVoice<float> voiceBend{};  // octaves
    PerVoice<float> voiceGrainLen{}, voiceGrainSize{}, voiceGrainRandom{};
    // 2^(9 x) of the grain size, whose argument holds still while nothing modulates it.
    PerVoice<TCachedExp2f> grainSizeRatio{};
    PerVoice<std::array<double, 2>> voiceRandFactor{};

    // Pitch of the voice's source, set every frame from the note, glide and modulation.
    PerVoice<float> voiceInc{}, subInc{};
    PerVoice<double> voiceSamplePitch{};
    PerVoice<int> waveIndex{}, subIndex{};
    // Where waveIndex's band starts in a wave shape's tables (waveTableOffset
    // of the source), moved with waveIndex.
    PerVoice<int> waveTableOffset{};
    // The table note that waveIndex and subIndex were last derived from; it
    // moves only when the pitch crosses a semitone.
    PerVoice<int> waveIndexNote{};

    // The voice's frame: left, right of the first sub-sample, then of the
    // second. Written for the sounding voices only, each frame.
    PerVoice<stereoOverStruct> voiceFrame{};
    // DC blocker state per voice and channel.
    PerVoice<std::array<float, 2>> dcState{};

    // Envelope: a level advanced per voice control step and a per-frame ramp
    // that reaches it by the next step.
    PerVoice<int> envStage{};  // 0 attack, 2 attack finished
    PerVoice<double> envLevel{}, envValue{}, envStep{}, envRamp{};
    PerVoice<double> fadeGain{}, fadeStep{};  // fade-in after the note start

    // The Movement's level and pan as the mix reads them: the Movement writes
    // them every frame; 1.0 and centre while it rests.
    PerVoice<float> movementLevel{}, movementPan{};

    // Global.
    int playMode = 0;
    int portamentoMode = 0;
    int curVoice = 0;
    int lastVoice = 0;
    std::array<bool, 128> keyDown{};
    std::array<int, 128> noteStack{};
    int noteStackTop = -1;
    bool monoHeld = false;
    int monoVelocity = 0;
    float lastPitch = -10.0f;  // -10: no previous note to glide from
    int noteCycle = 0;
    bool previewNoteIsOn = false;
    float lastPan = 0.5f;
    float baseNoteInc = 0;  // increment of the base pitch (110 Hz) at the host rate
};

// A voice's key let go: at once, or held back until the pedal is up while
// the sustain pedal is down. v is a valid voice.
inline void releaseVoiceKey(TVoiceState& voices, int v, bool sustainOn) {
    if (sustainOn) {
        voices.voiceSustainKeyUp[v] = true;
        voices.voiceSustainRelease[v] = true;
    } else {
        voices.voiceKeyUp[v] = true;
        voices.voiceRelease[v] = true;
    }
}

// The keys held down now.
inline int notesPlaying(const TVoiceState& voices) {
    return static_cast<int>(std::count(voices.keyDown.begin(), voices.keyDown.end(), true));
}
