#include "engine/fx/TDelay.h"

#include <xmmintrin.h>

#include <cmath>
#include <cstddef>

#include "engine/fx/FxControls.h"
#include "engine/fx/FxTables.h"

namespace {

// Entries an emptied line holds: silence stamped at clock 0.
constexpr int ZERO_ENTRIES = 51;
// Room beyond the longest length: the entries of the clock units being
// read, the first pass's silence and rounding of the clock.
constexpr int CAPACITY_SPARE = 1024;
// Entries looked at one by one before the rest of a far-behind read point
// is found by halving.
constexpr int LINEAR_STEPS = 8;
// The smallest page the system hands memory out in.
constexpr std::size_t PAGE_BYTES = 4096;

// One byte of every page of an array written, so that the system has given
// the array its memory before the audio thread writes there.
void touchEveryPage(void* array, std::size_t bytes) {
    auto* first = static_cast<volatile unsigned char*>(array);
    for (std::size_t at = 0; at < bytes; at += PAGE_BYTES) first[at] = 0;
    if (bytes > 0) first[bytes - 1] = 0;
}

}  // namespace

TDelay::TDelay(int longestLength) {
    longest = clampTo(static_cast<float>(longestLength), MIN_LENGTH, MAX_LENGTH);
    capacity = static_cast<int>(longest) + CAPACITY_SPARE;
    // Not cleared: a slot is read only after it was written (entries from
    // head to size, leads of the first pass's entries), and clearing some
    // 30 MB of lines took a quarter of an instance's start. Every page is
    // touched instead, here, off the audio thread.
    for (Line& l : line) {
        l.entry = std::make_unique_for_overwrite<Entry[]>(static_cast<size_t>(capacity));
        l.lead = std::make_unique_for_overwrite<float[]>(static_cast<size_t>(capacity));
        touchEveryPage(l.entry.get(), sizeof(Entry) * static_cast<std::size_t>(capacity));
        touchEveryPage(l.lead.get(), sizeof(float) * static_cast<std::size_t>(capacity));
    }
    init(44100.0f);
}

float TDelay::clampLength(float samples, float longestLength) {
    if (!(samples >= MIN_LENGTH)) return MIN_LENGTH;  // NaN too
    return samples < longestLength ? samples : longestLength;
}

void TDelay::init(float rate) {
    equalFeedback = timeSync = feedFilterOn = false;
    sampleRate = rate >= 1.0f && std::isfinite(rate) ? rate : 44100.0f;
    samplesPerMs = sampleRate / 1000.0f;
    invSampleRate = 1.0f / sampleRate;
    zero();
    baseLen[0] = baseLen[1] = 100.0f;
    delayLen[0] = delayLen[1] = 1.0f;
    feedDirect[0] = feedDirect[1] = 0.0f;
    feedCross[0] = feedCross[1] = 0.0f;
    feedFilterState1[0] = feedFilterState1[1] = 0.0f;
    feedFilterState2[0] = feedFilterState2[1] = 0.0f;
    samplesPerBar = sampleRate * 240.0f / 120.0f;
    feedFilterCoef[0] = feedFilterCoef[1] = 0.0f;
    feedFilterKeep[0] = feedFilterKeep[1] = 1.0f;
}

void TDelay::zero() {
    for (Line& l : line) {
        l.clockStep = 0.0;
        l.inverseStep = 0.0f;
        l.writeClock = 0.0;
        l.reading = false;
        l.head = 0;
        l.size = 0;
        l.leadCount = 0;
        for (int k = 0; k < ZERO_ENTRIES; ++k) append(l, 0.0, 0.0f, 0.0f);
    }
}

void TDelay::setTempo(float tempo) {
    if (tempo > 0.0f && std::isfinite(tempo)) samplesPerBar = sampleRate * 240.0f / tempo;
}

bool TDelay::setTimeSync(float x) {
    const bool was = timeSync;
    timeSync = x > 0.5f;
    return was != timeSync;
}

bool TDelay::setEqual(float x) {
    const bool was = equalFeedback;
    equalFeedback = x > 0.5f;
    return was != equalFeedback;
}

void TDelay::setDelayLen(stereoStruct length, stereoStruct fine, float scale) {
    const float lengths[2] = {length.left, length.right};
    const float fines[2] = {fine.left, fine.right};
    for (int i = 0; i < 2; ++i) {
        float base;
        if (timeSync) {
            base = DELAY_LEN_ARRAY[static_cast<size_t>(clamp01(lengths[i]) * 14.99f)] * samplesPerBar;
        } else {
            // 1 ms at 0, 4,096 ms at 1.
            base = std::exp2(12.0f * clampTo(lengths[i], -10.0f, 10.0f)) * samplesPerMs;
        }
        baseLen[i] = clampLength(base + 1.0f, longest);
        setLength(i, scale * (fines[i] + baseLen[i]));
    }
}

void TDelay::setLength(int channel, float samples) {
    delayLen[channel] = clampLength(samples, longest);
    line[channel].clockStep = READ_DISTANCE / static_cast<double>(delayLen[channel]);
    line[channel].inverseStep = delayLen[channel] / static_cast<float>(READ_DISTANCE);
}

