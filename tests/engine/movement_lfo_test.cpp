// The Movement and the Free LFO through the real block loop: free and synced
// rates, the one-shot and looping Movement and its release, tracking, sample
// and hold, the curve, and the read-outs the editor draws.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "mod_support.h"

namespace {

constexpr int MOVE_WAVE = 39, MOVE_LOOP = 40, MOVE_SPEED = 41, MOVE_SYNC = 42, MOVE_SYMMETRY = 43;
constexpr int MOVE_SHAPE_UP = 44, MOVE_SHAPE_DOWN = 45, MOVE_KEY_TRACK = 46, MOVE_VELOCITY_TRACK = 47;
constexpr int FREE_WAVE = 61, FREE_MODE = 62, FREE_SPEED = 63, FREE_SYNC = 64, FREE_SYMMETRY = 65, FREE_SHAPE = 66;
constexpr int SINE_WAVE = 4, SAMPLE_AND_HOLD_WAVE = 8;

// Frequency of a free-running LFO at a speed value: 0.0067 Hz .. 110 Hz.
double freeHz(double speed) { return std::exp2(14.0 * speed) * 1.71875 * 0.00390625; }

// The speed value of step `step` of the synced periods.
float syncedSpeed(int step) { return static_cast<float>((step + 0.1) / 33.99); }

// Upward zero crossings of the global Free LFO over the frames.
int countCycles(ModRig& rig, long frames) {
    int crossings = 0;
    float last = TEngineTestAccess::mod(*rig).globalModSrc()[47];
    for (long i = 0; i < frames; ++i) {
        rig.render(1);
        const float now = TEngineTestAccess::mod(*rig).globalModSrc()[47];
        if (last < 0.0f && now >= 0.0f) ++crossings;
        last = now;
    }
    return crossings;
}

// The Free LFO's rate, free-running from its speed or synced to the host
// tempo: the increment it runs at, and the cycles a sine counts at that rate.
TEST(MovementLfo, FreeLfoRunsAtItsFreeOrSyncedRate) {
    struct Case {
        const char* why;
        bool sync;
        float speed;
        double tempo;
        double hz;
        double tolerance;  // of the increment, relative
        double seconds;    // counted; 0: too slow to count
    } cases[] = {
        {"speed 1 is 110 Hz", false, 1.0f, 120.0, freeHz(1.0), 1e-6, 0.5},
        {"speed 0.75 is 9.7 Hz", false, 0.75f, 120.0, freeHz(0.75), 1e-6, 2.0},
        {"speed 0.5 is 0.86 Hz", false, 0.5f, 120.0, freeHz(0.5), 1e-6, 7.0},
        {"1 bar at 120 BPM is 2 s", true, syncedSpeed(17), 120.0, 1.0 / 2.0, 1e-5, 8.0},
        {"1/4 bar at 120 BPM is 0.5 s", true, syncedSpeed(23), 120.0, 1.0 / 0.5, 1e-5, 2.0},
        {"1/4 bar at 90 BPM", true, syncedSpeed(23), 90.0, 90.0 / 60.0, 1e-5, 4.0 * 60.0 / 90.0},
        {"3/8 bar at 120 BPM", true, syncedSpeed(22), 120.0, 1.0 / 0.75, 1e-5, 3.0},
        {"step 0 is 96 bars", true, syncedSpeed(0), 120.0, 1.0 / 192.0, 1e-5, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig(48000.0f, c.tempo);
        rig.setStep(FREE_WAVE, SINE_WAVE);
        rig.set(FREE_SYNC, c.sync ? 1.0f : 0.0f);
        rig.set(FREE_SPEED, c.speed);
        rig.render(64);
        EXPECT_NEAR(TEngineTestAccess::movement(*rig).globalLFOInc[1] * 48000.0, c.hz, c.hz * c.tolerance);
        if (c.seconds > 0.0) {
            EXPECT_NEAR(countCycles(rig, static_cast<long>(c.seconds * 48000.0)), c.hz * c.seconds, 1.01);
        }
    }
}

TEST(MovementLfo, TransportStartRestartsTheGlobalLfo) {
    ModRig rig;
    rig.set(FREE_SYNC, 1.0f);
    rig.set(FREE_SPEED, syncedSpeed(17));
    rig.render(30000);
    EXPECT_GT(TEngineTestAccess::movement(*rig).globalLFO[1].phase, 0.2);
    rig.setTransportPlaying(true);
    rig.render(17);  // the next control step sees the transport start
    EXPECT_LT(TEngineTestAccess::movement(*rig).globalLFO[1].phase, 17.0 / 96000.0 + 1e-9);
    rig.render(20000);
    const double running = TEngineTestAccess::movement(*rig).globalLFO[1].phase;
    rig.setTransportPlaying(false);
    rig.render(17);  // stopping does not restart it
    EXPECT_GT(TEngineTestAccess::movement(*rig).globalLFO[1].phase, running);
}

// A free Movement at speed 0.75: one cycle in 4937 frames at 48 kHz.
void fastMovement(ModRig& rig, bool loop) {
    rig.set(MOVE_SYNC, 0.0f);
    rig.set(MOVE_SPEED, 0.75f);
    rig.set(MOVE_LOOP, loop ? 1.0f : 0.0f);
}

TEST(MovementLfo, OneShotMovementReleasesAtTheEndOfItsCycle) {
    ModRig rig;
    fastMovement(rig, false);
    rig.noteOn(60);
    rig.render(1);
    const int v = rig.voice();
    const double period = 48000.0 / freeHz(0.75);
    const long frames = rig.renderUntil(20000, [&] { return TEngineTestAccess::voices(*rig).voiceRelease[v]; });
    EXPECT_NEAR(static_cast<double>(frames), period, 3.0);
    EXPECT_TRUE(TEngineTestAccess::voices(*rig).voiceOn[v]);  // now the envelope's release runs
    EXPECT_NEAR(TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase, 0.9999, 1e-9);
}

TEST(MovementLfo, LoopingMovementRepeatsUntilTheKeyIsUp) {
    ModRig rig;
    fastMovement(rig, true);
    rig.setStep(MOVE_WAVE, 2);  // saw up: the source climbs through each cycle
    rig.noteOn(60);
    rig.render(1);
    const int v = rig.voice();
    const double period = 48000.0 / freeHz(0.75);
    rig.render(static_cast<long>(period * 3.5));
    EXPECT_FALSE(TEngineTestAccess::voices(*rig).voiceRelease[v]);
    EXPECT_NEAR(TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase, 0.5, 0.01);

    // The key goes up mid-cycle: the Movement finishes the cycle, then releases.
    rig.noteOff(60);
    const long frames = rig.renderUntil(20000, [&] { return TEngineTestAccess::voices(*rig).voiceRelease[v]; });
    EXPECT_NEAR(static_cast<double>(frames), period * 0.5, period * 0.02);

    // A released voice keeps its last Movement values.
    const float held = TEngineTestAccess::mod(*rig).voiceModSrc(v)[39];
    const double phase = TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase;
    rig.render(500);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(v)[39], held);
    EXPECT_DOUBLE_EQ(TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase, phase);
}

TEST(MovementLfo, MovementSourcesFollowTheShape) {
    ModRig rig;
    fastMovement(rig, true);
    rig.setStep(MOVE_WAVE, 2);  // saw up
    // Slot 1: "Pan Movement" on an added destination, at full amount.
    constexpr int PAN_DEST = 28;
    rig.setStep(111, 43);
    rig.setStep(115, PAN_DEST);
    rig.set(119, 1.0f);
    rig.noteOn(60);
    rig.render(1);
    const int v = rig.voice();
    const double period = 48000.0 / freeHz(0.75);
    rig.render(static_cast<long>(period * 0.25));
    const auto& src = TEngineTestAccess::mod(*rig).voiceModSrc(v);
    // Saw up at a quarter of the cycle: -0.5 in the table, 0.25 as a source.
    EXPECT_NEAR(src[39], 0.25f, 0.01f);
    EXPECT_NEAR(src[41], 1.0f - src[39], 1e-6f);
    EXPECT_NEAR(src[40], src[39], 0.01f);  // the smoothed copy lags by a few frames
    EXPECT_NEAR(src[42], 1.0f - src[40], 1e-6f);
    EXPECT_NEAR(src[45], 1.0f - src[43], 1e-6f);
    // The global row carries the current voice's Movement and its pan channel.
    for (int source = 39; source <= 46; ++source) {
        SCOPED_TRACE(source);
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModSrc()[source], src[source]);
    }
    EXPECT_GT(src[43], 0.1f);  // a quarter into the pan's saw up: not a row left at 0
    // ... and so a global route from it moves its destination (one control step behind).
    EXPECT_NEAR(TEngineTestAccess::mod(*rig).globalModDest[PAN_DEST], src[43], 0.01f);
    // The mix reads the smoothed level.
    EXPECT_FLOAT_EQ(TEngineTestAccess::voices(*rig).movementLevel[v], src[40]);
}

