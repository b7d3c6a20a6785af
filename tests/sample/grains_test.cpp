// Grain playback held against its rules written out plainly: each grain's
// weight from its phase, the weighted reads summed x 1.5 and divided by the
// weights, grains moving by the doubled rate step in their loop mode, and a
// grain whose phase passes 1 restarting near the voice's position.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/sample/SamplePlayback.h"

namespace {

constexpr float UNIT = 1.0f / 32768.0f;

// Mono 16-bit frames: frame i holds value(i).
template <typename Value>
std::unique_ptr<TSampleData> sampleOf(int frames, Value value) {
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[static_cast<std::size_t>(frames) * 2]);
    for (int i = 0; i < frames; ++i) {
        const auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(value(i)));
        bytes[2 * i] = static_cast<std::uint8_t>(x & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(x >> 8);
    }
    return std::make_unique<TSampleData>(std::move(bytes), SAMPLE_WAV_S16_MONO, frames, 48000.0f);
}

TSampleSlotFrame slotOf(const TSampleData* data, int mode, float loopStart, float loopEnd) {
    TUserSampleSettings settings;
    settings.usable = true;
    settings.loopMode = mode == SAMPLE_REVERSE_LOOP ? SAMPLE_LOOP : mode;
    settings.loopStart = loopStart;
    settings.loopEnd = loopEnd;
    TSampleSlotFrame slot = userSlotFrame(data, settings, 48000.0);
    slot.mode = mode;
    return slot;
}

// One voice's grains, frame by frame, as the rules give them.
struct GrainRules {
    double voicePos = 0, voiceDir = 1;
    bool on = true;
    double phase[4] = {0.5, 0.75, 1.0, 0.25};
    double inc[4], dir[4] = {1, 1, 1, 1};
    double pos[4] = {0, -1e8, -1e8, -1e8};
    bool fullWeight[4] = {true, true, true, true};
    TRandSeed seed;
    // Grains that have ended (or not yet started) stay where they are; set,
    // they move on like the others and may climb back into the sample.
    bool movesEndedGrains = false;

    explicit GrainRules(double size) { std::fill(std::begin(inc), std::end(inc), 1.0 / size); }

    void frame(const TSampleSlotFrame& s, const TSampleVoiceInput& in, float& left, float& right) {
        const int m = s.mode;
        const bool looping = m == SAMPLE_LOOP || m == SAMPLE_PING_PONG || m == SAMPLE_REVERSE_LOOP;
        const double L = s.length, ls = s.loopStart, le = s.loopEnd;
        const double d = s.rateStep * in.pitchRatio;
        // 1. The voice's own position.
        const double grainStep = std::pow(2.0, 4.0 - 8.0 * in.grainLength);
        if (m == SAMPLE_PING_PONG) {
            const double moved = voicePos + voiceDir * grainStep;
            if ((voiceDir < 0 && moved <= ls) || (voiceDir > 0 && moved >= le))
                voiceDir = -voiceDir;
            else
                voicePos = moved;
        } else {
            voicePos += grainStep;
            if (looping && voicePos >= le) voicePos = voicePos - le + ls;
        }
        if (!looping && voicePos >= L) on = false;
        left = right = 0;
        if (!on) return;
        // 2. The grains.
        const double offset = std::min(static_cast<double>(in.offset) * L, L - 1);
        double sumLeft = 0, sumRight = 0, weights = 0.0001;
        for (int k = 0; k < 4; ++k) {
            double weight = fullWeight[k] && phase[k] < 0.5 ? 1.0 : 1.0 - std::fabs(2.0 * phase[k] - 1.0);
            const double at = pos[k] >= L ? -1.0 : pos[k];
            double readLeft = 0, readRight = 0;
            if (at >= 0) {
                double p = offset + at;
                if (p < L) {
                    if (m == SAMPLE_REVERSE_LOOP) p = le - (L - p);
                    float l, r;
                    s.read(p, l, r);
                    readLeft = weight * 1.5 * l;
                    readRight = weight * 1.5 * r;
                }
            } else if (at <= -100) {
                weight = 0;
            }
            phase[k] += inc[k];
            if (pos[k] > -100 || movesEndedGrains) {
                double moved = pos[k] + 2.0 * d * dir[k];
                if (!looping && moved >= L) {
                    moved = -100000;
                    readLeft = readRight = 0;  // a grain that runs out falls silent itself
                } else if ((m == SAMPLE_LOOP || m == SAMPLE_REVERSE_LOOP) && moved > le) {
                    moved = moved - le + ls;
                } else if (m == SAMPLE_PING_PONG && ((dir[k] < 0 && moved <= ls) || (dir[k] > 0 && moved >= le))) {
                    dir[k] = -dir[k];
                    moved = pos[k];
                }
                pos[k] = moved;
            }
            sumLeft += readLeft;
            sumRight += readRight;
            if (phase[k] > 1) {
                phase[k] -= 1;
                inc[k] = 1.0 / in.grainSize;
                fullWeight[k] = false;
                const double r = (seed.step() & 0x7FFF) / 32767.0;
                double restart = std::min(voicePos, le) + (2 * r - 1) * in.grainSize * 0.1 * in.grainRandom;
                restart = std::clamp(restart, 0.0, L - 1);
                if (m != SAMPLE_LOOP) restart = std::min(restart, le);
                pos[k] = restart;
            }
            weights += weight;
        }
        left = static_cast<float>(sumLeft / weights);
        right = static_cast<float>(sumRight / weights);
    }
};

