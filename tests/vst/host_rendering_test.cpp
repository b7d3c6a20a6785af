// Rendering through the test host: events reach the plug-in in the block that
// holds their frame, parameter changes split blocks, and the time info follows
// the rendered audio. The echo plug-in reports what it received and plays the
// frame number (left) and a velocity marker at each note-on (right).
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "vst/echo_host.h"

using testhost::Host;
using testhost::HostConfig;
using testhost::Stereo;

namespace {

Stereo renderInChunks(testhost::Plugin& plugin, const std::vector<long>& chunks) {
    Stereo all;
    for (long frames : chunks) {
        const Stereo part = plugin.render(frames);
        EXPECT_EQ(part.frames(), frames);
        all.left.insert(all.left.end(), part.left.begin(), part.left.end());
        all.right.insert(all.right.end(), part.right.begin(), part.right.end());
    }
    return all;
}

}  // namespace

TEST(HostEvents, ArriveInTheBlockThatHoldsTheirFrame) {
    struct Case {
        const char* why;
        int blockSize;
        std::vector<long> renderChunks;
        std::vector<long> frames;  // one note-on each, queued in this order
    };
    const std::vector<Case> cases = {
        {"on and around block edges", 512, {2048}, {0, 1, 511, 512, 513, 1023, 1024, 2047}},
        {"one-frame blocks", 1, {40}, {0, 1, 17, 39}},
        {"renders that end inside a block", 17, {10, 30, 60}, {5, 9, 10, 16, 17, 33, 34, 99}},
        {"a large block and a short last block", 4096, {5000}, {4095, 4096, 4999}},
        {"queued out of order", 64, {300}, {200, 3, 64, 130, 63}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        HostConfig config;
        config.blockSize = c.blockSize;
        Host host(config);
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        for (std::size_t i = 0; i < c.frames.size(); ++i)
            plugin->noteOn(c.frames[i], 40 + static_cast<int>(i), 10 + static_cast<int>(i) * 10);

        const Stereo audio = renderInChunks(*plugin, c.renderChunks);
        long total = 0;
        for (long frames : c.renderChunks) total += frames;
        ASSERT_EQ(audio.frames(), total);
        EXPECT_EQ(plugin->framesRendered(), total);
        // Consecutive renders continue the same stream: no frame lost or repeated.
        for (long frame = 0; frame < total; ++frame)
            ASSERT_EQ(audio.left[static_cast<std::size_t>(frame)], static_cast<float>(frame)) << frame;

        // The marker of each note-on sits at exactly its frame, nowhere else.
        std::vector<float> expectedMarker(static_cast<std::size_t>(total), 0.0f);
        for (std::size_t i = 0; i < c.frames.size(); ++i)
            expectedMarker[static_cast<std::size_t>(c.frames[i])] = (10 + static_cast<float>(i) * 10) / 127.0f;
        for (long frame = 0; frame < total; ++frame)
            ASSERT_FLOAT_EQ(audio.right[static_cast<std::size_t>(frame)], expectedMarker[static_cast<std::size_t>(frame)])
                << "frame " << frame;

        const std::vector<echo::ReceivedEvent> events = echotest::receivedEvents(*plugin);
        ASSERT_EQ(events.size(), c.frames.size());
        std::vector<echo::SeenTime> blocks = echotest::seenTimes(*plugin);
        for (std::size_t i = 0; i < events.size(); ++i) {
            const echo::ReceivedEvent& e = events[i];
            EXPECT_EQ(e.type, vst::kVstMidiType);
            EXPECT_EQ(e.byteSize, static_cast<vst::int32>(sizeof(vst::VstMidiEvent)));
            const long note = e.bytes[1] - 40;
            ASSERT_GE(note, 0);
            ASSERT_LT(static_cast<std::size_t>(note), c.frames.size());
            EXPECT_EQ(e.blockStart + e.deltaFrames, c.frames[static_cast<std::size_t>(note)]);
            // The block the event came with is one the plug-in then processed.
            bool inABlock = false;
            for (const echo::SeenTime& block : blocks)
                inABlock = inABlock || (block.blockStart == e.blockStart && e.deltaFrames >= 0 &&
                                        e.deltaFrames < block.blockFrames);
            EXPECT_TRUE(inABlock) << "event " << i;
            // Within one list the events are sorted by deltaFrames.
            if (i > 0 && events[i - 1].blockStart == e.blockStart) {
                EXPECT_LE(events[i - 1].deltaFrames, e.deltaFrames);
            }
        }
        // Blocks never exceed the configured size.
        for (const echo::SeenTime& block : blocks) EXPECT_LE(block.blockFrames, c.blockSize);
    }
}

TEST(HostEvents, SameFrameKeepsQueueOrderAndLateEventsGoOutFirst) {
    HostConfig config;
    config.blockSize = 512;
    Host host(config);
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr);
    plugin->noteOn(100, 60, 90);
    plugin->controller(100, 1, 5);
    plugin->noteOff(100, 60);
    plugin->render(512);
    // Queued for a frame already rendered: goes out with the next block at once.
    plugin->noteOn(10, 61, 100);
    plugin->rawMidi(600, 0x90, 62, 1, 12345);  // a broken delta is passed through as given
    plugin->render(512);

    const std::vector<echo::ReceivedEvent> events = echotest::receivedEvents(*plugin);
    ASSERT_EQ(events.size(), 5u);
    const unsigned char expectedStatus[] = {0x90, 0xb0, 0x80, 0x90, 0x90};
    const long expectedBlock[] = {0, 0, 0, 512, 512};
    const int expectedDelta[] = {100, 100, 100, 0, 12345};
    const int expectedPosition[] = {0, 1, 2, 0, 1};
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].bytes[0], expectedStatus[i]);
        EXPECT_EQ(events[i].blockStart, expectedBlock[i]);
        EXPECT_EQ(events[i].deltaFrames, expectedDelta[i]);
        EXPECT_EQ(events[i].position, expectedPosition[i]);
    }
    ASSERT_EQ(plugin->delivered().size(), 5u);
    EXPECT_EQ(plugin->delivered()[3].frame, 512);
}

