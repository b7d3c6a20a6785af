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

    // The pan shape a control step of a voice moves to.
    TPanShape movedPanShape() const {
        TPanShape shape(*movement);
        shape.wave = (shape.wave + 3) % TMovementState::WAVE_ROWS;
        shape.foldOffset = 0.5f;
        shape.foldScale = -0.5f;
        return shape;
    }

    // Runs the lanes, both chains in one pass or one after the other; the
    // pan shape moves at the control step of the listed voice panChangeAt
    // (none where it is negative).
    void run(const TMovementLaneKernels& kernels, int panChangeAt, bool together = false) {
        TMovementState& m = *movement;
        TPanHistory pan(m);
        if (panChangeAt >= 0) pan.record(m.laneVoices.voice[static_cast<std::size_t>(panChangeAt)], movedPanShape());
        if (together) {
            const TLaneEnds ends = kernels.both(m, *voices, m.laneVoices, pan);
            movementEnds = ends.movement;
            freeEnds = ends.freeLFO;
            return;
        }
        movementEnds = kernels.movement(m, *voices, m.laneVoices, pan);
        freeEnds = kernels.freeLFO(m, m.laneVoices);
    }
    void run(const TMovementLaneKernels& kernels, bool panChanges) { run(kernels, panChanges ? 1 : -1); }
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

// The phase steps (stored raw, the voices that left [0, 1) answered) and the
// held values are the scalar chain's, whichever way the index went.
void expectScalarChains(const LaneRig& rig, const std::vector<float>& tables, const std::vector<LaneVoice>& lanes,
                        int levelRow, int freeRow) {
    for (const LaneVoice& lane : lanes) {
        const auto& lfos = rig.movement->voiceLFO[static_cast<std::size_t>(lane.voice)];
        const double advanced = lane.phase + lane.increment;
        const std::uint32_t leaves = advanced >= 0.0 && advanced < 1.0 ? 0u : 1u;
        EXPECT_EQ(bits(lfos[0].phase), bits(advanced)) << "Movement phase of voice " << lane.voice;
        EXPECT_EQ((rig.movementEnds >> lane.voice) & 1u, leaves) << "Movement end of voice " << lane.voice;
        if (leaves != 0u || !(lane.increment > 0.0)) continue;
        EXPECT_EQ(bits(lfos[0].held),
                  bits(scalarHeld(tables.data() + levelRow * WAVE_SIZE, lane.phase, lane.symmetry, lane.steps)))
            << "Movement of voice " << lane.voice;
        if (freeRow != SAMPLE_AND_HOLD_ROW) {
            EXPECT_EQ(bits(lfos[1].held), bits(scalarHeld(tables.data() + freeRow * WAVE_SIZE,
                                                          std::min(lane.phase + 0.125, 0.9375), lane.symmetry,
                                                          lane.steps)))
                << "Free LFO of voice " << lane.voice;
        }
    }
}

// Every value the lanes write, of the listed voices, alike in both rigs:
// the ends, both LFOs' phase and hold, the pan channel, the smoothing, the
// voices' levels and the source rows.
void expectSameLanes(const LaneRig& a, const LaneRig& b, const std::vector<LaneVoice>& lanes) {
    EXPECT_EQ(a.movementEnds, b.movementEnds);
    EXPECT_EQ(a.freeEnds, b.freeEnds);
    for (const LaneVoice& lane : lanes) {
        SCOPED_TRACE(lane.voice);
        const auto v = static_cast<std::size_t>(lane.voice);
        for (int which = 0; which < 2; ++which) {
            const TLfoState& x = a.movement->voiceLFO[v][static_cast<std::size_t>(which)];
            const TLfoState& y = b.movement->voiceLFO[v][static_cast<std::size_t>(which)];
            EXPECT_EQ(bits(x.phase), bits(y.phase)) << "phase of LFO " << which;
            EXPECT_EQ(bits(x.held), bits(y.held)) << "held value of LFO " << which;
            EXPECT_EQ(bits(x.smoothed), bits(y.smoothed)) << "smoothed value of LFO " << which;
        }
        const TPanLfoState& panX = a.movement->voiceLFO[v][0].pan;
        const TPanLfoState& panY = b.movement->voiceLFO[v][0].pan;
        EXPECT_EQ(bits(panX.held), bits(panY.held));
        EXPECT_EQ(bits(panX.smoothed), bits(panY.smoothed));
        EXPECT_EQ(bits(a.movement->movementSmoothed[v]), bits(b.movement->movementSmoothed[v]));
        EXPECT_EQ(bits(a.movement->panSmoothed[v]), bits(b.movement->panSmoothed[v]));
        EXPECT_EQ(bits(a.voices->movementLevel[v]), bits(b.voices->movementLevel[v]));
        EXPECT_EQ(bits(a.voices->movementPan[v]), bits(b.voices->movementPan[v]));
        for (int source = source::MOVEMENT; source <= source::FREE_UNIPOLAR_LFO; ++source)
            EXPECT_EQ(bits(a.sources[v][static_cast<std::size_t>(source)]),
                      bits(b.sources[v][static_cast<std::size_t>(source)]))
                << "source " << source;
    }
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

        expectScalarChains(baseline, tables, c.lanes, c.levelRow, c.freeRow);
        if (!haveAvx2) continue;
        LaneRig avx2(tables, c.lanes, c.levelRow, c.panWave, c.freeRow);
        avx2.run(AVX2_MOVEMENT_LANES, c.panChanges);
        expectSameLanes(baseline, avx2, c.lanes);
    }
    // The library runs the AVX2 lanes exactly where the processor has AVX2.
    EXPECT_EQ(&movementLaneKernels(), haveAvx2 ? &AVX2_MOVEMENT_LANES : &SSE2_MOVEMENT_LANES);
    if (!haveAvx2) GTEST_SKIP() << "the processor has no AVX2: only the baseline lanes ran";
}