TEST(MovementLfo, SampleAndHoldWithFullBitReductionGivesThreeLevels) {
    ModRig rig;
    rig.setStep(FREE_WAVE, SINE_WAVE);
    rig.set(FREE_SYNC, 0.0f);
    rig.set(FREE_SPEED, 0.9f);
    rig.setStep(111, 57);   // Offset
    rig.setStep(115, 113);  // Free LFO Bits
    rig.set(119, 1.0f);
    std::set<float> seen;
    for (int i = 0; i < 20000; ++i) {
        rig.render(1);
        const float value = TEngineTestAccess::mod(*rig).globalModSrc()[47];
        // The smoother's 1e-15 denormal guard rides on the held level.
        if (i > 32) {
            EXPECT_NEAR(value, std::round(value), 1e-9f);
            seen.insert(std::round(value));
        }
    }
    EXPECT_EQ(seen, (std::set<float>{-1.0f, 0.0f, 1.0f}));
}

TEST(MovementLfo, SampleAndHoldWaveDrawsANewValueEachCycle) {
    ModRig rig;
    rig.setStep(FREE_WAVE, SAMPLE_AND_HOLD_WAVE);
    rig.set(FREE_SYNC, 0.0f);
    rig.set(FREE_SPEED, 0.75f);  // 9.7 Hz
    std::set<float> seen;
    float previous = TEngineTestAccess::mod(*rig).globalModSrc()[47];
    int changes = 0;
    for (int i = 0; i < 48000; ++i) {
        rig.render(1);
        const float now = TEngineTestAccess::mod(*rig).globalModSrc()[47];
        if (now != previous) ++changes;
        previous = now;
        seen.insert(now);
    }
    EXPECT_NEAR(changes, freeHz(0.75), 1.5);
    EXPECT_GE(seen.size(), 8u);
    for (float x : seen) EXPECT_LE(std::fabs(x), 1.0f);
}

