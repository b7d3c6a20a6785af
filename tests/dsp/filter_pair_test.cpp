// Four voices of a plain state-variable type filtered side by side, a voice
// per lane, must give bit for bit what each gives through its own calls
// (setLFO, prepareShared, process): the block loop relies on it to group
// voices, and on the two paths sharing every value to switch between them.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

bool sameBits(const stereoOverStruct& a, const stereoOverStruct& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// How the two channels of the voices' frames relate.
enum class Channels {
    UNLIKE,              // left and right differ
    ALIKE,               // left equals right bit for bit
    ALIKE_AFTER_UNLIKE,  // alike inputs once the states of the channels have parted
    UNLIKE_AFTER_ALIKE,  // unlike inputs while the states are still alike
    ALIKE_BUT_NAN,       // alike, with a NaN in one channel now and then, or in both
};

struct GroupCase {
    int type;
    std::array<float, 4> rates;
    int lanesOn;          // the voices that sound (bit i: voice i); 0: each frame its own
    bool spreadPerVoice;  // otherwise 1 for every voice
    bool inStep;          // every voice under the same modulation
    bool badInput;        // NaN and infinite samples and offsets now and then
    bool badFrequency;    // a frequency that is not a number now and then
    bool direct;          // unsmoothed frequency now and then
    bool ownCalls;        // now and then the grouped filters run through their own calls
    int typeAfter;        // the type from frame 1500 on
    Channels channels;
    const char* reason;
};

constexpr int kVoices = 4;
constexpr int kFrames = 3000;

float inputSample(const GroupCase& c, int n, int v, int lane, float phase) {
    const bool alike = c.channels == Channels::ALIKE || c.channels == Channels::ALIKE_BUT_NAN ||
                       (c.channels == Channels::ALIKE_AFTER_UNLIKE && n >= 200) ||
                       (c.channels == Channels::UNLIKE_AFTER_ALIKE && n < 200);
    const int sub = lane / 2;
    const float laneOffset = alike ? static_cast<float>(sub) : static_cast<float>(lane);
    float x = 0.8f * std::sin(0.07f * static_cast<float>(n) * (1.0f + 0.3f * phase) + laneOffset);
    if (c.channels == Channels::ALIKE_BUT_NAN) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        if ((n + v) % 41 == 3 && lane == 1) x = nan;  // right channel only
        if ((n + v) % 43 == 5 && lane == 2) x = nan;  // left channel only
        if ((n + v) % 47 == 7 && sub == 0) x = nan;   // both channels alike
    }
    return x;
}

}  // namespace

