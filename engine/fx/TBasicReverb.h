// The reverb of the effects chain: four lanes of ten low-pass-feedback combs,
// a band-limiting filter on each lane's comb sum and four series all-passes.
// Lanes LA and LB are fed from the left input, RA and RB from the right; the
// B lanes' combs are longer (a second size), and each lane's odd or even
// combs read a delayed copy of its input (a "widen" tap), which decorrelates
// the four lanes.
//
// Plain class; every buffer lives inside the object (about 3.6 MB), so rate
// changes never allocate. Every operation runs on the audio thread.
#pragma once

#include <array>
#include <cstdint>

#include "engine/fx/FxTables.h"

class TBasicReverb {
public:
    static constexpr int LANES = 4;  // LA, RA, LB, RB
    static constexpr int RING_SIZE = 16384;
    static constexpr int RING_MASK = RING_SIZE - 1;
    static constexpr int MAX_COMB_LENGTH = RING_SIZE - 1;
    static constexpr int MAX_TAP_LENGTH = RING_SIZE - 1;
    // All-pass buffers hold the longest stage up to about 620 kHz; above
    // that the stages are held at this length.
    static constexpr int ALLPASS_CAPACITY = 8192;

    TBasicReverb();
    TBasicReverb(const TBasicReverb&) = delete;
    TBasicReverb& operator=(const TBasicReverb&) = delete;

    // Settings of a new reverb at 44.1 kHz, initialised and silent.
    void create();
    // Ignored below 1 Hz and within 0.0001 Hz of the current rate (the
    // reverb is not cleared then); otherwise stores the rate and calls init().
    void setSampleRate(float rate);
    // Comb and all-pass lengths for the rate at size 1, filters cleared, then mute().
    void init();
    // Clears every buffer and state that holds sound.
    void mute();
    // 0..1 to comb feedback 0.65..0.98.
    void setRoomSize(float x);
    // 0..1 to comb damping 0..0.55.
    void setDamp(float x);
    // Low-pass and high-pass on the comb sums, 0..1 on the 20 Hz..20 kHz scale.
    // The high-pass is off below 0.005 of the rate (220 Hz at 44.1 kHz), its state 0.
    void setFilter(float low, float high);
    // Widen tap lengths in samples (0 reads the sample written one frame
    // before the current one); held to 0..16383.
    void setWiden(int t0, int t1, int t2, int t3);
    // Length factors of the combs: a for the odd and b for the even combs
    // of lanes LA and RA, c and d likewise for LB and RB. Read by setSize().
    void setMod(float a, float b, float c, float d);
    // Comb lengths: size1 times the tuning for LA and RA, size2 for LB and
    // RB, each held to 1..16383 samples.
    void setSize(float size1, float size2);
    // One frame; o1..o4 are lanes LA, RA, LB, RB.
    void process(float inL, float inR, float& o1, float& o2, float& o3, float& o4);

    float getSampleRate() const { return sampleRate; }
    float getRoomSize() const { return roomSize; }
    float getDamp() const { return damp; }
    int getCombLength(int lane, int comb) const { return combLength[comb][lane & 3]; }
    int getAllpassSize(int leftOrRight, int stage) const { return allpass[leftOrRight & 1][stage & 3].size; }
    float getLowPassCoefficient() const { return outCoef[0]; }
    float getHighPassCoefficient() const { return outCoef[1]; }

private:
    // One all-pass stage of one side: a length carrying two lanes, kept
    // side by side in each entry (A, then B).
    struct TAllpass {
        int size = 1;
        int pos = 0;
        alignas(16) float buffer[ALLPASS_CAPACITY][2];
    };

    void setCombLengths(float size1, float size2);

    float sampleRate = 44100.0f;
    float roomSize = 0.9099097f;
    float damp = 0.275f;
    float undamp = 0.725f;

    std::uint32_t widenPos = 0;
    std::array<int, LANES> widenLength{};
    std::array<float, RING_SIZE> widenRingL{};
    std::array<float, RING_SIZE> widenRingR{};

    std::array<std::array<float, REVERB_COMBS>, 2> combScale{};
    // The comb bank runs ahead in blocks. A comb's output this frame was
    // written at least its length ago, so the outputs, the damping and the
    // feedback of the next frames, up to the shortest length (at most
    // BLOCK_FRAMES), are known before their inputs are: they are worked out
    // together, stream by stream, and each frame only stores its inputs and
    // takes its sum. What a comb writes is held in two parts whose sum is
    // the written value: the feedback in the comb's ring and the input in
    // the input history its lane and parity read (the sum is taken when the
    // value is read, the same addition of the same two numbers).
    static constexpr int BLOCK_FRAMES = 16;
    struct alignas(64) TCombRing {
        float lane[LANES][RING_SIZE + 16];
    };
    // The four delayed inputs (the widen taps' outputs) by frame; the
    // undelayed inputs are the widen rings themselves.
    struct alignas(64) TTapHistory {
        float tap[LANES][RING_SIZE + 16];
    };
    void computeBlock();
    // Ends the block at the frames taken so far: the damping state becomes
    // that of the last frame taken, and the next frame starts a new block.
    void settleBlock();
    const float* inputHistory(int comb, int lane) const;

    // The sizes and length factors the comb lengths were last worked out from.
    std::array<float, 6> lengthInputs{};
    bool lengthsKnown = false;

    std::uint32_t combPos = 0;
    alignas(16) std::array<std::array<int, LANES>, REVERB_COMBS> combLength{};
    // The damping state at the start of the running block.
    alignas(16) std::array<std::array<float, LANES>, REVERB_COMBS> filterStore{};
    std::array<TCombRing, REVERB_COMBS> combRing{};
    TTapHistory tapHistory{};
    int blockFrames = 0;  // frames of the running block, 0 when none runs
    int blockTaken = 0;   // of which this many frames have been taken
    // Per frame of the block: every comb's damping state and the four lanes' comb sums.
    alignas(16) float blockStore[BLOCK_FRAMES][REVERB_COMBS][LANES] = {};
    alignas(16) float blockSum[BLOCK_FRAMES][LANES] = {};
    // The band-limiting filter on each lane's comb sum: c1 low-pass, c2 high-pass.
    float outCoef[2] = {1.0f, 0.0f};
    alignas(16) std::array<float, LANES> outState1{};
    alignas(16) std::array<float, LANES> outState2{};

    // Stage k of the left side carries LA (A) and LB (B), of the right side RA and RB.
    std::array<std::array<TAllpass, REVERB_ALLPASS_STAGES>, 2> allpass{};
};
