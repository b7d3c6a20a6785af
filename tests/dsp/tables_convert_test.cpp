#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/SampleConvert.h"

namespace {

struct TableEntryCase {
    const char* name;
    const float* table;
    int index;
    float expected;
    const char* why;
};

TEST(SampleConvertTables, EndAndSignEntries) {
    buildSampleConvertTables();
    const TableEntryCase cases[] = {
        {"sampleConvert", sampleConvert, 0, 0.0f, "silence"},
        {"sampleConvert", sampleConvert, 32767, 32767.0f / 32768.0f, "largest positive word"},
        {"sampleConvert", sampleConvert, 32768, -1.0f, "0x8000 is the most negative word"},
        {"sampleConvert", sampleConvert, 65535, -1.0f / 32768.0f, "0xFFFF is -1, not +65535"},
        {"wave8BitConvert", wave8BitConvert, 0, -1.0f, "unsigned 8-bit bottom"},
        {"wave8BitConvert", wave8BitConvert, 128, 0.0f, "unsigned 8-bit centre is silence"},
        {"wave8BitConvert", wave8BitConvert, 255, 127.0f / 128.0f, "unsigned 8-bit top"},
        {"au8BitConvert", au8BitConvert, 0, 0.0f, "signed 8-bit zero"},
        {"au8BitConvert", au8BitConvert, 127, 127.0f / 128.0f, "signed 8-bit largest"},
        {"au8BitConvert", au8BitConvert, 128, -1.0f, "0x80 is the most negative byte"},
        {"au8BitConvert", au8BitConvert, 255, -1.0f / 128.0f, "0xFF is -1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.table[c.index], c.expected) << c.name << "[" << c.index << "]: " << c.why;
    }
    // The 16-bit table must be monotonic within each half and cover -1..1 without gaps.
    for (int i = 1; i < 65536; ++i) {
        if (i == 32768) continue;
        ASSERT_FLOAT_EQ(sampleConvert[i] - sampleConvert[i - 1], 1.0f / 32768.0f) << i;
    }
}

class EngineTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tables = std::make_unique<TEngineTables>();
        TPinkNoise pink;
        TRandSeed seed;
        buildEngineTables(*tables, pink, seed);
    }
    static void TearDownTestSuite() { tables.reset(); }
    static std::unique_ptr<TEngineTables> tables;
};
std::unique_ptr<TEngineTables> EngineTablesTest::tables;

TEST_F(EngineTablesTest, LfoRows) {
    const auto& lfo = tables->lfoWaveTables;
    struct Case {
        int row;
        int index;
        float expected;
        const char* why;
    } cases[] = {
        {LFO_TRIANGLE_UP, 0, -1.0f, "triangle up starts at the bottom"},
        {LFO_TRIANGLE_UP, 16384, 0.0f, "quarter cycle crosses zero"},
        {LFO_TRIANGLE_UP, 32768, 1.0f, "peaks at half cycle"},
        {LFO_TRIANGLE_DOWN, 32768, -1.0f, "mirror of triangle up"},
        {LFO_SAW_UP, 0, -1.0f, "saw up starts at the bottom"},
        {LFO_SAW_UP, 32768, 0.0f, "saw up crosses zero at half cycle"},
        {LFO_SAW_UP, 65535, 2.0f * 65535.0f / 65536.0f - 1.0f, "saw up ends just below the top"},
        {LFO_SAW_DOWN, 0, 1.0f, "mirror of saw up"},
        {LFO_SINE_UP, 0, 0.0f, "sine starts at zero"},
        {LFO_SINE_UP, 16384, 1.0f, "sine peak at a quarter"},
        {LFO_SINE_DOWN, 49152, 1.0f, "inverted sine peak at three quarters"},
        {LFO_SQUARE_UP, 32767, -1.0f, "square up is low before half cycle"},
        {LFO_SQUARE_UP, 32768, 1.0f, "square up switches exactly at entry 32768"},
        {LFO_SQUARE_DOWN, 32767, 1.0f, "square down is high before half cycle"},
        {LFO_SQUARE_DOWN, 32768, -1.0f, "square down switches exactly at entry 32768"},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(lfo[c.row][c.index], c.expected, 1e-6f) << "row " << c.row << " entry " << c.index << ": "
                                                            << c.why;
    }
    // Each down row is the exact negation of its up row.
    for (int row = 0; row < 8; row += 2) {
        for (int i = 0; i < ENGINE_TABLE_SIZE; i += 257) ASSERT_EQ(lfo[row + 1][i], -lfo[row][i]) << row << " " << i;
    }
}

