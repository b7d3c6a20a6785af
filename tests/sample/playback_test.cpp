#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/sample/SamplePlayback.h"

namespace {

constexpr float UNIT = 1.0f / 32768.0f;

// A mono 16-bit sample whose frame i holds i: a read gives back its position.
std::unique_ptr<TSampleData> ramp(int frames, float rate = 48000.0f) {
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[static_cast<std::size_t>(frames) * 2]);
    for (int i = 0; i < frames; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(i & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((i >> 8) & 0x7F);
    }
    return std::make_unique<TSampleData>(std::move(bytes), SAMPLE_WAV_S16_MONO, frames, rate);
}

// The read positions (the first sub-sample of each frame) while the voice sounds.
std::vector<double> playPositions(TSamplePlayback& play, const TSampleSlotFrame& slot, TSampleVoiceInput input,
                                  int framesToPlay, double start = 0.0) {
    play.startVoice(3, true, start, 1000.0f);
    std::vector<double> reads;
    for (int i = 0; i < framesToPlay && play.isSounding(3); ++i) {
        const stereoOverStruct out = play.renderVoice(3, slot, input);
        if (play.isSounding(3)) reads.push_back(out.lane[0] / UNIT);
    }
    return reads;
}

TSampleSlotFrame userSlot(const TSampleData* data, int mode, float loopStart, float loopEnd) {
    TUserSampleSettings settings;
    settings.usable = true;
    settings.loopMode = mode;
    settings.loopStart = loopStart;
    settings.loopEnd = loopEnd;
    return userSlotFrame(data, settings, data->getRate());
}

TEST(SamplePlayback, EachModeMovesWithItsPeriodAndDirection) {
    const auto data = ramp(1001);  // length (last frame) 1000
    struct Case {
        const char* what;
        int mode;
        float loopStart, loopEnd;
        double firstRead, secondRead;  // the first two frames' reads
        double low, high;              // every read lies here
        int period;                    // frames after which the reads repeat (0: none)
        int soundingFrames;            // frames the voice sounds (-1: keeps sounding)
    };
    // One frame is two sub-samples of one frame each: the reads step by 2.
    const Case cases[] = {
        {"one-shot plays forwards to its end", SAMPLE_ONE_SHOT, 0, 1, 0, 2, 0, 1000, 0, 499},
        {"loop wraps into its points", SAMPLE_LOOP, 0.25f, 0.75f, 0, 2, 0, 750, 250, -1},
        // Each turn keeps the position a frame: up 252..748 and down again, 2 x 248 + 2 frames.
        {"ping-pong turns at both points", SAMPLE_PING_PONG, 0.25f, 0.75f, 0, 2, 0, 750, 498, -1},
        // The reader holds a read at the last frame to the last pair: 999.
        {"reverse plays backwards from the end", SAMPLE_REVERSE, 0, 1, 999, 998, 0, 1000, 0, 499},
        {"reverse loop reads back from the loop end", SAMPLE_REVERSE_LOOP, 0.25f, 0.75f, 750, 748, 0, 750, 250, -1},
    };
    for (const Case& c : cases) {
        TSamplePlayback play;
        TSampleSlotFrame slot = userSlot(data.get(), c.mode == SAMPLE_REVERSE_LOOP ? SAMPLE_LOOP : c.mode, c.loopStart, c.loopEnd);
        slot.mode = c.mode;
        const std::vector<double> reads = playPositions(play, slot, TSampleVoiceInput{1.0}, 3000);
        ASSERT_GE(reads.size(), 2u) << c.what;
        EXPECT_NEAR(reads[0], c.firstRead, 1e-3) << c.what;
        EXPECT_NEAR(reads[1], c.secondRead, 1e-3) << c.what;
        for (double r : reads) {
            EXPECT_GE(r, c.low - 1e-3) << c.what;
            EXPECT_LE(r, c.high + 1e-3) << c.what;
        }
        const int expectedFrames = c.soundingFrames >= 0 ? c.soundingFrames : 3000;
        EXPECT_EQ(static_cast<int>(reads.size()), expectedFrames) << c.what;
        for (std::size_t i = 1000; c.period > 0 && i + c.period < reads.size(); i += 37) {
            EXPECT_NEAR(reads[i], reads[i + c.period], 1e-3) << c.what << " at " << i;
        }
        if (c.mode == SAMPLE_PING_PONG) {
            double lowest = 1e9, highest = 0;
            for (std::size_t i = 400; i < reads.size(); ++i) {
                lowest = std::min(lowest, reads[i]);
                highest = std::max(highest, reads[i]);
            }
            // A move that would reach a loop point turns instead: neither point is read.
            EXPECT_EQ(lowest, 252.0) << "the way down turns a move before the loop start";
            EXPECT_EQ(highest, 748.0) << "the way up turns a move before the loop end";
        }
    }
}

// One frame of ping-pong in the loop 2..10 from position p in direction dir:
// the second sub-sample's position q, the next frame's position and direction.
TEST(SamplePlayback, PingPongTurnsAsItsRuleSays) {
    struct Case {
        const char* what;
        double p, dir, step, loopStart, loopEnd;
        double q, next, nextDir;
    } cases[] = {
        {"no point reached", 5, 1, 0.75, 2, 10, 5.75, 6.5, 1},
        {"q reaches the end: one frame back from p, then down", 9.5, 1, 0.75, 2, 10, 8.5, 7.75, -1},
        {"next reaches the end: back to q", 8.8, 1, 0.75, 2, 10, 9.55, 8.8, -1},
        {"next lands on the end itself: that turns too", 9, 1, 0.5, 2, 10, 9.5, 9, -1},
        {"q reaches the start: one frame up from p", 2.5, -1, 0.75, 2, 10, 3.5, 4.25, 1},
        {"next reaches the start: back to q", 3.2, -1, 0.75, 2, 10, 2.45, 3.2, 1},
        {"next lands on the start itself", 3, -1, 0.5, 2, 10, 2.5, 3, 1},
        {"a start past the loop end walks down to it", 12, 1, 0.75, 2, 10, 11, 10.25, -1},
        {"both points in one frame, back inside the loop", 3, 1, 1.5, 2, 4, 2, 3.5, 1},
        // The turns alone would give q 2, next 11, then cycle through 19, 9,
        // 1, -7 and 3 again: most frames outside the loop.
        {"a step longer than the loop bounces within it", 3, 1, 9, 2, 4, 4, 3, -1},
        // Down to 0 and up again; the turns alone would end the frame at -2.
        {"a step over half the loop that ends outside folds", 3, -1, 6, 0, 10, 3, 9, 1},
        {"a step over half the loop that stays inside turns as usual", 5, 1, 6, 0, 10, 4, 10, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double dir = c.dir, q = 0, next = 0;
        pingPongFrame(c.p, dir, c.step, c.loopStart, c.loopEnd, q, next);
        EXPECT_NEAR(q, c.q, 1e-9);
        EXPECT_NEAR(next, c.next, 1e-9);
        EXPECT_EQ(dir, c.nextDir);
    }
}

// A start past the loop end (frame 900, the loop 250..300): the position
// goes back one loop per move (1 frame on, 50 back) and reads nothing until
// it is inside the loop; from there the loop plays. A step of a whole loop
// or more would never come back: it wraps by its remainder at once.
TEST(SamplePlayback, AStartPastTheLoopEndIsSilentUntilItWalksIn) {
    const auto data = ramp(1001);
    struct Case {
        const char* what;
        int mode;
        double ratio;      // the voice's pitch ratio: the step of a sub-sample
        int silentReads;   // sub-samples before the first read
        double firstRead;  // the value (the frame read) there
        double low, high;  // every later read lies here
    } cases[] = {
        {"loop: 900 walks down to 263", SAMPLE_LOOP, 1.0, 13, 263, 250, 300},
        {"reverse loop reads it back from the loop end", SAMPLE_REVERSE_LOOP, 1.0, 13, 37, 0, 50},
        {"a step just under the loop walks a frame a move", SAMPLE_LOOP, 49.0, 600, 299.993, 250, 300},
        {"a step longer than the loop: 960 is 260 in the loop", SAMPLE_LOOP, 60.0, 1, 260, 250, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSampleSlotFrame slot = userSlot(data.get(), SAMPLE_LOOP, 0.25f, 0.3f);
        slot.mode = c.mode;
        TSamplePlayback play;
        play.startVoice(3, true, 900.0, 100.0f);
        std::vector<float> reads;
        for (int i = 0; i < 400; ++i) {
            const stereoOverStruct out = play.renderVoice(3, slot, TSampleVoiceInput{c.ratio});
            reads.push_back(out.lane[0] / UNIT);
            reads.push_back(out.lane[2] / UNIT);
        }
        ASSERT_TRUE(play.isSounding(3));
        for (int i = 0; i < c.silentReads; ++i) EXPECT_EQ(reads[static_cast<std::size_t>(i)], 0.0f) << "read " << i;
        EXPECT_NEAR(reads[static_cast<std::size_t>(c.silentReads)], c.firstRead, 1e-3);
        for (std::size_t i = static_cast<std::size_t>(c.silentReads); i < reads.size(); ++i) {
            ASSERT_GE(reads[i], c.low - 1e-3) << "read " << i;
            ASSERT_LE(reads[i], c.high + 1e-3) << "read " << i;
        }
    }
}

TEST(SamplePlayback, OffsetsStartWithinTheSample) {
    const auto data = ramp(1001);
    const TSampleSlotFrame slot = userSlot(data.get(), SAMPLE_ONE_SHOT, 0, 1);
    struct Case { float offset; double firstRead; const char* why; };
    const Case cases[] = {
        {0.5f, 500, "half the length"},
        {-0.7f, 0, "a negative offset reads from the start, not before the sample"},
        {3.0f, 999, "past the end: one frame before the last"},
        {std::numeric_limits<float>::quiet_NaN(), 0, "NaN modulation"},
    };
    for (const Case& c : cases) {
        TSamplePlayback play;
        TSampleVoiceInput input{1.0};
        input.offset = c.offset;
        play.startVoice(0, true, 0.0, 100.0f);
        const stereoOverStruct out = play.renderVoice(0, slot, input);
        EXPECT_NEAR(out.lane[0] / UNIT, c.firstRead, 1e-3) << c.why;
    }
}

TEST(SamplePlayback, LoopsKeepSoundingAtExtremePitchAndEmptyLoopsPlayOnce) {
    const auto data = ramp(1001);
    for (int mode : {SAMPLE_LOOP, SAMPLE_PING_PONG, SAMPLE_REVERSE_LOOP}) {
        TSampleSlotFrame slot = userSlot(data.get(), SAMPLE_LOOP, 0.3f, 0.6f);
        slot.mode = mode;
        TSamplePlayback play;
        play.startVoice(1, true, 0.0, 100.0f);
        for (double ratio : {1e3, 7777.7, 1e9}) {
            TSampleVoiceInput input{ratio};
            for (int i = 0; i < 200; ++i) {
                const stereoOverStruct out = play.renderVoice(1, slot, input);
                ASSERT_TRUE(play.isSounding(1)) << "mode " << mode << " ratio " << ratio;
                ASSERT_GE(play.position(1), 300.0 - 1e-6) << "mode " << mode << " ratio " << ratio;
                ASSERT_LE(play.position(1), 600.0 + 1e-6) << "mode " << mode << " ratio " << ratio;
                for (float lane : out.lane) ASSERT_TRUE(std::isfinite(lane));
            }
        }
    }
    // Loop start and end on the same frame: there is no loop, the sample plays once.
    TSamplePlayback play;
    const TSampleSlotFrame empty = userSlot(data.get(), SAMPLE_LOOP, 0.5f, 0.5f);
    const std::vector<double> once = playPositions(play, empty, TSampleVoiceInput{1.0}, 3000);
    ASSERT_EQ(once.size(), 499u);
    EXPECT_NEAR(once.back(), 996.0, 1e-3) << "to the end of the sample, not to the empty loop's point";
}

TEST(SamplePlayback, GrainsStayFiniteForAnySetting) {
    const auto data = ramp(5000);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float lengths[] = {0.0f, 0.5f, 1.0f, nan, -3.0f};
    const float sizes[] = {1.0f, 480.0f, 24000.0f, 0.0f, inf, nan};
    const float spreads[] = {0.0f, 1.0f, nan};
    for (int mode : {SAMPLE_ONE_SHOT, SAMPLE_LOOP, SAMPLE_PING_PONG, SAMPLE_REVERSE, SAMPLE_REVERSE_LOOP}) {
        for (float length : lengths) {
            for (float size : sizes) {
                for (float spread : spreads) {
                    TSampleSlotFrame slot = userSlot(data.get(), SAMPLE_LOOP, 0.2f, 0.8f);
                    slot.mode = mode;
                    TSamplePlayback play;
                    play.startVoice(15, true, 0.0, size);
                    TSampleVoiceInput input{2.0, 0.3f, true, length, size, spread};
                    float loudest = 0;
                    for (int i = 0; i < 600; ++i) {
                        const stereoOverStruct out = play.renderVoice(15, slot, input);
                        for (float lane : out.lane) {
                            ASSERT_TRUE(std::isfinite(lane)) << mode << " " << length << " " << size << " " << spread;
                            loudest = std::max(loudest, std::fabs(lane));
                        }
                    }
                    // Weighted by their envelopes the grains stay within the sample's range.
                    EXPECT_LE(loudest, 5000 * UNIT * 1.5f + 1e-6f);
                }
            }
        }
    }
    // Grains read the sample: a held note in a loop is not silent.
    TSamplePlayback play;
    const TSampleSlotFrame slot = userSlot(data.get(), SAMPLE_LOOP, 0.2f, 0.8f);
    play.startVoice(2, true, 0.0, 480.0f);
    TSampleVoiceInput input{1.0, 0.0f, true, 0.5f, 480.0f, 0.2f};
    float energy = 0;
    for (int i = 0; i < 4800; ++i) energy += std::fabs(play.renderVoice(2, slot, input).lane[0]);
    EXPECT_GT(energy / 4800, 100 * UNIT);
}

TEST(SamplePlayback, UserSampleSettingsAndVolume) {
    const auto longer = ramp(1001, 24000.0f), tooShort = ramp(99);
    TUserSampleSettings settings;
    settings.usable = true;
    settings.loopMode = SAMPLE_ONE_SHOT;
    settings.loopStart = 0.2f;
    settings.loopEnd = 0.4f;
    settings.gain = sampleVolumeGain(0.75f);
    TSampleSlotFrame slot = userSlotFrame(longer.get(), settings, 48000.0);
    EXPECT_EQ(slot.length, 1000.0);
    EXPECT_EQ(slot.loopStart, 1000.0) << "one-shot: loop points are the end";
    EXPECT_EQ(slot.loopEnd, 1000.0);
    EXPECT_DOUBLE_EQ(slot.rateStep, 0.5) << "a 24 kHz file at a 48 kHz host";
    settings.loopMode = SAMPLE_PING_PONG;
    slot = userSlotFrame(longer.get(), settings, 48000.0);
    EXPECT_NEAR(slot.loopStart, 200.0, 1e-4);
    EXPECT_NEAR(slot.loopEnd, 400.0, 1e-4);
    float left, right;
    slot.read(100.0, left, right);
    EXPECT_NEAR(left, 100 * UNIT * 10.0f, 1e-4f) << "0.75 is +20 dB";
    EXPECT_EQ(userSlotFrame(tooShort.get(), settings, 48000.0).user, nullptr) << "under 100 frames: length 0";
    settings.usable = false;
    EXPECT_EQ(userSlotFrame(longer.get(), settings, 48000.0).user, nullptr);

    EXPECT_NEAR(sampleVolumeGain(0.5f), 1.0f, 1e-6f);
    EXPECT_NEAR(sampleVolumeGain(0.0f), 0.01f, 1e-7f);
    EXPECT_NEAR(sampleVolumeGain(1.0f), 100.0f, 1e-3f);
    EXPECT_NEAR(sampleVolumeGain(std::nanf("")), 1.0f, 1e-6f);
}

// A preview reads frames start .. length - 1 once each; a length of 0 (a user
// sample that is not usable, whose slot still holds the last file) reads none.
TEST(SamplePlayback, PreviewPlaysItsLengthOnce) {
    const auto data = ramp(300);
    struct Case {
        const char* what;
        bool withData;
        double length;
        double start;
        int framesRead;
    } cases[] = {
        {"the whole sample but its last frame", true, 299, 0, 299},
        {"from a start", true, 299, 200, 99},
        {"not usable: nothing, not the frames still held", true, 0, 5, 0},
        {"a start at the end", true, 299, 299, 0},
        {"no data", false, 299, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TSampleData* source = c.withData ? data.get() : nullptr;
        double pos = c.start;
        float left = -1.0f, right = -1.0f;
        int read = 0;
        for (bool more = true; more && read < 1000;) {
            const double at = pos;
            more = renderPreviewFrame(source, c.length, 2.0f, pos, left, right);
            if (pos == at) {
                EXPECT_EQ(left, 0.0f) << "nothing read is silence";
                continue;
            }
            EXPECT_NEAR(left, 2.0f * static_cast<float>(at) * UNIT, 1e-6f) << "at " << at;
            ++read;
        }
        EXPECT_EQ(read, c.framesRead);
        EXPECT_FALSE(renderPreviewFrame(source, c.length, 2.0f, pos, left, right));
        EXPECT_EQ(left, 0.0f) << "silent once ended";
    }
}

}  // namespace
