// Four voices of a plain state-variable type filtered side by side, a voice
// per lane, must give bit for bit what each gives through its own calls
// (setLFO, prepareShared, process): the block loop relies on it to group
// voices.
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

struct GroupCase {
    int type;
    std::array<float, 4> rates;
    std::array<int, 4> voiceOfLane;  // a voice in two lanes runs once
    bool spreadPerVoice;             // otherwise 1 for every voice
    bool inStep;                     // every voice under the same modulation
    bool badInput;                   // NaN and infinite samples and offsets now and then
    bool badFrequency;               // a frequency that is not a number now and then
    bool direct;                     // unsmoothed frequency now and then
    const char* reason;
};

constexpr int kVoices = 4;

}  // namespace

TEST(FilterGroups, GroupedVoicesMatchTheirSingleCalls) {
    buildFilterTables();
    const float r441 = 44100.0f, r48 = 48000.0f, r96 = 96000.0f;
    const GroupCase cases[] = {
        {3, {r441, r441, r441, r441}, {0, 1, 2, 3}, false, false, false, false, false, "low-pass, voices apart"},
        {3, {r441, r441, r441, r441}, {0, 1, 2, 3}, false, true, false, false, false, "low-pass, voices in step"},
        {4, {r48, r48, r48, r48}, {0, 1, 2, 3}, true, false, false, false, false, "high-pass, spread per voice"},
        {5, {r441, r96, r48, r441}, {0, 1, 2, 3}, true, true, false, false, false,
         "band-pass, each voice keeps its own rate limits"},
        {6, {r96, r441, r441, r441}, {0, 1, 2, 2}, false, false, false, false, false, "notch, a short group"},
        {3, {r441, r441, r441, r441}, {0, 0, 0, 0}, false, false, false, false, false, "one voice in every lane"},
        {3, {r441, r441, r441, r441}, {0, 1, 0, 1}, true, true, false, false, false, "two voices, each in two pairs"},
        {3, {r441, r441, r441, r441}, {0, 1, 2, 3}, false, false, true, true, true,
         "bad samples, offsets and frequencies, and unsmoothed frames"},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.reason);
        // Filters are large (their comb lines): on the heap.
        std::array<std::unique_ptr<TFilter>, kVoices> grouped, single;
        for (int v = 0; v < kVoices; ++v) {
            grouped[v] = std::make_unique<TFilter>();
            single[v] = std::make_unique<TFilter>();
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
        for (int n = 0; n < 3000; ++n) {
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
                for (int lane = 0; lane < 4; ++lane)
                    in[v].lane[lane] = 0.8f * std::sin(0.07f * static_cast<float>(n) * (1.0f + 0.3f * phase) +
                                                       static_cast<float>(lane));
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

            // The voices that take part, each once, through their own calls.
            bool used[kVoices] = {};
            for (int v : c.voiceOfLane) used[v] = true;
            stereoOverStruct expected[kVoices], frame[kVoices];
            for (int v = 0; v < kVoices; ++v) {
                frame[v] = in[v];
                expected[v] = in[v];
                if (!used[v]) continue;
                single[v]->setLFO(0.3f, lfo[v]);
                ASSERT_TRUE(single[v]->prepareShared(freq, spread[v], offset[v], q, vowel, singlePower));
                single[v]->process(expected[v], expected[v]);
            }

            TFilter::GroupInput input;
            input.freq = freq;
            input.freqPart = freq * 0.01f;
            input.spreadIsOne = !c.spreadPerVoice;
            float laneLfo[4], laneOffset[4], laneSpread[4];
            TFilter* filters[4];
            stereoOverStruct* frames[4];
            for (int lane = 0; lane < 4; ++lane) {
                const int v = c.voiceOfLane[lane];
                laneLfo[lane] = lfo[v];
                laneOffset[lane] = offset[v];
                laneSpread[lane] = spread[v];
                filters[lane] = grouped[v].get();
                frames[lane] = &frame[v];
            }
            input.spread = _mm_loadu_ps(laneSpread);
            input.offset = _mm_loadu_ps(laneOffset);
            input.q = _mm_set1_ps(q);
            input.vowel = _mm_set1_ps(vowel);
            input.lfoAmount = _mm_set1_ps(0.3f);
            input.lfoValue = _mm_loadu_ps(laneLfo);
            TFilter::processPlainGroup(filters, frames, input, groupedPower);

            for (int v = 0; v < kVoices; ++v) {
                ASSERT_TRUE(sameBits(frame[v], expected[v])) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getCutoff(0), single[v]->getCutoff(0)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getCutoff(1), single[v]->getCutoff(1)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(grouped[v]->getFreq(), single[v]->getFreq()) << "voice " << v << ", frame " << n;
                for (int lane = 0; lane < 4; ++lane) ASSERT_TRUE(std::isfinite(frame[v].lane[lane]));
            }
        }
    }
}

TEST(FilterGroups, PrepareReportsTheBypass) {
    buildFilterTables();
    auto filter = std::make_unique<TFilter>();
    filter->init(44100.0f);
    filter->setType(TFilter::TYPE_OFF, true);
    EXPECT_FALSE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
    filter->setType(TFilter::TYPE_ZERO_DELAY_LOWPASS_12, true);
    EXPECT_TRUE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
    filter->setType(3, true);
    EXPECT_TRUE(filter->isPlainStateVariable());
}