TEST(MovementLfo, FreeModeSharesOneLfoAmongTheVoices) {
    ModRig rig;
    rig.setStep(FREE_MODE, 1);
    rig.set(FREE_SYNC, 0.0f);
    rig.set(FREE_SPEED, 0.8f);
    rig.set(MOVE_LOOP, 1.0f);
    rig.noteOn(60);
    rig.render(700);
    rig.noteOn(67);
    rig.render(333);
    int sounding = 0;
    for (int v = 0; v < 16; ++v) {
        if (!TEngineTestAccess::voices(*rig).voiceOn[v]) continue;
        ++sounding;
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(v)[47],
                        TEngineTestAccess::mod(*rig).globalModSrc()[47]);
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(v)[48],
                        TEngineTestAccess::mod(*rig).globalModSrc()[48]);
    }
    EXPECT_EQ(sounding, 2);

    // In "Poly" each voice runs its own LFO from its own note start.
    ModRig poly;
    poly.setStep(FREE_MODE, 0);
    poly.set(FREE_SYNC, 0.0f);
    poly.set(FREE_SPEED, 0.8f);
    poly.set(MOVE_LOOP, 1.0f);
    poly.noteOn(60);
    poly.render(700);
    const int first = poly.voice();
    poly.noteOn(67);
    poly.render(333);
    EXPECT_NE(TEngineTestAccess::mod(*poly).voiceModSrc(first)[47],
              TEngineTestAccess::mod(*poly).voiceModSrc(poly.voice())[47]);
}

