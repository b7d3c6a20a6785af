// The "Sample" source of the voices: the per-voice playback position of a
// built-in or user sample in its loop mode, plain or as grains, rendered per
// host frame as two sub-samples at twice the host rate. Audio thread only;
// nothing here allocates, locks or waits.
#pragma once

#include <cstdint>

#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/sample/SampleBank.h"
#include "engine/sample/SampleData.h"

constexpr int SAMPLE_PLAYBACK_VOICES = 16;
constexpr int GRAINS_PER_VOICE = 4;

// How a voice moves through its sample. The user sample's loop mode is the
// step of "Sample Loop Mode" (0..3); a built-in sample loops when it has a
// loop of its own and plays backwards with "Sample Rev On/Off".
enum TSampleLoopMode {
    SAMPLE_ONE_SHOT = 0,
    SAMPLE_LOOP = 1,
    SAMPLE_PING_PONG = 2,
    SAMPLE_REVERSE = 3,
    SAMPLE_REVERSE_LOOP = 5,
};

// What every voice reads alike in one frame: the chosen sample, where its
// loop lies and how fast it plays at a voice pitch ratio of 1. Lengths and
// points are in frames; length is the index of the last frame.
struct TSampleSlotFrame {
    int mode = SAMPLE_ONE_SHOT;
    double length = 0;
    double loopStart = 0, loopEnd = 0;
    double rateStep = 0;  // frames per frame of the host at pitch ratio 1

    // Exactly one source, or none (silence).
    const TSampleBank* bank = nullptr;
    std::int64_t bankStart = 0;   // the sample's first frame in the bank
    std::int64_t bankFrames = 0;  // its frames
    const TSampleData* user = nullptr;
    float userGain = 1.0f;

    // The value at a fractional frame position of the sample.
    void read(double pos, float& left, float& right) const;
};

// The frame of built-in sample n (0..193; another number is silent).
TSampleSlotFrame builtInSlotFrame(const TSampleBank* bank, int n, bool reverse, double hostRate);

// The user sample as its parameters set it up. usable: the slot holds a
// sample, it was loaded from the folder and "Sample Loaded" is on.
struct TUserSampleSettings {
    bool usable = false;
    int loopMode = SAMPLE_ONE_SHOT;  // step of "Sample Loop Mode", 0..3
    float start = 0.0f;              // "Sample Start", fraction of the length
    float loopStart = 0.0f;          // "Sample Loop Start"
    float loopEnd = 1.0f;            // "Sample Loop End"
    float gain = 1.0f;               // linear, from "Sample Volume"
};
// Below this many frames a user sample counts as length 0 and does not sound.
constexpr int MIN_USER_SAMPLE_FRAMES = 100;
// The user length: the last frame's index when usable and long enough, else 0.
double userSampleLength(const TSampleData* data, bool usable);
TSampleSlotFrame userSlotFrame(const TSampleData* data, const TUserSampleSettings& settings, double hostRate);
// A loop point of the user sample in frames: in Loop and Ping Pong its
// fraction (0..1) of the user length; in One Shot and Reverse the sample
// plays to its end, where both points then lie.
double userLoopPoint(float fraction, int loopMode, double length);

// "Sample Volume" (0..1) as a linear gain: -40..+40 dB, 0.5 is 0 dB.
float sampleVolumeGain(float value);

// The parts of a voice's frame that change per voice.
struct TSampleVoiceInput {
    double pitchRatio = 0.5;      // the voice's sample pitch ratio (0.5 at the key's own pitch: two sub-samples)
    float offset = 0.0f;          // "Sample Offset" plus its modulation, a fraction of the length
    bool grainOn = false;
    float grainLength = 0.5f;     // 0..1
    float grainSize = 1000.0f;    // frames
    float grainRandom = 0.0f;     // 0..1
};