// The pan channel values of one voice alike in both rigs.
void expectSamePan(const LaneRig& a, const LaneRig& b, int voice) {
    const auto v = static_cast<std::size_t>(voice);
    EXPECT_EQ(bits(a.movement->voiceLFO[v][0].pan.held), bits(b.movement->voiceLFO[v][0].pan.held));
    EXPECT_EQ(bits(a.movement->voiceLFO[v][0].pan.smoothed), bits(b.movement->voiceLFO[v][0].pan.smoothed));
    EXPECT_EQ(bits(a.movement->panSmoothed[v]), bits(b.movement->panSmoothed[v]));
    EXPECT_EQ(bits(a.voices->movementPan[v]), bits(b.voices->movementPan[v]));
    for (int source = source::PAN_MOVEMENT; source <= source::SMOOTHED_INVERSE_PAN_MOVEMENT; ++source)
        EXPECT_EQ(bits(a.sources[v][static_cast<std::size_t>(source)]),
                  bits(b.sources[v][static_cast<std::size_t>(source)]))
            << "source " << source;
}

// Lists of every length from 1 to 16 voices, consecutive and scattered (so
// that groups are whole, padded, rising by one or not), with warped lanes and
// phases that leave the cycle: each kernel set, running the chains one after
// the other or together, writes what the baseline writes one after the other,
// and that is the scalar chain's. A pan shape moved by the control step of a
// voice inside a group reaches that voice and those after it, not those before.
TEST(MovementLanes, EveryListLengthAndOrderAgreesWithTheScalarChain) {
    const std::vector<float> tables = makeTables();
    const bool haveAvx2 = __builtin_cpu_supports("avx2");
    std::vector<const TMovementLaneKernels*> kernels{&SSE2_MOVEMENT_LANES};
    if (haveAvx2) kernels.push_back(&AVX2_MOVEMENT_LANES);
    for (int count = 1; count <= NUM_VOICES; ++count) {
        for (const bool scattered : {false, true}) {
            std::vector<LaneVoice> lanes;
            for (int i = 0; i < count; ++i) {
                // 7 is prime to 16: the scattered voices are distinct.
                const int voice = scattered ? (i * 7 + 3) % NUM_VOICES : i;
                const double phase = 0.03 + 0.0617 * i;
                // Every fifth lane is warped, every seventh ends its cycle.
                const double symmetry = i % 5 == 2 ? 0.3 : 0.5;
                const double increment = i % 7 == 4 ? 1.0 - phase : 1e-4 * (i + 1);
                lanes.push_back({voice, phase, increment, symmetry, i % 3 == 1 ? 4.0 : 65536.0});
            }
            std::sort(lanes.begin(), lanes.end(), [](const LaneVoice& a, const LaneVoice& b) { return a.voice < b.voice; });
            SCOPED_TRACE(testing::Message() << count << (scattered ? " scattered" : " consecutive") << " voices");
            const int levelRow = 1 + count % 3, panWave = 4, freeRow = 2 + count % 5;
            LaneRig reference(tables, lanes, levelRow, panWave, freeRow);
            reference.run(SSE2_MOVEMENT_LANES, -1);
            expectScalarChains(reference, tables, lanes, levelRow, freeRow);
            for (const TMovementLaneKernels* set : kernels) {
                for (const bool together : {false, true}) {
                    SCOPED_TRACE(testing::Message() << (set == &SSE2_MOVEMENT_LANES ? "baseline" : "AVX2")
                                                    << (together ? ", together" : ", one after the other"));
                    LaneRig rig(tables, lanes, levelRow, panWave, freeRow);
                    rig.run(*set, -1, together);
                    expectSameLanes(reference, rig, lanes);
                }
                if (count < 2) continue;
                // The shape moves at the step of the listed voice in the
                // middle (inside a group unless the list is two long).
                const int changeAt = count / 2 + (count / 2 % 4 == 0 && count > 2 ? 1 : 0);
                LaneRig moved(tables, lanes, levelRow, panWave, freeRow);
                moved.run(*set, changeAt, true);
                LaneRig after(tables, lanes, levelRow, panWave, freeRow);
                after.movedPanShape().setInto(*after.movement);
                after.run(SSE2_MOVEMENT_LANES, -1);
                // The moved shape gives other pan values: else the checks
                // below could not tell the shapes apart.
                const auto lastVoice = static_cast<std::size_t>(lanes.back().voice);
                EXPECT_NE(bits(reference.sources[lastVoice][source::PAN_MOVEMENT]),
                          bits(after.sources[lastVoice][source::PAN_MOVEMENT]));
                for (int i = 0; i < count; ++i) {
                    SCOPED_TRACE(testing::Message() << "listed voice " << i << ", shape moved at " << changeAt);
                    expectSamePan(i < changeAt ? reference : after, moved, lanes[static_cast<std::size_t>(i)].voice);
                }
            }
        }
    }
    if (!haveAvx2) GTEST_SKIP() << "the processor has no AVX2: only the baseline lanes ran";
}

}  // namespace
