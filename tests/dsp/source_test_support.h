// A voice source rendered on its own, with the tables it reads built once per
// test suite and fresh voice state for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/VoiceSource.h"
#include "engine/dsp/WaveTables.h"

namespace sourcetest {
inline constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
inline constexpr float Inf = std::numeric_limits<float>::infinity();

// The fast paths must give the general path's exact bits, signed zeros and
// NaN payloads included, so values are compared as bytes.
inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace sourcetest

class VoiceSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildFilterTables();
        buildWaveTables();
        tables = std::make_unique<TEngineTables>();
        TPinkNoise pink;
        TRandSeed seed;
        buildEngineTables(*tables, pink, seed);
    }
    static void TearDownTestSuite() { tables.reset(); }

    void SetUp() override {
        state = std::make_unique<TVoiceSourceState>();
        pink = std::make_unique<TPinkNoise>();
        bandPass = std::make_unique<TFilter>();
        bandPass->init(48000.0f);
        seed = TRandSeed{};
    }

    stereoOverStruct render(const TVoiceSourceInput& input, int voice = 0, float* noiseAmount = nullptr) {
        return renderVoiceSource(voice, input, *state, *tables, *pink, seed, *bandPass, noiseAmount);
    }

    // Voice v's phase, feedback level, pink counter and (with rows) pink rows
    // here and in another state, bit for bit.
    ::testing::AssertionResult sameVoiceState(int v, const TVoiceSourceState& other, const TPinkNoise& otherPink,
                                              bool rows) const {
        using sourcetest::sameBits;
        if (!sameBits(state->voicePhase[v], other.voicePhase[v]))
            return ::testing::AssertionFailure() << "phase of voice " << v;
        if (!sameBits(state->voiceLevel[v], other.voiceLevel[v]))
            return ::testing::AssertionFailure() << "feedback level of voice " << v;
        if (pink->counter(v) != otherPink.counter(v))
            return ::testing::AssertionFailure() << "pink counter of voice " << v;
        for (int row = 0; rows && row < PINK_NOISE_ROWS; ++row)
            if (!sameBits(pink->row(v, row), otherPink.row(v, row)))
                return ::testing::AssertionFailure() << "pink row " << row << " of voice " << v;
        return ::testing::AssertionSuccess();
    }

    static inline std::unique_ptr<TEngineTables> tables;
    std::unique_ptr<TVoiceSourceState> state;
    std::unique_ptr<TPinkNoise> pink;
    std::unique_ptr<TFilter> bandPass;
    TRandSeed seed;
};