TEST(Grains, WeightSumAndRestartAsTheirRulesSay) {
    const auto rising = sampleOf(4001, [](int i) { return i; });
    struct Case {
        const char* what;
        int mode;
        float loopStart, loopEnd;
        double pitchRatio;
        float offset, grainLength, grainSize, grainRandom;
        int frames;
        bool endedGrainsWouldReturn = false;  // the case shows why ended grains stay put
    } cases[] = {
        {"one-shot, grains overlapping by their phases", SAMPLE_ONE_SHOT, 0, 1, 0.37, 0.0f, 0.5f, 60, 0.0f, 5000},
        {"one-shot running out: each grain ends by itself", SAMPLE_ONE_SHOT, 0, 1, 1.3, 0.0f, 0.45f, 200, 0.3f, 3500},
        {"loop, restarts scattered", SAMPLE_LOOP, 0.3f, 0.6f, 0.9, 0.0f, 0.45f, 90, 1.0f, 8000},
        {"ping-pong: grains turn in place", SAMPLE_PING_PONG, 0.4f, 0.45f, 2.2, 0.0f, 0.4f, 150, 0.5f, 8000},
        {"reverse, restarts held to the end", SAMPLE_REVERSE, 0, 1, 0.6, 0.1f, 0.3f, 40, 1.0f, 6000},
        {"reverse loop reads below its loop end", SAMPLE_REVERSE_LOOP, 0.2f, 0.7f, 0.8, 0.0f, 0.5f, 75, 0.2f, 8000},
        // 500 frames a move: a grain runs through the sample in 8 frames and
        // waits some 2000 for its restart. Moved on from where it ended, it
        // would be back at the sample's start after 200 frames and again
        // every 200 more: a sound that has run out starting over.
        {"one-shot, long grains at a high pitch: an ended grain stays silent", SAMPLE_ONE_SHOT, 0, 1, 250, 0.0f, 1.0f,
         2000, 0.0f, 5000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TSampleSlotFrame slot = slotOf(rising.get(), c.mode, c.loopStart, c.loopEnd);
        TSamplePlayback play;
        play.startVoice(5, true, 0.0, c.grainSize);
        GrainRules rules(c.grainSize), movingEnded(c.grainSize);
        rules.seed = movingEnded.seed = play.grainSeed;
        movingEnded.movesEndedGrains = true;
        int startsOver = 0;  // frames only ended grains that moved on would sound
        const TSampleVoiceInput input{c.pitchRatio, c.offset, true, c.grainLength, c.grainSize, c.grainRandom};
        int restarts = 0, silentFrames = 0;
        for (int i = 0; i < c.frames; ++i) {
            float left, right;
            rules.frame(slot, input, left, right);
            float movedLeft, movedRight;
            movingEnded.frame(slot, input, movedLeft, movedRight);
            const stereoOverStruct out = play.renderVoice(5, slot, input);
            if (out.lane[0] == 0.0f && movedLeft != 0.0f) ++startsOver;
            ASSERT_NEAR(out.lane[0], left, 2e-6f) << "frame " << i;
            ASSERT_NEAR(out.lane[1], right, 2e-6f) << "frame " << i;
            ASSERT_EQ(out.lane[2], out.lane[0]) << "both sub-samples carry the frame's sum";
            ASSERT_EQ(play.isSounding(5), rules.on) << "frame " << i;
            for (int k = 0; k < GRAINS_PER_VOICE; ++k) {
                if (rules.pos[k] > -100) {
                    ASSERT_NEAR(play.grainPos[5][k], rules.pos[k], 1e-6) << "grain " << k << " frame " << i;
                }
                ASSERT_NEAR(play.grainPhase[5][k], rules.phase[k], 1e-9) << "grain " << k << " frame " << i;
                ASSERT_EQ(play.grainDir[5][k], rules.dir[k]) << "grain " << k << " frame " << i;
                if (rules.phase[k] < rules.inc[k]) ++restarts;
            }
            if (left == 0.0f) ++silentFrames;
        }
        EXPECT_GT(restarts, 4) << "the case restarts grains";
        if (c.endedGrainsWouldReturn) {
            EXPECT_GT(startsOver, 100) << "the case would start over";
        }
        EXPECT_LT(silentFrames, c.frames) << "the case sounds";
    }
}

}  // namespace
