// Two voices of a plain state-variable type filtered side by side must give,
// bit for bit, what each gives through its own single-cutoff call: the block
// loop relies on it to pair voices.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

bool sameBits(const stereoOverStruct& a, const stereoOverStruct& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct PairCase {
    int firstType;
    int secondType;  // a different type is run singly, not paired
    float firstRate;
    float secondRate;
    float resonance;
    bool badInput;   // NaN and infinite samples now and then
    const char* reason;
};

}  // namespace

TEST(FilterPairs, PairedVoicesMatchTheirSingleCalls) {
    buildFilterTables();
    const PairCase cases[] = {
        {3, 3, 44100.0f, 44100.0f, 0.9f, false, "low-pass, the usual pairing"},
        {4, 4, 48000.0f, 48000.0f, 0.5f, false, "high-pass"},
        {5, 5, 44100.0f, 96000.0f, 1.0f, false, "band-pass, each voice keeps its own rate limits"},
        {6, 6, 96000.0f, 44100.0f, 0.0f, false, "notch"},
        {3, 3, 44100.0f, 44100.0f, 0.95f, true, "bad samples enter as silence in both lanes"},
        {3, 5, 44100.0f, 44100.0f, 0.7f, false, "mixed types fall back to single calls"},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.reason);
        // Filters are large (their comb lines): on the heap.
        auto pairedA = std::make_unique<TFilter>();
        auto pairedB = std::make_unique<TFilter>();
        auto singleA = std::make_unique<TFilter>();
        auto singleB = std::make_unique<TFilter>();
        pairedA->init(c.firstRate);
        singleA->init(c.firstRate);
        pairedB->init(c.secondRate);
        singleB->init(c.secondRate);
        pairedA->setType(c.firstType, true);
        singleA->setType(c.firstType, true);
        pairedB->setType(c.secondType, true);
        singleB->setType(c.secondType, true);

        int pairedFrames = 0;
        for (int n = 0; n < 3000; ++n) {
            // A swept cutoff and a resonance that creeps in steps below and
            // above the coefficients' 1e-5 threshold.
            const float sweep = 0.5f + 0.4f * std::sin(0.003f * static_cast<float>(n));
            const float resonance = c.resonance - 3e-6f * static_cast<float>(n % 7);
            const float lfo = std::sin(0.011f * static_cast<float>(n));
            pairedA->setLFO(0.2f, lfo);
            singleA->setLFO(0.2f, lfo);
            pairedB->setLFO(-0.3f, lfo);
            singleB->setLFO(-0.3f, lfo);

            stereoOverStruct inA, inB;
            for (int lane = 0; lane < 4; ++lane) {
                inA.lane[lane] = 0.8f * std::sin(0.07f * static_cast<float>(n) + static_cast<float>(lane));
                inB.lane[lane] = 0.5f * std::sin(0.19f * static_cast<float>(n) - static_cast<float>(lane));
            }
            if (c.badInput && n % 97 == 5) inA.lane[n % 4] = std::numeric_limits<float>::quiet_NaN();
            if (c.badInput && n % 89 == 3) inB.lane[(n + 1) % 4] = std::numeric_limits<float>::infinity();

            stereoOverStruct expectedA, expectedB;
            singleA->process(sweep, 1.2f, {0.05f, 0.05f}, resonance, 0.0f, inA, expectedA);
            singleB->process(1.0f - sweep, 0.8f, {-0.1f, -0.1f}, resonance, 0.0f, inB, expectedB);

            stereoOverStruct frameA = inA, frameB = inB;
            ASSERT_TRUE(pairedA->prepare(sweep, 1.2f, {0.05f, 0.05f}, resonance, 0.0f));
            ASSERT_TRUE(pairedB->prepare(1.0f - sweep, 0.8f, {-0.1f, -0.1f}, resonance, 0.0f));
            ASSERT_TRUE(pairedA->isPlainStateVariable());
            if (pairedA->getType() == pairedB->getType()) {
                TFilter::processStateVariablePair(*pairedA, frameA, *pairedB, frameB);
                ++pairedFrames;
            } else {
                pairedA->process(frameA, frameA);
                pairedB->process(frameB, frameB);
            }
            ASSERT_TRUE(sameBits(frameA, expectedA)) << "first voice, frame " << n;
            ASSERT_TRUE(sameBits(frameB, expectedB)) << "second voice, frame " << n;
            ASSERT_EQ(pairedA->getCutoff(1), singleA->getCutoff(1));
            ASSERT_EQ(pairedB->getCutoff(0), singleB->getCutoff(0));
        }
        EXPECT_EQ(pairedFrames, c.firstType == c.secondType ? 3000 : 0);
    }
}

TEST(FilterPairs, PrepareReportsTheBypass) {
    buildFilterTables();
    auto filter = std::make_unique<TFilter>();
    filter->init(44100.0f);
    filter->setType(TFilter::TYPE_OFF, true);
    EXPECT_FALSE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
    filter->setType(TFilter::TYPE_ZERO_DELAY_LOWPASS_12, true);
    EXPECT_TRUE(filter->prepare(0.5f, 1.0f, {0.0f, 0.0f}, 0.5f, 0.0f));
    EXPECT_FALSE(filter->isPlainStateVariable());
}
