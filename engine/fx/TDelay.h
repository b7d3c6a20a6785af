// The stereo delay line of the effects chain: each frame appends one
// (clock, value) entry per channel and reads the line by linear
// interpolation 100 clock units behind the write clock. The clock advances
// 100 / length units per frame, so a length change alters the speed at which
// the material already in the line is read out (a tape-like pitch glide)
// instead of jumping. Feedback has direct and cross terms, an equal-decay
// rule for unequal lengths, and an optional band-pass of two one-pole
// sections.
//
// Plain class: the rings are allocated by the constructor for the longest
// length the owner will ask for; nothing allocates after that. Every
// operation runs on the audio thread.
#pragma once

#include <memory>

#include "engine/dsp/StereoTypes.h"

class TDelay {
public:
    static constexpr float MIN_LENGTH = 5.0f;
    static constexpr float MAX_LENGTH = 262143.0f;
    static constexpr float FEED_LIMIT = 0.999f;
    static constexpr float VALUE_LIMIT = 100.0f;

    // longestLength: the longest length in samples the line will hold
    // (5..262,143); longer requests are held there.
    explicit TDelay(int longestLength = static_cast<int>(MAX_LENGTH));
    TDelay(const TDelay&) = delete;
    TDelay& operator=(const TDelay&) = delete;

    void init(float sampleRate);
    // Empties the line: the clock stops until a length is set, and the next
    // 100 clock units read silence.
    void zero();
    void setTempo(float tempo);
    // Both store x > 0.5 and return true when the flag changed.
    bool setTimeSync(float x);
    bool setEqual(float x);
    // length: 0..1 per channel, a note value (time sync) or 1 ms to 4,096 ms;
    // fine: samples added to each; the sum is multiplied by scale.
    void setDelayLen(stereoStruct length, stereoStruct fine, float scale);
    void setDelayLenDirect(stereoStruct samples);
    // Direct and cross feedback, each -0.999..0.999, normalised so that
    // their sum stays below 1 (or the equal-decay rule; see the source).
    void setFeed(float direct, float cross);
    // The same direct feedback on both channels, no cross feedback.
    void setFeed(float x);
    // low, high: 0..1 on the 20 Hz..20 kHz scale. Returns false (band-pass
    // off) when low is above 0.999 and high below 0.0001.
    bool setFeedFilter(float low, float high);
    void process(stereoStruct in, stereoStruct& out);
    // One band-pass step of a channel, sharing the state of process().
    float doFeedFilter(int channel, float x);

    float getDelayLen(int channel) const { return delayLen[channel & 1]; }
    float getBaseLen(int channel) const { return baseLen[channel & 1]; }
    float getFeedDirect(int channel) const { return feedDirect[channel & 1]; }
    float getFeedCross(int channel) const { return feedCross[channel & 1]; }
    bool isFeedFilterOn() const { return feedFilterOn; }
    // Entries the channel's line holds.
    int getEntryCount(int channel) const { return line[channel & 1].size; }
    // Moves both write clocks forward (and the stamps with them, so nothing
    // is heard): tests start a line where a long run would have taken it.
    void advanceClocksForTest(double units);

private:
    // One entry of a line. The stamp is kept in double so that the
    // interpolation stays exact to a small fraction of a sample at the
    // longest length. inverseGap is 1 / (the stamp less the last entry's),
    // the length it was written at over 100, so that reading takes no division.
    struct Entry {
        double stamp;
        float value;
        float inverseGap;
    };
    // One channel's line: a ring of entries, oldest at head.
    struct Line {
        std::unique_ptr<Entry[]> entry;
        int head = 0;
        int size = 0;
        double writeClock = 0.0;
        double clockStep = 0.0;
        float inverseStep = 0.0f;  // delayLen / 100
        bool reading = false;  // the clock has passed its first 100 units since zero()
    };

    int wrap(int i) const { return i >= capacity ? i - capacity : i; }
    double stampAt(const Line& l, int k) const { return l.entry[wrap(l.head + k)].stamp; }
    void dropFront(Line& l, int count);
    void append(Line& l, double stamp, float value, float inverseGap);
    void setLength(int channel, float samples);
    int passedEntries(const Line& l, double target) const;
    float advanceAndRead(Line& l);
    void rebase(Line& l, double units);
    static float clampLength(float samples, float longest);

    int capacity;
    float longest;
    bool equalFeedback = false;
    bool timeSync = false;
    bool feedFilterOn = false;
    float sampleRate = 44100.0f;
    float samplesPerMs = 44.1f;
    float invSampleRate = 1.0f / 44100.0f;
    float baseLen[2] = {100.0f, 100.0f};
    float delayLen[2] = {1.0f, 1.0f};
    float samplesPerBar = 88200.0f;
    float feedDirect[2] = {0.0f, 0.0f};
    float feedCross[2] = {0.0f, 0.0f};
    Line line[2];
    float feedFilterCoef[2] = {0.0f, 0.0f};
    float feedFilterKeep[2] = {1.0f, 1.0f};
    float feedFilterState1[2] = {0.0f, 0.0f};
    float feedFilterState2[2] = {0.0f, 0.0f};
};
