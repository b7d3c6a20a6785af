// TDelay on its own: lengths, echo timing and gain, feedback laws, the
// band-pass switch, the tape-like glide and the clock's long-run safety.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "fx_test_support.h"
#include "reference_units.h"

using namespace fxtest;

namespace {

// The left (or right) channel of frames of the input through the line.
std::vector<float> render(TDelay& line, const std::vector<stereoStruct>& in, int channel = 0) {
    std::vector<float> out;
    for (const stereoStruct& x : in) {
        stereoStruct y;
        line.process(x, y);
        out.push_back(channel == 0 ? y.left : y.right);
    }
    return out;
}

TEST(Delay, Lengths) {
    struct Case {
        const char* why;
        bool timeSync;
        float length;  // setDelayLen, or setDelayLenDirect when direct
        bool direct;
        float tempo, rate;
        float expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"0.5 free is 2^6 ms plus a sample", false, 0.5f, false, 120, 44100, 64 * 44.1f + 1},
        {"0 free is 1 ms plus a sample", false, 0.0f, false, 120, 48000, 49},
        {"1 free at 192 kHz passes the longest length", false, 1.0f, false, 120, 192000, 262143},
        {"0.5 synced is an eighth of a bar at 120 BPM", true, 0.5f, false, 120, 44100, 11026},
        {"1 synced is a dotted half at 90 BPM", true, 1.0f, false, 90, 48000, 0.75f * 48000 * 240 / 90 + 1},
        {"direct 2 is held at 5", false, 2.0f, true, 120, 44100, 5},
        {"direct 1e6 is held at 262,143", false, 1e6f, true, 120, 44100, 262143},
        {"direct NaN is held at 5", false, nan, true, 120, 44100, 5},
    };
    for (const Case& c : cases) {
        TDelay line;
        line.init(c.rate);
        line.setTempo(c.tempo);
        line.setTimeSync(c.timeSync ? 1.0f : 0.0f);
        if (c.direct)
            line.setDelayLenDirect(stereoStruct{c.length, c.length});
        else
            line.setDelayLen(stereoStruct{c.length, c.length}, stereoStruct{}, 1.0f);
        EXPECT_NEAR(line.getDelayLen(0), c.expected, c.expected * 1e-6f) << c.why;
    }
}

// An impulse comes back at the length in frames, each repeat times the
// feedback; a fractional length splits the repeat between two frames.
TEST(Delay, EchoFrameAndGain) {
    TDelay line;
    line.init(44100);
    line.setDelayLenDirect(stereoStruct{1000, 1000});
    line.setFeed(0.5f);
    const std::vector<float> y = render(line, impulse(3500));
    for (size_t i = 0; i < y.size(); ++i) {
        const float expected = i == 1000 ? 1.0f : (i == 2000 ? 0.5f : (i == 3000 ? 0.25f : 0.0f));
        ASSERT_NEAR(y[i], expected, 1e-6f) << "frame " << i;
    }

    TDelay fractional;
    fractional.init(44100);
    fractional.setDelayLenDirect(stereoStruct{1000.25f, 1000.25f});
    const std::vector<float> z = render(fractional, impulse(1100));
    EXPECT_NEAR(z[1000], 0.75f, 1e-4f);
    EXPECT_NEAR(z[1001], 0.25f, 1e-4f);
    EXPECT_NEAR(z[999] + z[1002], 0.0f, 1e-6f);
}

