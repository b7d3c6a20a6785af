// The block loop: its paths, the housekeeping and control grids, program
// application timing, counters across their wrap, host input and tempo that
// are not numbers, and block sizes and rates at their extremes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/SampleState.h"
#include "engine_test_support.h"
#include "tools/testhost/TestHost.h"

using enginetest::EnginePlugin;
using enginetest::hostClock;

namespace {

constexpr int TAG_MAIN_VOLUME = 1;
constexpr int TAG_SUB_VOLUME = 26;
constexpr int TAG_MOVEMENT_LOOP = 40;
constexpr int TAG_SLOT1_SOURCE = 111;

}  // namespace

// A program is applied at the next multiple of 4096 frames; until then the
// old values hold, and while it waits the voices stand still.
TEST(BlockLoop, ProgramAppliedAtTheNextHousekeepingTick) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->render(1000, 256);
    plugin->noteOn(60);
    plugin->render(100);
    const int v = TEngineTestAccess::voices(*plugin).curVoice;
    ASSERT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[v]);

    const auto fxFrames = TEngineTestAccess::engine(*plugin).fxFrameCount;
    const long untilTick = 4096 - static_cast<long>(fxFrames % 4096);
    plugin->values.programs[0].values[TAG_SUB_VOLUME] = 0.77f;
    plugin->flags.presetPending = true;
    const auto voiceFrames = TEngineTestAccess::voices(*plugin).voiceFrameCount[v];
    plugin->render(untilTick, 128);
    EXPECT_NE(static_cast<float>(plugin->values.curValue[TAG_SUB_VOLUME]), 0.77f) << "not before the tick";
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceFrameCount[v], voiceFrames)
        << "voices wait while a program is pending";
    for (long i = 0; i < untilTick; ++i) ASSERT_EQ(plugin->outLeft[plugin->outLeft.size() - 1 - i], 0.0f);
    plugin->render(1);
    EXPECT_FLOAT_EQ(plugin->values.curValue[TAG_SUB_VOLUME], 0.77f) << "applied at the tick";
    EXPECT_FALSE(plugin->flags.presetPending);
    EXPECT_FALSE(plugin->flags.settingPreset);
    EXPECT_EQ(plugin->voicesOn(), 0) << "the program's reset ends every voice";
    EXPECT_TRUE(plugin->flags.screenUpdatePending) << "the editor hears of it at the next tick";
}

// A ribbon with a spring starts a program at rest, and the rest is written
// into the program record. A chunk that a host thread copies into the record
// while a program is being applied keeps its own ribbon value there, and its
// request then makes it the sound.
TEST(BlockLoop, TheSpringsRestNeverOverwritesAChunkThatLandsDuringTheApplication) {
    constexpr int RIBBON_VALUE = 123, RIBBON_BIPOLAR = 124, RIBBON_SPRING_TIME = 125;
    constexpr int SPRING_OFF = 0, SPRING_ONE_BAR = 17;
    constexpr float STORED = 0.3f, CHUNK = 0.8f;
    // The chunk (no spring, the ribbon at CHUNK) lands after the program's
    // values were taken, before the engine's share of the application.
    struct ChunkDuringApplication : EnginePlugin {
        bool chunkLands = false;
        void applyProgramValues() override {
            EnginePlugin::applyProgramValues();
            if (!chunkLands) return;
            chunkLands = false;
            values.programs[0].values[RIBBON_SPRING_TIME] = (SPRING_OFF + 0.1f) / attr.steppedRange[RIBBON_SPRING_TIME];
            values.programs[0].values[RIBBON_VALUE] = CHUNK;
            flags.presetPending = true;
        }
    };
    const struct {
        const char* why;
        int spring;
        bool chunkLands;
        float ribbon;  // in the record and in the engine once every request is applied
    } cases[] = {
        {"a spring: the program starts at rest", SPRING_ONE_BAR, false, 0.0f},
        {"a spring, then a chunk without one: the chunk's ribbon", SPRING_ONE_BAR, true, CHUNK},
        {"no spring: the stored value", SPRING_OFF, false, STORED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<ChunkDuringApplication>();
        plugin->setParameter(RIBBON_BIPOLAR, 0.0f);  // the rest is 0
        plugin->setStep(RIBBON_SPRING_TIME, c.spring);
        plugin->setParameter(RIBBON_VALUE, STORED);
        plugin->chunkLands = c.chunkLands;
        plugin->flags.presetPending = true;
        plugin->render(2 * 4096 + 1, 256);
        EXPECT_FALSE(plugin->flags.presetPending);
        EXPECT_FALSE(plugin->chunkLands);
        EXPECT_FLOAT_EQ(plugin->values.programs[0].values[RIBBON_VALUE], c.ribbon);
        EXPECT_FLOAT_EQ(plugin->values.curValue[RIBBON_VALUE], c.ribbon);
    }
}

// A note played in the frame where a waiting program is applied sounds with
// that program instead of being cut by its reset: the first block after
// loading plays its notes.
TEST(BlockLoop, NotesAtTheProgramTickAreKept) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->render(4096 - static_cast<long>(TEngineTestAccess::engine(*plugin).fxFrameCount % 4096),
                   256);  // up to a tick
    plugin->flags.presetPending = true;
    plugin->noteOn(60);
    plugin->render(64);
    EXPECT_FALSE(plugin->flags.presetPending);
    EXPECT_EQ(plugin->voicesOn(), 1) << "the note of the program's frame sounds";
}

