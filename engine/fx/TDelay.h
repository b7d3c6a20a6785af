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

#include <xmmintrin.h>

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
    // The read point trails the write clock by this many clock units: one
    // length's worth of frames at the current speed.
    static constexpr double READ_DISTANCE = 100.0;
    // The clocks are moved back by this much whenever they pass it, so that a
    // line running for days keeps the precision of its first minutes.
    static constexpr double CLOCK_REBASE = 1048576.0;
    // Entries read and written are asked for this far ahead: a long line's
    // entries were written seconds ago and its slots last used a whole ring
    // ago, long gone from the nearer caches, and the two ends of three lines
    // are more streams than the processor follows.
    static constexpr int PREFETCH_ENTRIES = 32;

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
    //
    // While the clock makes its first 100 units after zero(), each frame
    // stores two values at the same stamp: the band-passed input, then the
    // band-passed sum of input and feedback. A read between two stamps starts
    // from the later value of the first and ends at the earlier value of the
    // second, so the two are kept in one entry: the later as its value, the
    // earlier in lead[] at the same slot. leadCount counts the entries from
    // head on that may hold such a pair; after those, lead is the value.
    struct Line {
        std::unique_ptr<Entry[]> entry;
        std::unique_ptr<float[]> lead;
        int head = 0;
        int size = 0;
        int leadCount = 0;
        double writeClock = 0.0;
        double clockStep = 0.0;
        float inverseStep = 0.0f;  // delayLen / 100
        bool reading = false;  // the clock has passed its first 100 units since zero()
    };

    int wrap(int i) const { return i >= capacity ? i - capacity : i; }
    // Held inside the limits; a value that is not a number is stored as silence.
    static float heldValue(float w) {
        if (!(w > -VALUE_LIMIT && w < VALUE_LIMIT)) return w != w ? 0.0f : (w < 0.0f ? -VALUE_LIMIT : VALUE_LIMIT);
        return w;
    }
    // process() while a channel's clock makes its first 100 units.
    void processFirstPass(stereoStruct in, stereoStruct& out);
    double stampAt(const Line& l, int k) const { return l.entry[wrap(l.head + k)].stamp; }
    void dropFront(Line& l, int count);
    void append(Line& l, double stamp, float value, float inverseGap);
    // An entry of the first pass: the value read as the end of the span
    // before it (lead), and the value read as the start of the span after it.
    void appendFirstPass(Line& l, double stamp, float lead, float value, float inverseGap);
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

// The frame path, here so that the units calling it a frame can take it in.

inline float TDelay::doFeedFilter(int channel, float x) {
    if (!feedFilterOn) return x;
    const int i = channel & 1;
    // A low-pass less its own slower low-pass: a band-pass.
    feedFilterState1[i] = x * feedFilterCoef[0] + feedFilterKeep[0] * feedFilterState1[i] + 1e-15f;
    feedFilterState2[i] = feedFilterCoef[1] * feedFilterState1[i] + feedFilterKeep[1] * feedFilterState2[i] + 1e-15f;
    return feedFilterState1[i] - feedFilterState2[i];
}

inline void TDelay::dropFront(Line& l, int count) {
    l.head = wrap(l.head + count);
    l.size -= count;
    l.leadCount = l.leadCount > count ? l.leadCount - count : 0;
}

inline void TDelay::append(Line& l, double stamp, float value, float inverseGap) {
    // Never reached while the clock runs at a length the line holds; it
    // keeps the ring safe whatever the clock does.
    if (l.size == capacity) dropFront(l, 1);
    l.entry[wrap(l.head + l.size)] = Entry{stamp, value, inverseGap};
    ++l.size;
}

inline void TDelay::appendFirstPass(Line& l, double stamp, float lead, float value, float inverseGap) {
    append(l, stamp, value, inverseGap);
    l.lead[wrap(l.head + l.size - 1)] = lead;
    l.leadCount = l.size;
}

// The clock's step, then the value 100 clock units behind it, dropping the
// entries the read point has passed; 0 during the first 100 units after zero().
inline float TDelay::advanceAndRead(Line& l) {
    l.writeClock += l.clockStep;
    if (l.writeClock >= CLOCK_REBASE) rebase(l, CLOCK_REBASE);
    if (!l.reading) {
        if (l.writeClock < READ_DISTANCE) return 0.0f;
        l.reading = true;
    }
    const double target = l.writeClock - READ_DISTANCE;
    // While the length holds the read point passes one entry a frame.
    const int next = wrap(l.head + 1);
    const int afterNext = wrap(next + 1);
    int firstAt, secondAt;
    if (l.size >= 4 && !(target < l.entry[next].stamp) && target < l.entry[afterNext].stamp) {
        dropFront(l, 1);
        firstAt = next;
        secondAt = afterNext;
    } else if (l.size >= 3 && target < l.entry[next].stamp) {
        // A length growing: the read point stays between the same two entries.
        firstAt = l.head;
        secondAt = next;
    } else {
        const int passed = passedEntries(l, target);
        if (passed < 0) {
            if (l.size > 2) dropFront(l, l.size - 2);
            return 0.0f;
        }
        dropFront(l, passed);
        firstAt = l.head;
        secondAt = wrap(l.head + 1);
    }
    _mm_prefetch(reinterpret_cast<const char*>(&l.entry[wrap(l.head + PREFETCH_ENTRIES)]), _MM_HINT_T0);
    const Entry& first = l.entry[firstAt];
    const Entry& second = l.entry[secondAt];
    const float part = static_cast<float>(target - first.stamp) * second.inverseGap;
    // The second entry sits one after head on every path above.
    const float end = l.leadCount > 1 ? l.lead[secondAt] : second.value;
    return first.value + part * (end - first.value);
}

[[gnu::always_inline]] inline void TDelay::process(stereoStruct in, stereoStruct& out) {
    out = stereoStruct{};
    // A line whose clock has not been started appends nothing: it holds its
    // silence until a length is set.
    if (line[0].clockStep == 0.0 && line[1].clockStep == 0.0) return;
    if (!line[0].reading || !line[1].reading) [[unlikely]] {
        processFirstPass(in, out);
        return;
    }
    const float yLeft = advanceAndRead(line[0]);
    const float yRight = advanceAndRead(line[1]);
    float w[2] = {in.left + feedDirect[0] * yLeft + feedCross[0] * yRight + 1e-15f,
                  in.right + feedDirect[1] * yRight + feedCross[1] * yLeft + 1e-15f};
    for (int i = 0; i < 2; ++i) {
        w[i] = doFeedFilter(i, heldValue(w[i]));
        // The slots written next were last used a whole ring ago.
        Line& l = line[i];
        _mm_prefetch(reinterpret_cast<const char*>(&l.entry[wrap(wrap(l.head + l.size) + PREFETCH_ENTRIES)]),
                     _MM_HINT_T0);
        append(l, l.writeClock, w[i], l.inverseStep);
    }
    out.left = yLeft;
    out.right = yRight;
}