TEST(Delay, FeedbackLaws) {
    struct Case {
        const char* why;
        bool equal;
        float lengthLeft, lengthRight, direct, cross;
        float left, right, crossExpected;
    };
    const Case cases[] = {
        {"equal decay lowers the shorter side's feedback", true, 1000, 2000, 0.5f, 0, 0.70730f, 0.5f, 0},
        {"the shorter side may be the right one", true, 3000, 1500, -0.5f, 0, -0.5f, -0.70726f, 0},
        {"equal lengths stay nearly equal", true, 1000, 1000, 0.5f, 0, 0.50045f, 0.5f, 0},
        {"without equal decay both sides keep it", false, 1000, 2000, 0.5f, 0, 0.5f, 0.5f, 0},
        {"cross feedback turns the rule off and normalises", true, 1000, 2000, 0.9f, 0.9f, 0.49997f, 0.49997f,
         0.49997f},
        {"feedback is held below 1", false, 1000, 1000, 5.0f, 0, 0.999f, 0.999f, 0},
    };
    for (const Case& c : cases) {
        TDelay line;
        line.init(44100);
        line.setEqual(c.equal ? 1.0f : 0.0f);
        line.setDelayLenDirect(stereoStruct{c.lengthLeft, c.lengthRight});
        line.setFeed(c.direct, c.cross);
        EXPECT_NEAR(line.getFeedDirect(0), c.left, 1e-4f) << c.why;
        EXPECT_NEAR(line.getFeedDirect(1), c.right, 1e-4f) << c.why;
        EXPECT_NEAR(line.getFeedCross(0), c.crossExpected, 1e-4f) << c.why;
    }
}

// With equal decay both echo trains lose the same level over the same time.
TEST(Delay, EqualFeedbackDecaysAlike) {
    TDelay line;
    line.init(44100);
    line.setEqual(1.0f);
    line.setDelayLenDirect(stereoStruct{1000, 2000});
    line.setFeed(0.5f, 0.0f);
    std::vector<stereoStruct> out;
    for (const stereoStruct& x : impulse(16001)) {
        stereoStruct y;
        line.process(x, y);
        out.push_back(y);
    }
    // Echoes at 4,000 and 16,000 frames on both sides: 12,000 frames apart.
    const double leftDrop = 20 * std::log10(out[16000].left / out[4000].left);
    const double rightDrop = 20 * std::log10(out[16000].right / out[4000].right);
    EXPECT_NEAR(leftDrop, -36.1, 0.05);
    EXPECT_NEAR(leftDrop, rightDrop, 0.05);
}

TEST(Delay, FeedFilterSwitch) {
    TDelay line;
    line.init(44100);
    EXPECT_FALSE(line.setFeedFilter(1.0f, 0.0f));
    EXPECT_FALSE(line.isFeedFilterOn());
    EXPECT_TRUE(line.setFeedFilter(0.5f, 0.2f));
    // The band-pass takes the level of a constant input away: no DC repeats.
    line.setDelayLenDirect(stereoStruct{100, 100});
    const std::vector<float> y = render(line, constant(20000, 0.5f, 0.5f));
    EXPECT_LT(std::fabs(y.back()), 1e-3f);
}

// Frame by frame against the plain line: echoes, feedback laws, the
// band-pass, lengths that change while the line fills and while it plays.
// The first repeat after the line is emptied matters most: while the clock
// makes its first 100 units, the input goes into the line twice a frame
// (once alone), and with the band-pass on that changes the repeat.
TEST(Delay, MatchesThePlainLineFrameByFrame) {
    struct Case {
        const char* why;
        float left, right;           // lengths in samples
        float direct, cross;         // setFeed(direct, cross); cross NaN: setFeed(direct)
        bool equal;
        float low, high;             // setFeedFilter
        int changeAt;                // frame of a new length (0: none)
        float newLeft, newRight;
    };
    const float single = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"the delay's default band-pass", 1000, 1500.5f, 0.4f, 0.3f, false, 0.935f, 0.185f, 0, 0, 0},
        {"a narrow band-pass, equal decay", 777, 2000, -0.7f, 0, true, 0.6f, 0.4f, 0, 0, 0},
        {"no band-pass, normalised feedback", 640.25f, 333, 0.9f, 0.9f, false, 1, 0, 0, 0, 0},
        {"single feedback, as the pre-delay and flanger set it", 300, 5, 0.95f, single, false, 1, 0, 0, 0, 0},
        {"a length that grows while the line fills", 500, 400, 0.5f, 0, false, 0.8f, 0.3f, 200, 2000, 1700},
        {"a length that shrinks while the line plays", 3000, 2500, 0.6f, -0.2f, false, 0.9f, 0.1f, 4000, 1200, 90},
    };
    for (const Case& c : cases) {
        TDelay line;
        line.init(44100);
        ReferenceDelay reference(44100);
        line.setEqual(c.equal ? 1.0f : 0.0f);
        reference.equal = c.equal;
        line.setFeedFilter(c.low, c.high);
        reference.setFeedFilter(c.low, c.high);
        TRandSeed noise;
        float largest = 0;
        for (int frame = 0; frame < 12000; ++frame) {
            const bool changed = c.changeAt != 0 && frame >= c.changeAt;
            const float left = changed ? c.newLeft : c.left, right = changed ? c.newRight : c.right;
            // Lengths and feedback are set every frame, as the chain sets them.
            line.setDelayLenDirect(stereoStruct{left, right});
            reference.setDelayLenDirect(left, right);
            if (c.cross == c.cross) {
                line.setFeed(c.direct, c.cross);
                reference.setFeed(c.direct, c.cross);
            } else {
                line.setFeed(c.direct);
                reference.setFeed(c.direct);
            }
            // Clicks, then quiet noise.
            const stereoStruct x = frame % 2500 == 0 ? stereoStruct{1.0f, -0.8f}
                                                     : stereoStruct{0.05f * noise.bipolar(), 0.05f * noise.bipolar()};
            stereoStruct y;
            line.process(x, y);
            float expectedLeft, expectedRight;
            reference.process(x.left, x.right, expectedLeft, expectedRight);
            ASSERT_NEAR(y.left, expectedLeft, 2e-5f) << c.why << ", frame " << frame;
            ASSERT_NEAR(y.right, expectedRight, 2e-5f) << c.why << ", frame " << frame;
            largest = std::max(largest, std::fabs(expectedLeft));
        }
        EXPECT_GT(largest, 0.05f) << c.why << ": the echoes are heard";
    }
}