void TDelay::setDelayLenDirect(stereoStruct samples) {
    const float lengths[2] = {samples.left, samples.right};
    for (int i = 0; i < 2; ++i) {
        setLength(i, lengths[i]);
        baseLen[i] = delayLen[i];
    }
}

void TDelay::setFeed(float direct, float cross) {
    const float a = clampTo(direct, -FEED_LIMIT, FEED_LIMIT);
    const float b = clampTo(cross, -FEED_LIMIT, FEED_LIMIT);
    feedDirect[0] = feedDirect[1] = a;
    if (std::fabs(b) <= 0.001f && equalFeedback) {
        // Equal decay: the channel with the shorter line repeats more often,
        // so its feedback is raised (0.5 to 0.707 for a line half as long)
        // until both echo trains fall by the same number of decibels per second.
        feedCross[0] = feedCross[1] = 0.0f;
        const float g = std::log(std::fabs(a) + 0.0001f);
        const float s = a < 0.0f ? -1.0f : (a > 1e-15f ? 1.0f : 0.0f);
        if (baseLen[0] <= baseLen[1])
            feedDirect[0] = s * std::exp(g * baseLen[0] / (baseLen[1] + 1.0f));
        else
            feedDirect[1] = s * std::exp(g * baseLen[1] / (baseLen[0] + 1.0f));
        return;
    }
    // Direct and cross together never feed back more than they take in.
    const float n = std::fmax(1.0f, std::fabs(a) + std::fabs(b) + 0.0001f);
    feedDirect[0] = feedDirect[1] = a / n + 1e-15f;
    feedCross[0] = feedCross[1] = b / n + 1e-15f;
}

void TDelay::setFeed(float x) {
    feedDirect[0] = feedDirect[1] = clampTo(x, -FEED_LIMIT, FEED_LIMIT);
    feedCross[0] = feedCross[1] = 0.0f;
}

bool TDelay::setFeedFilter(float low, float high) {
    if (low > 0.999f && high < 0.0001f) {
        feedFilterOn = false;
        return false;
    }
    const float xs[2] = {low, high};
    for (int i = 0; i < 2; ++i) {
        // 20 Hz to 20,480 Hz as a fraction of the rate, held to 20 Hz..0.2.
        float f = 20.0f * std::exp2(10.0f * clampTo(xs[i], -1.0f, 2.0f)) * invSampleRate;
        f = clampTo(f, 20.0f * invSampleRate, 0.2f);
        feedFilterCoef[i] = 2.0f * f;
        feedFilterKeep[i] = 1.0f - 2.0f * f;
    }
    feedFilterOn = true;
    return true;
}

void TDelay::processFirstPass(stereoStruct in, stereoStruct& out) {
    const float yLeft = advanceAndRead(line[0]);
    const float yRight = advanceAndRead(line[1]);
    // Until a channel's clock has made its first 100 units, its input itself
    // goes into the line as well, through the band-pass (whose state it
    // moves) ahead of the sum below.
    const float inputs[2] = {in.left, in.right};
    float lead[2] = {0.0f, 0.0f};
    for (int i = 0; i < 2; ++i)
        if (!line[i].reading && line[i].clockStep != 0.0) lead[i] = doFeedFilter(i, inputs[i]);
    const float w[2] = {in.left + feedDirect[0] * yLeft + feedCross[0] * yRight + 1e-15f,
                        in.right + feedDirect[1] * yRight + feedCross[1] * yLeft + 1e-15f};
    for (int i = 0; i < 2; ++i) {
        const float stored = doFeedFilter(i, heldValue(w[i]));
        Line& l = line[i];
        if (l.clockStep == 0.0) continue;
        if (l.reading)
            append(l, l.writeClock, stored, l.inverseStep);
        else
            appendFirstPass(l, l.writeClock, lead[i], stored, l.inverseStep);
    }
    out.left = yLeft;
    out.right = yRight;
}

void TDelay::rebase(Line& l, double units) {
    l.writeClock -= units;
    for (int k = 0; k < l.size; ++k) l.entry[wrap(l.head + k)].stamp -= units;
}

void TDelay::advanceClocksForTest(double units) {
    for (Line& l : line) rebase(l, -units);
}

// How many entries the read point at target has passed: the entry at the
// front must lie at or before it and the next one past it. -1 when that
// would leave fewer than three entries (the read point has overtaken the
// writes, which no length the line holds allows).
int TDelay::passedEntries(const Line& l, double target) const {
    if (l.size < 3) return -1;
    // The read point normally passes zero or one entry a frame.
    const int last = l.size - 3;
    for (int k = 0; k <= last && k < LINEAR_STEPS; ++k)
        if (target < stampAt(l, k + 1)) return k;
    // Far behind, as after the length shrank a lot: halve the rest.
    if (!(target < stampAt(l, last + 1))) return -1;
    int low = LINEAR_STEPS < last ? LINEAR_STEPS : last, high = last;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (target < stampAt(l, middle + 1))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}


