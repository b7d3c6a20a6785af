// The Movement and Free LFO lanes: the baseline (two doubles per vector) and
// the AVX2 build (four) must give the same bits for the same lanes, and the
// held values must be those of the scalar chain, through the unwarped and the
// warped table index alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/ModTables.h"
#include "engine/MovementLanes.h"

namespace {

constexpr int WAVE_SIZE = TMovementState::WAVE_SIZE;
constexpr int SMOOTH_ROW = 0, HOSTILE_ROW = 5, SAMPLE_AND_HOLD_ROW = 8;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Nine rows of one cycle: smooth waves, and in the hostile row every few
// entries a value no table should hold (NaN, infinities, below -1, huge), so
// that the quantisers' inputs are NaN, infinite or negative.
std::vector<float> makeTables() {
    std::vector<float> tables(static_cast<std::size_t>(TMovementState::WAVE_ROWS) * WAVE_SIZE);
    for (int row = 0; row < TMovementState::WAVE_ROWS; ++row) {
        for (int i = 0; i < WAVE_SIZE; ++i) {
            float value = static_cast<float>(std::sin(i * 0.0007 * (row + 1) + row));
            if (row == HOSTILE_ROW) {
                if (i % 7 == 0) value = NaN;
                else if (i % 11 == 0) value = INF;
                else if (i % 13 == 0) value = -INF;
                else if (i % 17 == 0) value = -3.0f;
                else if (i % 19 == 0) value = 1e12f;
            }
            tables[static_cast<std::size_t>(row) * WAVE_SIZE + static_cast<std::size_t>(i)] = value;
        }
    }
    return tables;
}

struct LaneVoice {
    int voice;
    double phase, increment, symmetry, steps;
    float randomValue = 0.0f;
};

// What one set of lanes works on: the LFO state, the voices' outputs and
// their source rows.
struct LaneRig {
    std::unique_ptr<TMovementState> movement = std::make_unique<TMovementState>();
    std::unique_ptr<TVoiceState> voices = std::make_unique<TVoiceState>();
    std::vector<std::array<float, 64>> sources = std::vector<std::array<float, 64>>(NUM_VOICES);
    std::uint32_t movementEnds = 0, freeEnds = 0;

    LaneRig(const std::vector<float>& tables, const std::vector<LaneVoice>& lanes, int levelRow, int panWave,
            int freeRow) {
        TMovementState& m = *movement;
        m.lfoWaveTables = reinterpret_cast<const float(*)[WAVE_SIZE]>(tables.data());
        m.movementWaveRow = levelRow;
        m.panWave = panWave;
        m.freeWaveRow = freeRow;
        for (int v = 0; v < NUM_VOICES; ++v) {
            m.movementSmoothed[static_cast<std::size_t>(v)] = 0.1f * static_cast<float>(v) - 0.7f;
            m.panSmoothed[static_cast<std::size_t>(v)] = 0.05f * static_cast<float>(v);
        }
        std::uint32_t mask = 0;
        auto& list = m.laneVoices;
        for (const LaneVoice& lane : lanes) {
            mask |= 1u << lane.voice;
            for (int which = 0; which < 2; ++which) {
                TLfoState& lfo = m.voiceLFO[static_cast<std::size_t>(lane.voice)][static_cast<std::size_t>(which)];
                // The Free LFO runs a little ahead of the Movement.
                lfo.phase = which == 0 ? lane.phase : std::min(lane.phase + 0.125, 0.9375);
                lfo.increment = lane.increment;
                lfo.symmetry = lane.symmetry;
                lfo.symmetryRest = 1.0 - lane.symmetry;
                lfo.unwarped = lfo.symmetry == 0.5 && lfo.symmetryRest == 0.5;
                lfo.holdStepCount = lane.steps;
                lfo.holdLevels = lane.steps + 0.999;
                lfo.holdStepsInverse = 1.0 / lane.steps;
                lfo.randomValue = lane.randomValue;
            }
        }
        list.owner = &m;
        list.mask = mask;
        list.count = 0;
        for (std::uint32_t left = mask; left != 0; left &= left - 1) {
            const int v = std::countr_zero(left);
            const auto at = static_cast<std::size_t>(list.count++);
            list.voice[at] = v;
            list.lfo[at] = m.voiceLFO[static_cast<std::size_t>(v)].data();
            list.sources[at] = sources[static_cast<std::size_t>(v)].data();
        }
        for (int i = list.count; i % 4 != 0; ++i) {
            const auto at = static_cast<std::size_t>(i), last = static_cast<std::size_t>(list.count - 1);
            list.voice[at] = list.voice[last];
            list.lfo[at] = list.lfo[last];
            list.sources[at] = list.sources[last];
        }
    }