// Until a length is set the clock stands: the line stays silent and takes
// no entries, however long it runs.
TEST(Delay, StoppedClockAppendsNothing) {
    TDelay line;
    line.init(48000);
    const int before = line.getEntryCount(0);
    const std::vector<float> y = render(line, constant(100000, 0.5f, 0.5f));
    EXPECT_EQ(line.getEntryCount(0), before);
    for (float v : y) ASSERT_EQ(v, 0.0f);
}

// Doubling the length with a tone in the line reads it out an octave lower;
// shrinking it from the longest to the shortest catches up at once.
TEST(Delay, LengthChangesGlide) {
    const double rate = 48000;
    TDelay line;
    line.init(48000);
    line.setDelayLenDirect(stereoStruct{4800, 4800});
    render(line, sine(4800, 1000, rate));
    line.setDelayLenDirect(stereoStruct{9600, 9600});
    const std::vector<float> y = render(line, constant(9600, 0, 0));
    EXPECT_NEAR(crossingFrequency(y, 0, 9000, rate), 500.0, 2.0);

    TDelay longest;
    longest.init(48000);
    longest.setDelayLenDirect(stereoStruct{262143, 262143});
    render(longest, sine(262143, 440, rate));
    EXPECT_GT(longest.getEntryCount(0), 262143);
    longest.setDelayLenDirect(stereoStruct{5, 5});
    const std::vector<float> z = render(longest, sine(10, 440, rate));
    EXPECT_LT(longest.getEntryCount(0), 20);
    for (float v : z) ASSERT_TRUE(std::isfinite(v));
}

// The clocks are moved back as they grow; an echo across that point keeps
// its frame and gain.
TEST(Delay, EchoAcrossTheClockRebase) {
    TDelay line;
    line.init(44100);
    line.setDelayLenDirect(stereoStruct{777, 777});
    line.setFeed(0.5f);
    render(line, constant(1000, 0, 0));
    // 100 / 777 clock units a frame: the rebase falls some 390 frames into the echo.
    line.advanceClocksForTest(1048576.0 - 1000.0 * 100.0 / 777.0 - 50.0);
    const std::vector<float> y = render(line, impulse(1600));
    EXPECT_NEAR(y[777], 1.0f, 1e-5f);
    EXPECT_NEAR(y[1554], 0.5f, 1e-5f);
    EXPECT_NEAR(y[776] + y[778] + y[1553] + y[1555], 0.0f, 1e-5f);
}

}  // namespace