// The global control step runs every 16 frames on frameCount's grid, and the
// housekeeping every 4096 frames on fxFrameCount's grid; both survive the
// counters' wrap, and the rings they index stay inside their bounds.
TEST(BlockLoop, CountersRenderAcrossTheirWrap) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->setParameter(TAG_MAIN_VOLUME, 0.9f);
    TEngineTestAccess::engine(*plugin).frameCount =
        std::numeric_limits<std::uint32_t>::max() - 200;  // a multiple of 16 minus 9
    TEngineTestAccess::engine(*plugin).fxFrameCount = std::numeric_limits<std::uint32_t>::max() - 300;
    plugin->noteOn(60);
    plugin->noteOn(64, 100, 50);
    plugin->render(160, 37);
    const int v = TEngineTestAccess::voices(*plugin).curVoice;
    TEngineTestAccess::voices(*plugin).voiceFrameCount[v] = std::numeric_limits<std::uint32_t>::max() - 20;

    // Housekeeping at the wrap of fxFrameCount: the ribbon countdown moves once.
    TEngineTestAccess::engine(*plugin).ribbonSpringCountdown = 3;
    const long toWrap =
        static_cast<long>(std::numeric_limits<std::uint32_t>::max() - TEngineTestAccess::engine(*plugin).fxFrameCount) +
        1;
    plugin->render(toWrap, 64);
    EXPECT_EQ(TEngineTestAccess::engine(*plugin).ribbonSpringCountdown, 3);
    plugin->render(1);
    EXPECT_EQ(TEngineTestAccess::engine(*plugin).ribbonSpringCountdown, 2)
        << "the tick at fxFrameCount 0 after the wrap";

    // The global control step keeps its 16-frame grid across frameCount's wrap.
    plugin->render(static_cast<long>((16 - TEngineTestAccess::engine(*plugin).frameCount % 16) % 16) + 1);
    const float smoothed = TEngineTestAccess::output(*plugin).mainVolumeSmoothed;
    plugin->render(15);
    EXPECT_EQ(TEngineTestAccess::output(*plugin).mainVolumeSmoothed, smoothed);
    plugin->render(1);
    EXPECT_NE(TEngineTestAccess::output(*plugin).mainVolumeSmoothed, smoothed);

    EXPECT_LT(TEngineTestAccess::engine(*plugin).frameCount, 1000u);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[v]);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).envStage[v], 2)
        << "the envelope kept stepping across the voice's wrap";
    EXPECT_TRUE(enginetest::allFinite(plugin->outLeft));
    EXPECT_EQ(TEngineTestAccess::output(*plugin)
                  .scopeRing[(TEngineTestAccess::engine(*plugin).frameCount - 1) & TOutputState::SCOPE_RING_MASK],
              (plugin->outLeft.back() + plugin->outRight.back()) * 0.5f);
}

// Host input that is not a number reads as 0; a host tempo that is not a
// number keeps the last one; tempos are limited to 1..30000.
TEST(BlockLoop, HostInputAndTempoAreChecked) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setStep(TAG_SLOT1_SOURCE, 50);  // a route reads "Input"
    plugin->render(16);
    ASSERT_TRUE(TEngineTestAccess::mod(*plugin).inputInUse);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float left[4] = {nan, inf, 0.1f, -inf};
    const float right[4] = {0.0f, 0.0f, 0.05f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        plugin->render(1, 1, left + i, right + i);
        const float expected = std::isfinite(left[i]) ? (left[i] + right[i]) * 4.0f : 0.0f;
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*plugin).globalModSrc()[50], expected) << i;
    }

    struct TempoCase {
        double hostTempo;
        bool valid;
        float expected;
    };
    const TempoCase tempos[] = {
        {90, true, 90},  {std::nan(""), true, 90}, {INFINITY, true, 90}, {1e9, true, 30000},
        {0.2, true, 1},  {140, false, 1},          {-5, true, 1},        {133, true, 133},
    };
    for (const TempoCase& c : tempos) {
        hostClock().timeInfo.tempo = c.hostTempo;
        hostClock().timeInfo.flags = c.valid ? vst::kVstTempoValid : 0;
        plugin->render(16);
        EXPECT_FLOAT_EQ(plugin->rates().tempo, c.expected) << c.hostTempo;
        EXPECT_TRUE(std::isfinite(plugin->rates().rateOverTempo));
        EXPECT_TRUE(std::isfinite(plugin->rates().samplesPerBar));
    }
    hostClock().answerTimeInfo = false;
    plugin->render(16);
    EXPECT_FLOAT_EQ(plugin->rates().tempo, 133) << "no time information: the last tempo";
}