    void run(const TMovementLaneKernels& kernels, bool panChanges) {
        TMovementState& m = *movement;
        TPanHistory pan(m);
        if (panChanges) {
            // A control step of the second voice moved the pan shape.
            TPanShape shape(m);
            shape.wave = (shape.wave + 3) % TMovementState::WAVE_ROWS;
            shape.foldOffset = 0.5f;
            shape.foldScale = -0.5f;
            pan.record(m.laneVoices.voice[1], shape);
        }
        movementEnds = kernels.movement(m, *voices, m.laneVoices, pan);
        freeEnds = kernels.freeLFO(m, m.laneVoices);
    }
};

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

// The scalar chain's held value of an LFO whose hold fires every frame with
// neutral bias: the warped table index, the quantised level, its step.
float scalarHeld(const float* row, double phase, double symmetry, double steps) {
    const double p = std::fmod(phase + 10.0, 1.0);
    const double warped = p < symmetry ? p * 0.5 / symmetry : (p - symmetry) * 0.5 / (1.0 - symmetry) + 0.5;
    const double scaled = warped * 65535.99;
    const int index = scaled < WAVE_SIZE - 1 ? static_cast<int>(scaled) : WAVE_SIZE - 1;
    const double x = (static_cast<double>(row[index]) + 1.0) * (steps + 0.999);
    // The whole part of x, where it is a number from 0 up to the limit; 0 elsewhere.
    const double whole = x >= 0.0 && x < 4.0e15 ? std::trunc(x) : 0.0;
    return static_cast<float>(std::min(whole / steps - 1.0, 1.0));
}

TEST(MovementLanes, BaselineAndAvx2LanesAgreeBitForBit) {
    const std::vector<float> tables = makeTables();
    const double centred = 0.5, sixteenBits = 65536.0;
    struct Case {
        const char* why;
        std::vector<LaneVoice> lanes;
        int levelRow, panWave, freeRow;
        bool panChanges;
    } cases[] = {
        {"centred symmetry: the unwarped index, four consecutive voices",
         {{0, 0.1234567, 1e-4, centred, sixteenBits}, {1, 0.3456789, 2e-4, centred, sixteenBits},
          {2, 0.6789012, 3e-4, centred, sixteenBits}, {3, 0.9012345, 1e-5, centred, 2.0}},
         SMOOTH_ROW, 2, 3, false},
        {"centred symmetry over eight voices, across the cycle",
         {{0, 0.0123, 1e-4, centred, sixteenBits}, {1, 0.1293, 1e-4, centred, sixteenBits},
          {2, 0.2463, 1e-4, centred, sixteenBits}, {3, 0.3633, 1e-4, centred, sixteenBits},
          {4, 0.4803, 1e-4, centred, sixteenBits}, {5, 0.5973, 1e-4, centred, sixteenBits},
          {6, 0.7143, 1e-4, centred, sixteenBits}, {7, 0.8313, 1e-4, centred, sixteenBits}},
         1, 2, 0, false},
        {"phases at and near 0, 0.5 and 1 with centred symmetry",
         {{0, 0.0, 1e-4, centred, sixteenBits}, {2, 0.5, 1e-4, centred, sixteenBits},
          {5, 0.49999999999999994, 1e-12, centred, sixteenBits}, {7, 0.9999999999999999, 1e-17, centred, 4.0},
          {9, 5e-324, 1e-4, centred, sixteenBits}},
         1, 3, 2, false},
        {"one lane warped sends the group the warped way",
         {{1, 0.2, 1e-4, centred, sixteenBits}, {3, 0.4, 1e-4, 0.001, sixteenBits},
          {4, 0.7, 1e-4, centred, sixteenBits}, {6, 0.95, 1e-4, centred, sixteenBits}},
         2, 1, 4, false},
        {"warped both ways, near the symmetry point",
         {{0, 0.2999, 1e-4, 0.3, sixteenBits}, {1, 0.3, 1e-4, 0.3, 1.0}, {2, 0.001, 1e-4, 0.999, 8.0},
          {3, 0.9989, 1e-4, 0.999, sixteenBits}, {4, 0.0005, 1e-4, 0.001, sixteenBits}},
         3, 0, 6, false},
        {"phases that leave the cycle: past 1, below 0, infinite, NaN",
         {{0, 0.99, 0.02, centred, sixteenBits}, {1, 0.01, -0.02, centred, sixteenBits},
          {2, 0.4, INF, 0.3, sixteenBits}, {3, 0.5, 1e-4, centred, sixteenBits},
          {4, 0.3, NaN, centred, sixteenBits}, {5, 0.7, -INF, centred, 2.0}},
         0, 2, 1, false},
        {"NaN, infinite, negative and huge table values in every quantiser",
         {{0, 0.1, 1e-4, centred, sixteenBits}, {1, 0.2, 1e-4, 0.3, sixteenBits},
          {2, 0.3, 1e-4, centred, 2.0}, {3, 0.4, 1e-4, 0.7, sixteenBits}, {8, 0.55, 1e-4, centred, 256.0},
          {11, 0.65, 1e-4, 0.2, sixteenBits}, {12, 0.75, 1e-4, centred, sixteenBits},
          {15, 0.85, 1e-4, centred, sixteenBits}},
         HOSTILE_ROW, HOSTILE_ROW, HOSTILE_ROW, false},
        {"sample-and-hold wave, a pan shape moved by a control step",
         {{2, 0.25, 1e-4, centred, sixteenBits, -0.75f}, {4, 0.5, 1e-4, centred, sixteenBits, NaN},
          {6, 0.75, 1e-4, 0.4, sixteenBits, INF}, {8, 0.125, 1e-4, centred, 2.0, -INF},
          {10, 0.375, 1e-4, centred, sixteenBits, 0.3f}, {12, 0.625, 1e-4, centred, sixteenBits, -1.0f}},
         0, 1, SAMPLE_AND_HOLD_ROW, true},
    };
    const bool haveAvx2 = __builtin_cpu_supports("avx2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        LaneRig baseline(tables, c.lanes, c.levelRow, c.panWave, c.freeRow);
        baseline.run(SSE2_MOVEMENT_LANES, c.panChanges);

        // The phase steps (stored raw, the voices that left [0, 1) answered)
        // and the held values are the scalar chain's, whichever way the index went.
        for (const LaneVoice& lane : c.lanes) {
            const auto& lfos = baseline.movement->voiceLFO[static_cast<std::size_t>(lane.voice)];
            const double advanced = lane.phase + lane.increment;
            const std::uint32_t leaves = advanced >= 0.0 && advanced < 1.0 ? 0u : 1u;
            EXPECT_EQ(bits(lfos[0].phase), bits(advanced)) << "Movement phase of voice " << lane.voice;
            EXPECT_EQ((baseline.movementEnds >> lane.voice) & 1u, leaves) << "Movement end of voice " << lane.voice;
            if (leaves != 0u || !(lane.increment > 0.0)) continue;
            EXPECT_EQ(bits(lfos[0].held), bits(scalarHeld(tables.data() + c.levelRow * WAVE_SIZE, lane.phase,
                                                          lane.symmetry, lane.steps)))
                << "Movement of voice " << lane.voice;
            if (c.freeRow != SAMPLE_AND_HOLD_ROW) {
                EXPECT_EQ(bits(lfos[1].held), bits(scalarHeld(tables.data() + c.freeRow * WAVE_SIZE,
                                                              std::min(lane.phase + 0.125, 0.9375), lane.symmetry,
                                                              lane.steps)))
                    << "Free LFO of voice " << lane.voice;
            }
        }
        if (!haveAvx2) continue;
        LaneRig avx2(tables, c.lanes, c.levelRow, c.panWave, c.freeRow);
        avx2.run(AVX2_MOVEMENT_LANES, c.panChanges);
        EXPECT_EQ(baseline.movementEnds, avx2.movementEnds);
        EXPECT_EQ(baseline.freeEnds, avx2.freeEnds);
        for (const LaneVoice& lane : c.lanes) {
            SCOPED_TRACE(lane.voice);
            const auto v = static_cast<std::size_t>(lane.voice);
            for (int which = 0; which < 2; ++which) {
                const TLfoState& a = baseline.movement->voiceLFO[v][static_cast<std::size_t>(which)];
                const TLfoState& b = avx2.movement->voiceLFO[v][static_cast<std::size_t>(which)];
                EXPECT_EQ(bits(a.phase), bits(b.phase)) << "phase of LFO " << which;
                EXPECT_EQ(bits(a.held), bits(b.held)) << "held value of LFO " << which;
                EXPECT_EQ(bits(a.smoothed), bits(b.smoothed)) << "smoothed value of LFO " << which;
            }
            const TPanLfoState& panA = baseline.movement->voiceLFO[v][0].pan;
            const TPanLfoState& panB = avx2.movement->voiceLFO[v][0].pan;
            EXPECT_EQ(bits(panA.held), bits(panB.held));
            EXPECT_EQ(bits(panA.smoothed), bits(panB.smoothed));
            EXPECT_EQ(bits(baseline.movement->movementSmoothed[v]), bits(avx2.movement->movementSmoothed[v]));
            EXPECT_EQ(bits(baseline.movement->panSmoothed[v]), bits(avx2.movement->panSmoothed[v]));
            EXPECT_EQ(bits(baseline.voices->movementLevel[v]), bits(avx2.voices->movementLevel[v]));
            EXPECT_EQ(bits(baseline.voices->movementPan[v]), bits(avx2.voices->movementPan[v]));
            for (int source = SRC_MOVEMENT; source <= SRC_FREE_LFO_UNIPOLAR; ++source)
                EXPECT_EQ(bits(baseline.sources[v][static_cast<std::size_t>(source)]),
                          bits(avx2.sources[v][static_cast<std::size_t>(source)]))
                    << "source " << source;
        }
    }
    // The library runs the AVX2 lanes exactly where the processor has AVX2.
    EXPECT_EQ(&movementLaneKernels(), haveAvx2 ? &AVX2_MOVEMENT_LANES : &SSE2_MOVEMENT_LANES);
    if (!haveAvx2) GTEST_SKIP() << "the processor has no AVX2: only the baseline lanes ran";
}

}  // namespace