TEST(FilterGroups, GroupedVoicesMatchTheirSingleCalls) {
    buildFilterTables();
    const float r441 = 44100.0f, r48 = 48000.0f, r96 = 96000.0f;
    const Channels unlike = Channels::UNLIKE, alike = Channels::ALIKE;
    const GroupCase cases[] = {
        {3, {r441, r441, r441, r441}, 0xF, false, false, false, false, false, false, 3, unlike,
         "low-pass, voices apart"},
        {3, {r441, r441, r441, r441}, 0xF, false, true, false, false, false, false, 3, unlike,
         "low-pass, voices in step"},
        {4, {r48, r48, r48, r48}, 0xF, true, false, false, false, false, false, 4, unlike,
         "high-pass, spread per voice"},
        {5, {r441, r96, r48, r441}, 0xF, true, true, false, false, false, false, 5, unlike,
         "band-pass, each voice keeps its own rate limits"},
        {6, {r96, r441, r441, r441}, 0x7, false, false, false, false, false, false, 6, unlike,
         "notch, the last voice silent"},
        {3, {r441, r441, r441, r441}, 0x1, false, false, false, false, false, false, 3, alike, "one voice sounding"},
        {3, {r441, r441, r441, r441}, 0, true, true, false, false, false, false, 3, unlike,
         "voices starting and stopping"},
        {3, {r441, r441, r441, r441}, 0xF, false, false, true, true, true, false, 3, unlike,
         "bad samples, offsets and frequencies, and unsmoothed frames"},
        {4, {r441, r48, r441, r441}, 0, false, false, false, true, true, true, 3, alike,
         "voices switching between the grouped and their own calls, and a change of type"},
        {3, {r441, r441, r441, r441}, 0xF, false, false, false, false, false, false, 3, alike,
         "channels alike: the right channel follows the left"},
        {5, {r441, r441, r48, r441}, 0xF, true, false, false, false, false, false, 5, alike,
         "channels alike in input but apart in cutoff"},
        {6, {r441, r441, r441, r441}, 0, false, false, false, false, false, false, 6, Channels::ALIKE_AFTER_UNLIKE,
         "alike inputs into states that have parted"},
        {4, {r441, r441, r441, r441}, 0xF, false, true, false, false, false, false, 4, Channels::UNLIKE_AFTER_ALIKE,
         "unlike inputs into alike states"},
        {3, {r441, r441, r441, r441}, 0, false, false, false, false, false, false, 3, Channels::ALIKE_BUT_NAN,
         "alike inputs with a NaN in one channel"},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.reason);
        // Filters are large (their comb lines): on the heap. The grouped
        // filters keep their per-frame values in one quarter, lane by voice.
        auto quarter = std::make_unique<TFilterQuarter>();
        std::array<std::unique_ptr<TFilter>, kVoices> grouped, single;
        for (int v = 0; v < kVoices; ++v) {
            grouped[v] = std::make_unique<TFilter>();
            single[v] = std::make_unique<TFilter>();
            grouped[v]->bind(*quarter, v);
            for (TFilter* f : {grouped[v].get(), single[v].get()}) {
                f->init(c.rates[v]);
                f->setType(c.type, true);
                f->setTrack(0.5f, static_cast<float>(v) - 1.5f);
                f->setVel(0.3f, 0.25f * static_cast<float>(v));
                f->setMod(-0.2f, 0.1f * static_cast<float>(v));
                f->setEnv(0.05f * static_cast<float>(v));
            }
        }
        TFilter::SharedPower groupedPower, singlePower;
        int type = c.type;
        for (int n = 0; n < kFrames; ++n) {
            if (n == kFrames / 2 && c.typeAfter != type) {
                type = c.typeAfter;
                for (int v = 0; v < kVoices; ++v) {
                    grouped[v]->setType(type, true);
                    single[v]->setType(type, true);
                }
            }
            // Voices that come and go: each pattern of one to four voices in turn.
            const int lanesOn = c.lanesOn != 0 ? c.lanesOn : 1 + (n / 37) % 15;
            // Each voice's (or, in step, every voice's) own sweep, and a
            // resonance that creeps in steps below and above the
            // coefficients' 1e-5 threshold.
            float freq = 0.5f + 0.4f * std::sin(0.003f * static_cast<float>(n));
            if (c.badFrequency && n % 53 == 7) freq = std::numeric_limits<float>::quiet_NaN();
            const float resonance = 0.9f - 3e-6f * static_cast<float>(n % 7);
            const float q = TFilter::coefficientQ(resonance);
            const float vowel = TFilter::coefficientVowel(0.3f);
            float lfo[kVoices], offset[kVoices], spread[kVoices];
            stereoOverStruct in[kVoices];
            for (int v = 0; v < kVoices; ++v) {
                const float phase = c.inStep ? 0.0f : static_cast<float>(v);
                lfo[v] = std::sin(0.011f * static_cast<float>(n) + phase);
                offset[v] = c.inStep ? 0.02f : 0.05f * std::sin(0.002f * static_cast<float>(n) * (1.0f + phase));
                spread[v] = c.spreadPerVoice ? 0.8f + 0.1f * static_cast<float>(v) : 1.0f;
                for (int lane = 0; lane < 4; ++lane) in[v].lane[lane] = inputSample(c, n, v, lane, phase);
            }
            if (c.badInput && n % 97 == 5) in[n % kVoices].lane[n % 4] = std::numeric_limits<float>::quiet_NaN();
            if (c.badInput && n % 89 == 3) in[(n + 1) % kVoices].lane[(n + 1) % 4] = std::numeric_limits<float>::infinity();
            if (c.badInput && n % 71 == 9) offset[n % kVoices] = std::numeric_limits<float>::infinity();
            if (c.badInput && n % 67 == 2) lfo[(n + 2) % kVoices] = std::numeric_limits<float>::quiet_NaN();
            if (c.direct && n % 31 == 4)
                for (int v = 0; v < kVoices; ++v) {
                    grouped[v]->setDirect();
                    single[v]->setDirect();
                }

            // The voices that sound, through their own calls.
            stereoOverStruct expected[kVoices], frame[kVoices];
            for (int v = 0; v < kVoices; ++v) {
                frame[v] = in[v];
                expected[v] = in[v];
                if (!(lanesOn >> v & 1)) continue;
                single[v]->setLFO(0.3f, lfo[v]);
                ASSERT_TRUE(single[v]->prepareShared(freq, spread[v], offset[v], q, vowel, singlePower));
                single[v]->process(expected[v], expected[v]);
            }

            if (c.ownCalls && n % 10 < 3) {
                // The grouped filters through the single path, on the values the quarter holds.
                for (int v = 0; v < kVoices; ++v) {
                    if (!(lanesOn >> v & 1)) continue;
                    grouped[v]->setLFO(0.3f, lfo[v]);
                    ASSERT_TRUE(grouped[v]->prepareShared(freq, spread[v], offset[v], q, vowel, groupedPower));
                    grouped[v]->process(frame[v], frame[v]);
                }
            } else {
                TFilter::GroupInput input;
                input.setFrequency(freq);
                input.spreadIsOne = !c.spreadPerVoice;
                input.spread = _mm_loadu_ps(spread);
                input.offset = _mm_loadu_ps(offset);
                input.q = _mm_set1_ps(q);
                input.vowel = _mm_set1_ps(vowel);
                input.lfoAmount = _mm_set1_ps(0.3f);
                input.lfoValue = _mm_loadu_ps(lfo);
                __m128 lanes[4];
                for (int v = 0; v < kVoices; ++v) lanes[v] = _mm_loadu_ps(frame[v].lane);
                _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
                TFilter::processPlainQuarter(*quarter, type, lanesOn, frame, lanes, input, groupedPower);
            }

            for (int v = 0; v < kVoices; ++v) {
                ASSERT_TRUE(sameBits(frame[v], expected[v])) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getCutoff(0), single[v]->getCutoff(0)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getCutoff(1), single[v]->getCutoff(1)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getFreq(), single[v]->getFreq()) << "voice " << v << ", frame " << n;
                if (!(lanesOn >> v & 1)) continue;
                for (int lane = 0; lane < 4; ++lane)
                    ASSERT_TRUE(std::isfinite(frame[v].lane[lane])) << "voice " << v << ", frame " << n;
            }
        }
    }
}