// Requests from the editor's thread wait for the next block.
TEST(BlockLoop, EditorRequestsAreTakenAtTheBlockStart) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->previewNoteOn();
    EXPECT_EQ(plugin->voicesOn(), 0) << "nothing changes on the editor's thread";
    plugin->render(1);
    EXPECT_EQ(plugin->voicesOn(), 1);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).previewNoteIsOn);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[TEngineTestAccess::voices(*plugin).curVoice], 60);

    plugin->previewNoteReleased();
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceRelease[TEngineTestAccess::voices(*plugin).curVoice]);
    plugin->render(1);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).previewNoteIsOn);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceRelease[TEngineTestAccess::voices(*plugin).curVoice]);

    plugin->noteOn(64);
    plugin->render(8);
    plugin->requestReset();
    EXPECT_GT(plugin->voicesOn(), 0);
    plugin->render(1);
    EXPECT_EQ(plugin->voicesOn(), 0);
}

// The user sample's preview plays at the "Sample Volume" gain of the last
// control step (none runs while a preview plays), and a reset stops it as it
// stops a folder file's preview. Neither preview has a volume or effects, but
// both are limited as the output stage limits every other sound.
TEST(BlockLoop, UserSamplePreview) {
    constexpr int USER = TSampleState::PREVIEW_USER, FILE = TSampleState::PREVIEW_FILE;
    struct Case {
        int preview;
        float volume;       // "Sample Volume" at the last control step: 0.5 is 0 dB, 1 is +40 dB
        float volumeLater;  // set after that step
        float fileValue;    // every frame of the (float) file
        bool reset;         // between the preview's two blocks
        float heard;        // the second block's level
    } cases[] = {
        {USER, 0.5f, 0.5f, 0.25f, false, 0.25f},
        {USER, 0.5f, 0.75f, 0.25f, false, 0.25f /* not +20 dB */},
        {USER, 0.5f, 0.5f, 0.25f, true, 0.0f},
        {USER, 1.0f, 1.0f, 0.25f, false, 0.99f /* +40 dB would be 25 */},
        {USER, 1.0f, 1.0f, -0.25f, false, -0.99f},
        {USER, 0.5f, 0.5f, 1.5f, false, 0.99f /* a float file past full scale */},
        {FILE, 0.5f, 0.5f, 1.5f, false, 0.99f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.preview == USER ? "user sample" : "folder file") << ", volume "
                                        << c.volume << " then " << c.volumeLater << ", file value " << c.fileValue
                                        << (c.reset ? ", reset" : ""));
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->setParameter(tag::SAMPLE_LOADED, 1.0f);
        plugin->setParameter(tag::SAMPLE_VOLUME, c.volume);
        plugin->render(16);
        plugin->setParameter(tag::SAMPLE_VOLUME, c.volumeLater);
        constexpr int FRAMES = 4800;
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[FRAMES * sizeof(float)]);
        for (int i = 0; i < FRAMES; ++i) std::memcpy(bytes.get() + i * sizeof(float), &c.fileValue, sizeof(float));
        auto data = std::make_unique<TSampleData>(std::move(bytes), SAMPLE_WAV_F32_MONO, FRAMES, 48000.0f);
        TSampleState& samples = TEngineTestAccess::samples(*plugin);
        (c.preview == USER ? samples.userSample : samples.previewSample).publish(std::move(data));
        samples.userSamplePresent = true;
        plugin->requestSamplePreview(c.preview, 0.0);
        plugin->render(64);
        if (c.reset) plugin->requestReset();
        plugin->render(64);
        EXPECT_NEAR(plugin->outLeft.back(), c.heard, 1e-4f);
        EXPECT_NEAR(plugin->outRight.back(), c.heard, 1e-4f);
        float peak = 0;
        for (const auto* channel : {&plugin->outLeft, &plugin->outRight})
            for (float x : *channel) peak = std::isnan(x) ? INFINITY : std::max(peak, std::fabs(x));
        EXPECT_LE(peak, 0.99f);
    }
}

