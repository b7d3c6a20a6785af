// The amplitude envelope and the fade-in: attack and release times against
// their formulas, fast release, and the end of a voice.
#include <gtest/gtest.h>

#include <cmath>

#include "mod_support.h"

namespace {

// A held note whose Movement loops, so only the envelope decides its life.
int holdNote(ModRig& rig) {
    rig.set(40, 1.0f);
    rig.noteOn(60);
    rig.render(1);
    return rig.voice();
}

TEST(ModEnvelope, AttackTimeFollowsMovementAttack) {
    struct Case {
        const char* why;
        float movementAttack;  // destination 94 through an Offset route
        double attackMs;
    } cases[] = {
        {"no modulation: 2^5.59 / 10 ms", 0.0f, std::exp2(0.37 * 7 + 3) / 10.0},
        {"destination 94 at +1: the longest attack, 102.4 ms", 1.0f, 102.4},
        {"destination 94 at -0.37: the shortest, 0.8 ms", -0.37f, 0.8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        if (c.movementAttack != 0.0f) {
            rig.setStep(111, 57);  // Offset
            rig.setStep(115, 94);  // Movement Attack
            rig.set(119, (c.movementAttack + 1.0f) * 0.5f);
        }
        const int v = holdNote(rig);
        const long frames = rig.renderUntil(200000, [&] { return TEngineTestAccess::voices(*rig).envStage[v] == 2; });
        // The level rises once per 16-frame control step. The note's first
        // step runs before its routes have acted, at the unmodulated rate.
        const double firstStep = 16.0 / (rig.sampleRate() * (std::exp2(0.37 * 7 + 3) / 10.0) / 1000.0);
        const double laterStep = 16.0 / (c.attackMs * rig.sampleRate() / 1000.0);
        int steps = 1;
        for (double level = firstStep; level <= 1.0; level += laterStep) ++steps;
        EXPECT_NEAR(static_cast<double>(frames), 16.0 * (steps - 1), 1.0);
        // Unmodulated, against the attack time itself: within one control step.
        if (c.movementAttack == 0.0f) {
            EXPECT_NEAR(static_cast<double>(frames), c.attackMs * rig.sampleRate() / 1000.0, 17.0);
        }
        // The ramp the mix reads reaches full level one control step later.
        rig.render(16);
        EXPECT_NEAR(TEngineTestAccess::voices(*rig).envRamp[v], 1.0, 1e-9);
    }
}

TEST(ModEnvelope, ReleaseTimeFollowsRelease) {
    struct Case {
        const char* why;
        float release;
        double releaseMs;
    } cases[] = {
        {"release 0: 0.5 ms", 0.0f, 0.5},
        {"release 0.5: 2^6 ms", 0.5f, 64.0},
        {"the default release", 0.6505f, std::exp2(0.6505 * 14 - 1)},
        {"release 1: 8192 ms", 1.0f, 8192.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig(44100.0f);
        rig.set(tag::RELEASE, c.release);
        const int v = holdNote(rig);
        rig.render(2000);
        ASSERT_NEAR(TEngineTestAccess::voices(*rig).envLevel[v], 1.0, 1e-9);
        rig->setVoiceOff(v);
        const long limit = static_cast<long>(c.releaseMs * 44.1 * 1.1) + 200;
        const long frames = rig.renderUntil(limit, [&] { return !TEngineTestAccess::voices(*rig).voiceOn[v]; });
        const double expected = c.releaseMs * 44.1;
        // The level falls to silence in the release time, moved to the control
        // grid; the voice ends at the step after it fell below 0.0001.
        EXPECT_NEAR(static_cast<double>(frames), expected, 3 * 16 + expected * 1e-4);
    }
}

TEST(ModEnvelope, ReleaseFallsLinearlyAndTheRampFollowsPerFrame) {
    ModRig rig(48000.0f);
    rig.set(tag::RELEASE, 0.5f);  // 64 ms: 3072 frames from full level
    const int v = holdNote(rig);
    rig.render(1000);
    rig->setVoiceOff(v);
    rig.render(1536);
    EXPECT_NEAR(TEngineTestAccess::voices(*rig).envLevel[v], 0.5, 16.0 / 3072.0 + 1e-6);
    const double before = TEngineTestAccess::voices(*rig).envRamp[v];
    rig.render(1);
    EXPECT_NEAR(before - TEngineTestAccess::voices(*rig).envRamp[v], 16.0 / 3072.0 / 16.0, 1e-7);
}

TEST(ModEnvelope, FastReleaseEndsWithinFiveSteps) {
    ModRig rig;
    rig.set(tag::RELEASE, 1.0f);
    const int v = holdNote(rig);
    rig.render(1000);
    rig->setVoiceOff(v);
    TEngineTestAccess::voices(*rig).voiceFastRelease[v] = true;
    const long frames = rig.renderUntil(1000, [&] { return !TEngineTestAccess::voices(*rig).voiceOn[v]; });
    EXPECT_LE(frames, 6 * 16 + 1);
    EXPECT_GE(frames, 4 * 16);
}

TEST(ModEnvelope, ASilentVoiceEndsAtTheNextStep) {
    ModRig rig;
    const int v = holdNote(rig);
    rig.render(500);
    TEngineTestAccess::voices(*rig).envLevel[v] = TEngineTestAccess::voices(*rig).envValue[v] = 0.00005;
    TEngineTestAccess::voices(*rig).envRamp[v] = 0.00005;
    rig->setVoiceOff(v);
    const long frames = rig.renderUntil(64, [&] { return !TEngineTestAccess::voices(*rig).voiceOn[v]; });
    EXPECT_LE(frames, 16);
    EXPECT_FALSE(TEngineTestAccess::voices(*rig).voiceRelease[v]);
    EXPECT_FALSE(TEngineTestAccess::voices(*rig).voiceFastRelease[v]);
}

TEST(ModEnvelope, FadeInFollowsAttack) {
    struct Case {
        const char* why;
        float attack;
        double fadeMs;
    } cases[] = {
        {"attack 0.5: 2^6 ms", 0.5f, 64.0},
        {"attack 0.25: 2^2.5 ms", 0.25f, std::exp2(2.5)},
        {"attack 1: 8192 ms", 1.0f, 8192.0},
        {"attack 0: no fade, full gain at once", 0.0f, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        rig.set(tag::ATTACK, c.attack);
        const int v = holdNote(rig);
        if (c.fadeMs == 0.0) {
            rig.render(100);
            EXPECT_DOUBLE_EQ(TEngineTestAccess::voices(*rig).fadeGain[v], 1.0);
            continue;
        }
        EXPECT_NEAR(TEngineTestAccess::voices(*rig).fadeStep[v], 1.0 / (c.fadeMs * 48.0), 1e-9);
        if (c.fadeMs < 100.0) {
            const double expected = c.fadeMs * 48.0;
            const long frames = rig.renderUntil(static_cast<long>(expected) + 100,
                                                [&] { return TEngineTestAccess::voices(*rig).fadeGain[v] >= 1.0; });
            EXPECT_NEAR(static_cast<double>(frames), expected, 3.0);
        }
    }
}

}  // namespace