class TSamplePlayback {
public:
    // Note start: the voice sounds (on), from startPos, forwards, its grains
    // restart with the given size in frames.
    void startVoice(int v, bool on, double startPos, float grainSize);
    // Renders voice v's two sub-samples (left 1, right 1, left 2, right 2).
    // A voice index outside 0..15 renders silence and touches nothing. Never
    // returns NaN or infinity for finite sample data.
    stereoOverStruct renderVoice(int v, const TSampleSlotFrame& slot, const TSampleVoiceInput& input);

    bool isSounding(int v) const { return validVoice(v) && voiceSampleOn[v]; }
    double position(int v) const { return validVoice(v) ? voiceSamplePos[v] : 0.0; }
    double direction(int v) const { return validVoice(v) ? voiceSampleDir[v] : 1.0; }

    // Per-voice state (struct of arrays).
    bool voiceSampleOn[SAMPLE_PLAYBACK_VOICES] = {};
    double voiceSamplePos[SAMPLE_PLAYBACK_VOICES] = {};  // before the offset is added
    double voiceSampleDir[SAMPLE_PLAYBACK_VOICES] = {};  // +1 or -1 (ping-pong turns it)
    double grainPhase[SAMPLE_PLAYBACK_VOICES][GRAINS_PER_VOICE] = {};
    double grainInc[SAMPLE_PLAYBACK_VOICES][GRAINS_PER_VOICE] = {};
    double grainDir[SAMPLE_PLAYBACK_VOICES][GRAINS_PER_VOICE] = {};
    double grainPos[SAMPLE_PLAYBACK_VOICES][GRAINS_PER_VOICE] = {};
    bool grainFullWeight[SAMPLE_PLAYBACK_VOICES][GRAINS_PER_VOICE] = {};

    TRandSeed grainSeed;  // where restarting grains land

private:
    static bool validVoice(int v) { return v >= 0 && v < SAMPLE_PLAYBACK_VOICES; }
    stereoOverStruct renderPlain(int v, const TSampleSlotFrame& slot, int mode, const TSampleVoiceInput& input);
    stereoOverStruct renderGrains(int v, const TSampleSlotFrame& slot, int mode, const TSampleVoiceInput& input);
};

// Moves a position once by step frames in direction dir under a loop mode,
// as plain playback in the loops, a grain and the voice's own position in
// grain playback move: a loop wraps a move that reaches its end back into
// loopStart..loopEnd by the remainder, however far one step goes; a position
// that already lies past the loop end goes back one loop per move instead,
// and so stays outside (silent in plain playback) until it walks in, unless
// the step is a whole loop or longer. Ping-pong turns dir where the move
// would reach a loop point (down to the start or up to the end) and stays
// where it was for this move. One-shot modes only move. A loop of no length
// is played as a one-shot by the caller.
double advanceSamplePosition(double pos, double& dir, double step, int mode, double loopStart, double loopEnd);

// Plain playback's frame of two sub-samples in ping-pong: from p in
// direction dir, the second sub-sample's position q and the next frame's
// position. A move that reaches a loop point turns dir: the first move then
// goes back one frame from p, the second back to q. A frame that turns at
// both points and still ends outside the loop (which takes a step over half
// the loop) folds both moves into the loop instead: the turns alone keep
// cycling, but through positions outside the loop, where the voice would read
// the sample around its loop or nothing.
void pingPongFrame(double p, double& dir, double step, double loopStart, double loopEnd, double& q, double& next);
// The slot as it really plays: a loop without length plays as a one-shot
// (forwards or backwards) to the sample's end.
TSampleSlotFrame effectiveSlot(const TSampleSlotFrame& slot);

// One frame of a preview of length frames (the user length for the user
// sample, which is 0 while it is not usable): the data read at pos (times
// gain), pos moved on by one frame. False, with silence, once pos has
// reached the length; a preview of length 0 reads nothing at all.
bool renderPreviewFrame(const TSampleData* data, double length, float gain, double& pos, float& left, float& right);