// A block of 0 frames writes nothing; blocks of 1, 17 and 4096 frames at rates
// from 22,050 to 192,000 Hz render finite output within the clamp.
TEST(BlockLoop, BlockSizesAndRates) {
    {
        auto plugin = std::make_unique<EnginePlugin>();
        const auto fxFrames = TEngineTestAccess::engine(*plugin).fxFrameCount;
        plugin->processReplacing(nullptr, nullptr, 0);
        plugin->processReplacing(nullptr, nullptr, -5);
        EXPECT_EQ(TEngineTestAccess::engine(*plugin).fxFrameCount, fxFrames);
    }
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
        for (int block : {1, 17, 4096}) {
            testhost::HostConfig config;
            config.sampleRate = rate;
            config.blockSize = block;
            testhost::Host host(config);
            auto plugin = host.load(KOLBRI_SO_PATH);
            ASSERT_TRUE(plugin) << testhost::Host::lastError();
            plugin->setParameter(TAG_MAIN_VOLUME, 1.0f);
            for (int i = 0; i < 20; ++i) plugin->noteOn(i * 700, 36 + 3 * i, 40 + 4 * i);
            for (int i = 0; i < 20; ++i) plugin->noteOff(i * 700 + 3000, 36 + 3 * i);
            plugin->pitchBend(5000, 16383);
            plugin->controller(6000, 1, 127);
            const testhost::Stereo out = plugin->render(static_cast<long>(rate * 0.4));
            const testhost::Levels levels = testhost::measure(out);
            EXPECT_TRUE(levels.finite) << rate << " Hz, block " << block;
            EXPECT_LE(levels.peak, 0.99f) << rate << " Hz, block " << block;
        }
    }
}

// The housekeeping follows the MIDI of its frame: a note that ends a preview
// note restarts the effects' frame count and the housekeeping runs in that
// very frame; a controller's screen update at a tick is delivered at that
// tick; and the update a program raises waits for the next tick even when
// another one was pending before it.
TEST(BlockLoop, HousekeepingFollowsTheMidiOfItsFrame) {
    constexpr int CONTROLLER = 20;
    constexpr int TAG_STEREO_PAN = 3;
    struct Case {
        const char* why;
        long startOffset;  // fxFrameCount mod 4096 at the block start
        bool previewNote;  // a preview note sounds when the block starts
        int noteFrame;     // a note at this frame, or -1
        int controllerFrame;  // a mapped controller at this frame, or -1
        bool screenPendingBefore, programPending;
        int expectedCountdown;  // the ribbon countdown starts at 3
        bool expectedScreenPending;
    };
    const Case cases[] = {
        {"a note ending a preview note off the grid: housekeeping at its frame", 100, true, 50, -1, false, false, 2, false},
        {"the same note without a preview note: no housekeeping off the grid", 100, false, 50, -1, false, false, 3, false},
        {"a controller at the tick: its screen update is delivered there", 0, false, -1, 0, false, false, 2, false},
        // The program's ribbon springs, so its application also ends the countdown.
        {"a program at the tick with an update pending: the program's own waits", 0, false, -1, -1, true, true, -1, true},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        TEngineTestAccess::midi(*plugin).midiCCTag[CONTROLLER].store(TAG_STEREO_PAN);
        const long toStart =
            (c.startOffset - static_cast<long>(TEngineTestAccess::engine(*plugin).fxFrameCount % 4096) + 4096) % 4096;
        plugin->render(toStart + 4096, 256);
        ASSERT_EQ(TEngineTestAccess::engine(*plugin).fxFrameCount % 4096, static_cast<std::uint32_t>(c.startOffset))
            << c.why;
        if (c.previewNote) {
            plugin->previewNoteOn();
            plugin->render(0);
            ASSERT_TRUE(TEngineTestAccess::voices(*plugin).previewNoteIsOn) << c.why;
        }
        plugin->flags.screenUpdatePending = c.screenPendingBefore;
        plugin->flags.presetPending = c.programPending;
        TEngineTestAccess::engine(*plugin).ribbonSpringCountdown = 3;
        if (c.noteFrame >= 0) plugin->noteOn(64, 100, c.noteFrame);
        if (c.controllerFrame >= 0) plugin->controller(CONTROLLER, 90, c.controllerFrame);
        plugin->render(60);
        EXPECT_EQ(TEngineTestAccess::engine(*plugin).ribbonSpringCountdown, c.expectedCountdown) << c.why;
        EXPECT_EQ(plugin->flags.screenUpdatePending.load(), c.expectedScreenPending) << c.why;
        EXPECT_FALSE(plugin->flags.presetPending) << c.why;
    }
}