TEST(HostEvents, MessagesCarryTheRightBytes) {
    struct Case {
        const char* why;
        void (*queue)(testhost::Plugin&);
        unsigned char bytes[3];
    };
    const std::vector<Case> cases = {
        {"note on, channel 1", [](testhost::Plugin& p) { p.noteOn(0, 60, 100); }, {0x90, 60, 100}},
        {"note on, channel 4", [](testhost::Plugin& p) { p.noteOn(0, 61, 1, 3); }, {0x93, 61, 1}},
        {"note on velocity clamped to 127", [](testhost::Plugin& p) { p.noteOn(0, 62, 300); }, {0x90, 62, 127}},
        {"note off with release velocity", [](testhost::Plugin& p) { p.noteOff(0, 63, 40, 15); }, {0x8f, 63, 40}},
        {"mod wheel", [](testhost::Plugin& p) { p.controller(0, 1, 64); }, {0xb0, 1, 64}},
        {"pitch bend centre", [](testhost::Plugin& p) { p.pitchBend(0, 8192); }, {0xe0, 0x00, 0x40}},
        {"pitch bend top", [](testhost::Plugin& p) { p.pitchBend(0, 16383); }, {0xe0, 0x7f, 0x7f}},
        {"pitch bend below range clamped", [](testhost::Plugin& p) { p.pitchBend(0, -5); }, {0xe0, 0x00, 0x00}},
        {"pitch bend above range clamped", [](testhost::Plugin& p) { p.pitchBend(0, 20000); }, {0xe0, 0x7f, 0x7f}},
        {"channel pressure", [](testhost::Plugin& p) { p.channelPressure(0, 77, 2); }, {0xd2, 77, 0}},
        {"poly pressure", [](testhost::Plugin& p) { p.polyPressure(0, 64, 33); }, {0xa0, 64, 33}},
        {"program change", [](testhost::Plugin& p) { p.programChange(0, 5); }, {0xc0, 5, 0}},
        {"raw bytes untouched", [](testhost::Plugin& p) { p.rawMidi(0, 0xf8, 0xff, 0x80); }, {0xf8, 0xff, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Host host;
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        c.queue(*plugin);
        plugin->render(16);
        const std::vector<echo::ReceivedEvent> events = echotest::receivedEvents(*plugin);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].bytes[0], c.bytes[0]);
        EXPECT_EQ(events[0].bytes[1], c.bytes[1]);
        EXPECT_EQ(events[0].bytes[2], c.bytes[2]);
        EXPECT_EQ(events[0].bytes[3], 0);
    }
}