TEST(MovementLfo, SymmetryAndCurveExtremesStayFinite) {
    for (float symmetry : {0.0f, 1.0f}) {
        for (float shape : {0.0f, 1.0f}) {
            ModRig rig;
            rig.set(FREE_SYMMETRY, symmetry);
            rig.set(MOVE_SYMMETRY, symmetry);
            rig.set(FREE_SHAPE, shape);
            rig.set(MOVE_SHAPE_UP, shape);
            rig.set(MOVE_SHAPE_DOWN, 1.0f - shape);
            rig.set(FREE_SYNC, 0.0f);
            rig.set(FREE_SPEED, 1.0f);
            fastMovement(rig, true);
            rig.noteOn(60);
            for (int i = 0; i < 4000; ++i) {
                rig.render(1);
                for (int src = 39; src <= 48; ++src) {
                    ASSERT_TRUE(std::isfinite(TEngineTestAccess::mod(*rig).voiceModSrc(rig.voice())[src])) << src;
                    ASSERT_LE(std::fabs(TEngineTestAccess::mod(*rig).voiceModSrc(rig.voice())[src]), 1.0f) << src;
                }
            }
        }
    }
}

TEST(MovementLfo, MovementShapeReadOut) {
    ModRig rig;
    struct Case {
        const char* why;
        int mode;
        float x;
        float shapeUp;
        float shapeDown;
        float expected;
    } cases[] = {
        {"triangle up at its peak", 0, 0.5f, 0.5f, 0.5f, 1.0f},
        {"saw up, no curve: linear", 2, 0.25f, 0.5f, 0.5f, 0.25f},
        {"shape 0 gives exponent 16", 2, 0.25f, 0.0f, 0.5f, std::pow(0.25f, 16.0f)},
        {"shape 1 gives exponent 1/16", 2, 0.25f, 1.0f, 0.5f, std::pow(0.25f, 1.0f / 16.0f)},
        {"triangle up's second half uses Shape Down", 0, 0.75f, 0.5f, 0.0f, std::pow(0.5f, 16.0f)},
        {"saw up curves both halves with Shape Up", 2, 0.75f, 0.0f, 0.5f, std::pow(0.75f, 16.0f)},
        {"a mode beyond the waves reads the last", 9, 0.25f, 0.5f, 0.5f, 0.75f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        rig.set(MOVE_SYMMETRY, 0.5f);
        rig.set(MOVE_SHAPE_UP, c.shapeUp);
        rig.set(MOVE_SHAPE_DOWN, c.shapeDown);
        EXPECT_NEAR(rig->getMovementValue(c.mode, c.x), c.expected, 2e-3f);
    }
    EXPECT_TRUE(std::isfinite(rig->getMovementValue(0, std::nanf(""))));
}

TEST(MovementLfo, PositionAndPanReadOuts) {
    ModRig rig;
    EXPECT_FLOAT_EQ(rig->getMovementPos(), -1.0f);
    EXPECT_FLOAT_EQ(rig->getPan(), 0.5f);
    fastMovement(rig, true);
    rig.set(3, 0.8f);  // pan
    rig.noteOn(60);
    rig.render(2000);
    EXPECT_GT(rig->getMovementPos(), 0.3f);
    EXPECT_LT(rig->getMovementPos(), 0.5f);
    EXPECT_NEAR(rig->getPan(), 0.8f, 1e-3f);
    rig->setEverythingOff(true);
    rig.render(1);  // the read-outs show what the last block published
    EXPECT_FLOAT_EQ(rig->getMovementPos(), -1.0f);
    EXPECT_NEAR(rig->getPan(), 0.8f, 1e-3f);  // the last pan stays shown
}

TEST(MovementLfo, LockKeepsTheMovementSpeed) {
    ModRig rig;
    rig.set(MOVE_SPEED, 0.3f);
    rig.set(MOVE_SYNC, 0.0f);
    rig->setLockState(1);
    EXPECT_TRUE(rig->getIsLocked());
    rig.set(MOVE_SPEED, 0.9f);
    rig.set(MOVE_SYNC, 1.0f);
    EXPECT_FLOAT_EQ(rig->getLockVar(MOVE_SPEED), 0.3f);
    EXPECT_FLOAT_EQ(rig->getLockVar(MOVE_SYNC), 0.0f);
    EXPECT_FLOAT_EQ(rig->getLockVar(FREE_SPEED), rig->getParameter(FREE_SPEED));
    rig.render(32);
    // The locked speed drives the Movement, free-running.
    EXPECT_NEAR(TEngineTestAccess::movement(*rig).globalLFOInc[0] * 48000.0, freeHz(0.3), 1e-6);
    rig->setLockState(2);
    EXPECT_FLOAT_EQ(rig->getParameter(MOVE_SPEED), 0.3f);
    EXPECT_FLOAT_EQ(rig->getParameter(MOVE_SYNC), 0.0f);
    EXPECT_FLOAT_EQ(rig->getLockVar(MOVE_SPEED), 0.3f);
    rig->setLockState(0);
    EXPECT_FALSE(rig->getIsLocked());
    rig.set(MOVE_SPEED, 0.6f);
    EXPECT_FLOAT_EQ(rig->getLockVar(MOVE_SPEED), 0.6f);
}

TEST(MovementLfo, PanSingleModesShapeThePanMovement) {
    struct Case {
        const char* why;
        int mode;
        float expected;  // source 43 a quarter into a saw-up Movement
    } cases[] = {
        {"mode 0 follows the Movement wave (saw up)", 0, 0.25f},
        {"L>R: saw up", 1, 0.25f},
        {"R>L: saw down", 2, 0.75f},
        {"C>L: folded into the left half", 5, 0.375f},
        {"C>R: folded into the right half", 6, 0.625f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        fastMovement(rig, true);
        rig.setStep(MOVE_WAVE, 2);
        rig.setStep(54, c.mode);
        rig.noteOn(60);
        rig.render(1);
        const int v = rig.voice();
        const double period = 48000.0 / freeHz(0.75);
        rig.render(static_cast<long>(period * 0.25) - 1);
        EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModSrc(v)[43], c.expected, 2e-3f);
        EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModSrc(v)[45], 1.0f - c.expected, 2e-3f);
    }
}