TEST_F(EngineTablesTest, AuxiliaryCurves) {
    EXPECT_FLOAT_EQ(tables->unipolarSine[0], 0.5f);
    EXPECT_NEAR(tables->unipolarSine[16384], 1.0f, 1e-6f);
    EXPECT_NEAR(tables->unipolarSine[49152], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(tables->tunedNoiseGain[0], 3.0f);
    const float d = 1.0f - 0.666f * (65535.0f / 65536.0f);
    EXPECT_NEAR(tables->tunedNoiseGain[65535], 3.0f / (d * d * d), 0.01f);
    for (int i = 1; i < ENGINE_TABLE_SIZE; ++i) {
        ASSERT_GT(tables->tunedNoiseGain[i], tables->tunedNoiseGain[i - 1]) << "gain must rise as the band narrows";
    }
}

TEST_F(EngineTablesTest, NoiseTablesStayInRangeAndAreCentred) {
    double pinkMean = 0.0;
    double whiteMean = 0.0;
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        ASSERT_GE(tables->pinkNoiseTable[i], -1.0f);
        ASSERT_LE(tables->pinkNoiseTable[i], 1.0f);
        ASSERT_GE(tables->whiteNoiseTable[i], -1.0f);
        ASSERT_LE(tables->whiteNoiseTable[i], 1.0f);
        pinkMean += tables->pinkNoiseTable[i];
        whiteMean += tables->whiteNoiseTable[i];
    }
    EXPECT_NEAR(pinkMean / ENGINE_TABLE_SIZE, 0.0, 0.05);
    EXPECT_NEAR(whiteMean / ENGINE_TABLE_SIZE, 0.0, 0.02);
}

// The first white table of a process is the generator's sequence from seed 1.
// Run in a fresh child process so that no earlier build has advanced the seed.
TEST(WhiteNoiseTable, FirstInstanceFollowsTheGeneratorFromSeedOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto tables = std::make_unique<TEngineTables>();
            buildWhiteNoiseTable(*tables);
            uint32_t seed = 1;
            int mismatches = 0;
            for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
                const uint32_t product = seed * 16807u;
                seed = product + 1u;
                const float value = static_cast<float>(static_cast<int32_t>(product)) * 4.656613e-10f;
                const float expected = ((value + 1.0f) * 0.5f) * 2.0f - 1.0f;
                if (tables->whiteNoiseTable[i] != expected) ++mismatches;
            }
            std::exit(mismatches == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WhiteNoiseTable, EveryInstanceGetsItsOwnTableEvenWhenBuiltConcurrently) {
    auto first = std::make_unique<TEngineTables>();
    auto second = std::make_unique<TEngineTables>();
    std::thread a([&] { buildWhiteNoiseTable(*first); });
    std::thread b([&] { buildWhiteNoiseTable(*second); });
    a.join();
    b.join();
    int equal = 0;
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) equal += first->whiteNoiseTable[i] == second->whiteNoiseTable[i];
    EXPECT_LT(equal, 64) << "two instances must not share a white-noise table";
}

TEST(RandSeed, StepFollowsTheGenerator) {
    TRandSeed seed;
    const int32_t first = seed.step();
    EXPECT_EQ(first, 16807);
    EXPECT_EQ(seed.RandSeed, 16808u);
    const int32_t second = seed.step();
    EXPECT_EQ(second, static_cast<int32_t>(16808u * 16807u));
    for (int i = 0; i < 100000; ++i) {
        const float u = seed.uniform();
        ASSERT_GE(u, 0.0f);
        ASSERT_LE(u, 1.0f);
    }
}

}  // namespace