TEST(HostParameters, ChangesSplitTheBlockAtTheirFrame) {
    HostConfig config;
    config.blockSize = 512;
    Host host(config);
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr);
    plugin->parameterAt(700, 3, 0.4f);
    plugin->parameterAt(0, 0, 0.1f);
    plugin->parameterAt(512, 2, 0.3f);
    plugin->parameterAt(100, 1, 0.2f);
    plugin->parameterAt(700, 0, 0.9f);  // same frame: after the one queued first
    plugin->noteOn(650, 60, 127);
    plugin->render(1024);

    const std::vector<echo::ParameterChange> changes = echotest::parameterChanges(*plugin);
    const std::vector<echo::ParameterChange> expected = {
        {0, 0, 0.1f}, {100, 1, 0.2f}, {512, 2, 0.3f}, {700, 3, 0.4f}, {700, 0, 0.9f}};
    ASSERT_EQ(changes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(changes[i].frame, expected[i].frame);
        EXPECT_EQ(changes[i].index, expected[i].index);
        EXPECT_FLOAT_EQ(changes[i].value, expected[i].value);
    }
    const std::vector<echo::SeenTime> blocks = echotest::seenTimes(*plugin);
    const std::vector<std::pair<long, int>> expectedBlocks = {{0, 100}, {100, 412}, {512, 188}, {700, 324}};
    ASSERT_EQ(blocks.size(), expectedBlocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].blockStart, expectedBlocks[i].first) << i;
        EXPECT_EQ(blocks[i].blockFrames, expectedBlocks[i].second) << i;
    }
    const std::vector<echo::ReceivedEvent> events = echotest::receivedEvents(*plugin);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].blockStart, 512);
    EXPECT_EQ(events[0].deltaFrames, 138);
    EXPECT_FLOAT_EQ(plugin->getParameter(0), 0.9f);
}

TEST(HostTimeInfo, AdvancesWithRenderingAndFollowsTheTransport) {
    HostConfig config;
    config.sampleRate = 48000;
    config.blockSize = 4800;  // a tenth of a second
    config.tempo = 240;       // 0.4 beats per block
    config.playing = true;
    config.timeSigNum = 6;
    config.timeSigDen = 8;  // 3 quarter notes per bar
    Host host(config);
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr);
    plugin->render(96000);
    plugin->config().tempo = 60;  // 0.1 beats per block
    plugin->config().playing = false;
    plugin->render(48000);

    const std::vector<echo::SeenTime> blocks = echotest::seenTimes(*plugin);
    ASSERT_EQ(blocks.size(), 30u);
    const vst::int32 alwaysValid = vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                                   vst::kVstTimeSigValid;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        const echo::SeenTime& block = blocks[i];
        ASSERT_TRUE(block.valid);
        const bool firstPart = i < 20;
        const double expectedPpq = firstPart ? 0.4 * static_cast<double>(i) : 8.0 + 0.1 * static_cast<double>(i - 20);
        EXPECT_DOUBLE_EQ(block.info.samplePos, static_cast<double>(block.blockStart));
        EXPECT_EQ(block.blockStart, static_cast<long>(i) * 4800);
        EXPECT_DOUBLE_EQ(block.info.sampleRate, 48000);
        EXPECT_NEAR(block.info.ppqPos, expectedPpq, 1e-9);
        EXPECT_DOUBLE_EQ(block.info.tempo, firstPart ? 240 : 60);
        EXPECT_NEAR(block.info.barStartPos, std::floor(expectedPpq / 3.0 + 1e-9) * 3.0, 1e-9);
        EXPECT_EQ(block.info.timeSigNumerator, 6);
        EXPECT_EQ(block.info.timeSigDenominator, 8);
        EXPECT_EQ(block.info.flags & alwaysValid, alwaysValid);
        EXPECT_EQ((block.info.flags & vst::kVstTransportPlaying) != 0, firstPart);
        EXPECT_EQ((block.info.flags & vst::kVstTransportChanged) != 0, i == 20);
    }
    EXPECT_DOUBLE_EQ(plugin->timeInfo().samplePos, 144000);
    EXPECT_NEAR(plugin->timeInfo().ppqPos, 9.0, 1e-9);

    HostConfig silent = config;
    silent.answerTimeInfo = false;
    Host silentHost(silent);
    auto quiet = silentHost.load(echotest::echoPath());
    ASSERT_NE(quiet, nullptr);
    quiet->render(9600);
    for (const echo::SeenTime& block : echotest::seenTimes(*quiet)) EXPECT_FALSE(block.valid);
}