// The Movement's rate against its free rate: key and velocity tracking, the
// speed control and the speed and phase destinations; then humanize.
TEST(MovementLfo, TrackingSpeedControlPhaseAndHumanizeDestinations) {
    struct Case {
        const char* why;
        std::vector<std::pair<int, float>> settings;
        int note, velocity;  // velocity 0 is set on the voice's source after its start
        double rate;         // of the free rate; 0: not checked
        double tolerance;    // relative
        float startSource;   // source 39 on the first frame; < 0: not checked
    } cases[] = {
        {"key tracking full: an octave up doubles the rate", {{MOVE_KEY_TRACK, 1.0f}}, 69, 127, 2.0, 0.02, -1.0f},
        {"key tracking full: an octave down halves it", {{MOVE_KEY_TRACK, 1.0f}}, 45, 127, 0.5, 0.02, -1.0f},
        {"key tracking neutral: every note alike", {{MOVE_KEY_TRACK, 0.5f}}, 81, 127, 1.0, 0.02, -1.0f},
        {"velocity tracking full: velocity 0 runs 4x", {{MOVE_VELOCITY_TRACK, 1.0f}}, 57, 0, 4.0, 0.02, -1.0f},
        {"velocity tracking off: velocity 0 runs 1/4x", {{MOVE_VELOCITY_TRACK, 0.0f}}, 57, 0, 0.25, 0.02, -1.0f},
        {"speed control: Offset at full amount runs 4x", {{49, -57.0f}, {48, 1.0f}}, 60, 100, 4.0, 0.01, -1.0f},
        {"speed control: Offset at amount 0 runs 1/4x", {{49, -57.0f}, {48, 0.0f}}, 60, 100, 0.25, 0.01, -1.0f},
        {"speed control without a source changes nothing", {{48, 1.0f}}, 60, 100, 1.0, 0.01, -1.0f},
        {"Movement Speed destination: a rate of 2", {{111, -57.0f}, {115, -81.0f}, {119, 0.625f}}, 60, 100, 2.0, 0.01,
         -1.0f},
        {"phase destination: a quarter cycle ahead", {{111, -57.0f}, {115, -82.0f}, {119, 0.625f}}, 60, 100, 0.0, 0.0,
         0.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        fastMovement(rig, true);
        rig.setStep(MOVE_WAVE, 2);
        // Negative values in the table name a step of a menu parameter.
        for (const auto& [tag, value] : c.settings) {
            if (value < 0.0f)
                rig.setStep(tag, static_cast<int>(-value));
            else
                rig.set(tag, value);
        }
        rig.noteOn(c.note, c.velocity == 0 ? 1 : c.velocity);  // velocity 0 would be a note-off
        rig.render(1);
        if (c.velocity == 0) TEngineTestAccess::mod(*rig).voiceModSrc(rig.voice())[17] = 0.0f;
        rig.render(1);
        const int v = rig.voice();
        if (c.startSource >= 0.0f) {
            EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModSrc(v)[39], c.startSource, 2e-3f);
        }
        if (c.rate > 0.0) {
            const double start = TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase;
            rig.render(1000);
            const double perFrame = (TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase - start) / 1000.0;
            EXPECT_NEAR(perFrame / (freeHz(0.75) / 48000.0), c.rate, c.tolerance * c.rate);
        }
    }

    // Humanize: each new cycle draws its own speed factor between 2^-2d and 2^2d.
    ModRig rig;
    fastMovement(rig, true);
    rig.setStep(111, 57);
    rig.setStep(115, 93);
    rig.set(119, 0.75f);  // d = 0.5: factors 0.5 .. 2
    rig.noteOn(60);
    rig.render(1);
    const int v = rig.voice();
    const double period = 48000.0 / freeHz(0.75);
    std::vector<double> cycles;
    double last = TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase;
    long since = 0;
    for (long frame = 0; frame < static_cast<long>(period * 40) && cycles.size() < 12; ++frame) {
        rig.render(1);
        ++since;
        const double phase = TEngineTestAccess::movement(*rig).voiceLFO[v][0].phase;
        if (phase < last) {
            cycles.push_back(static_cast<double>(since) / period);
            since = 0;
        }
        last = phase;
    }
    ASSERT_GE(cycles.size(), 8u);
    std::set<long> distinct;
    for (std::size_t i = 1; i < cycles.size(); ++i) {  // the first cycle runs at the note's own factor
        EXPECT_GE(cycles[i], 0.5 - 0.01);
        EXPECT_LE(cycles[i], 2.0 + 0.01);
        distinct.insert(std::lround(cycles[i] * 100.0));
    }
    EXPECT_GE(distinct.size(), 4u);
}

TEST(MovementLfo, PolyMpeControllersReachTheirChannelsVoices) {
    ModRig rig;
    rig.setStep(5, 1);  // Play Mode: Poly MPE
    rig.set(40, 1.0f);
    rig.render(32);
    rig.noteOn(60, 100, 2);
    rig.render(1);
    const int onTwo = rig.voice();
    rig.noteOn(64, 100, 5);
    rig.render(1);
    const int onFive = rig.voice();
    rig->setModSrc(30, 0.75f, 5);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceMidiModSrc(onFive)[30], 0.75f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceMidiModSrc(onTwo)[30], 0.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).channelModSrc[5][30], 0.75f);
    rig->setModSrc(30, 0.5f, 16);  // no such channel: ignored
    rig->setModSrc(30, 0.5f, -1);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceMidiModSrc(onFive)[30], 0.75f);
}

}  // namespace