// A filter bound to a quarter in the middle of a sound goes on as if
// nothing happened: its smoother, coefficients and recursions move with it.
TEST(FilterGroups, BindingKeepsTheFiltersValues) {
    buildFilterTables();
    const int types[] = {3, 6, 13, 16, 7};
    for (int type : types) {
        SCOPED_TRACE(type);
        auto quarter = std::make_unique<TFilterQuarter>();
        auto moved = std::make_unique<TFilter>();
        auto staying = std::make_unique<TFilter>();
        for (TFilter* f : {moved.get(), staying.get()}) {
            f->init(48000.0f);
            f->setType(type, true);
            f->setTrack(0.5f, 0.25f);
            f->setEnv(0.1f);
        }
        for (int n = 0; n < 400; ++n) {
            if (n == 200) moved->bind(*quarter, 2);
            const float freq = 0.4f + 0.3f * std::sin(0.01f * static_cast<float>(n));
            stereoOverStruct in;
            for (int lane = 0; lane < 4; ++lane)
                in.lane[lane] = 0.5f * std::sin(0.05f * static_cast<float>(n) + static_cast<float>(lane));
            stereoOverStruct a, b;
            moved->process(freq, 1.1f, stereoStruct{0.01f, -0.02f}, 0.7f, 0.2f, in, a);
            staying->process(freq, 1.1f, stereoStruct{0.01f, -0.02f}, 0.7f, 0.2f, in, b);
            ASSERT_TRUE(sameBits(a, b)) << "frame " << n;
            ASSERT_EQ(moved->getCutoff(1), staying->getCutoff(1)) << "frame " << n;
            ASSERT_EQ(moved->getFreq(), staying->getFreq()) << "frame " << n;
        }
    }
}

TEST(FilterGroups, PrepareReportsTheBypass) {
    buildFilterTables();
    auto filter = std::make_unique<TFilter>();
    filter->init(44100.0f);
    filter->setType(filtertype::BYPASS, true);
    EXPECT_FALSE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
    filter->setType(filtertype::ZERO_DELAY_LOWPASS_12DB, true);
    EXPECT_TRUE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
    filter->setType(3, true);
    EXPECT_TRUE(filter->isPlainStateVariable());
}