TEST(HostTiming, HoldsNotesSpreadOverTheKeyboard) {
    struct Case {
        int notes;
        int lowest, highest;
    };
    const std::vector<Case> cases = {{1, 60, 60}, {8, 36, 84}, {49, 36, 84}, {88, 21, 108}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.notes);
        Host host;
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        testhost::TimingOptions options;
        options.notes = c.notes;
        options.seconds = 0.5;
        options.sampleRate = 44100;
        options.blockSize = 100;
        options.parameters = {{2, 0.75f}};
        const testhost::TimingResult result = testhost::measureTiming(*plugin, options);
        EXPECT_DOUBLE_EQ(result.audioSeconds, 0.5);
        EXPECT_EQ(plugin->framesRendered(), 22050);
        EXPECT_GE(result.cpuSeconds, 0.0);
        if (result.cpuSeconds > 0) {
            EXPECT_NEAR(result.cpuSecondsPerAudioSecond, result.cpuSeconds / 0.5, 1e-12);
            EXPECT_NEAR(result.realTimeFactor, 0.5 / result.cpuSeconds, 1e-6 * result.realTimeFactor);
        }
        EXPECT_FLOAT_EQ(result.levels.peak, 22049.0f);  // the echo's left channel counts frames
        EXPECT_TRUE(result.levels.finite);

        const std::vector<echo::ParameterChange> changes = echotest::parameterChanges(*plugin);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].index, 2);
        EXPECT_EQ(echotest::seenTimes(*plugin)[0].blockFrames, 100);

        const std::vector<echo::ReceivedEvent> events = echotest::receivedEvents(*plugin);
        ASSERT_EQ(events.size(), static_cast<std::size_t>(c.notes));
        std::set<int> notes;
        for (const echo::ReceivedEvent& e : events) {
            EXPECT_EQ(e.bytes[0], 0x90);
            EXPECT_GT(e.bytes[2], 0);
            EXPECT_EQ(e.blockStart + e.deltaFrames, 0);
            notes.insert(e.bytes[1]);
        }
        EXPECT_EQ(notes.size(), static_cast<std::size_t>(c.notes));  // held notes are distinct keys
        if (c.notes > 0) {
            EXPECT_EQ(*notes.begin(), c.lowest);
            EXPECT_EQ(*notes.rbegin(), c.highest);
        }
    }
}

TEST(HostLevels, MeasuresPeakRmsAndNonFiniteSamples) {
    Stereo audio;
    const int frames = 4800;
    for (int i = 0; i < frames; ++i) {
        audio.left.push_back(0.5f * static_cast<float>(std::sin(2 * M_PI * 100 * i / 48000.0)));
        audio.right.push_back(-0.25f);
    }
    testhost::Levels levels = testhost::measure(audio);
    EXPECT_NEAR(levels.peak, 0.5f, 1e-4);
    // Mean of 0.125 (sine, 0.5^2 / 2) and 0.0625 (constant -0.25).
    EXPECT_NEAR(levels.rms, std::sqrt((0.125 + 0.0625) / 2), 1e-4);
    EXPECT_TRUE(levels.finite);

    levels = testhost::measure(audio, 0, 1);  // a single frame: 0 and -0.25
    EXPECT_FLOAT_EQ(levels.peak, 0.25f);
    levels = testhost::measure(audio, frames + 10);  // past the end: nothing
    EXPECT_EQ(levels.peak, 0.0f);
    EXPECT_EQ(levels.rms, 0.0);

    audio.right[100] = std::nanf("");
    audio.left[200] = INFINITY;
    levels = testhost::measure(audio);
    EXPECT_FALSE(levels.finite);
    EXPECT_TRUE(std::isfinite(levels.rms));
    EXPECT_NEAR(levels.peak, 0.5f, 1e-4);
}
