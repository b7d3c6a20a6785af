#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "engine/sample/SampleFileParser.h"
#include "engine/sample/SamplePlayback.h"
#include "engine/sample/TSample.h"
#include "tests/sample/sample_files.h"

namespace {

// A stereo 16-bit sample holding one value in every frame.
std::unique_ptr<TSampleData> constant(float value, int frames = 2000) {
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[static_cast<std::size_t>(frames) * 4]);
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32768.0f)));
    for (int i = 0; i < frames * 2; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return std::make_unique<TSampleData>(std::move(bytes), SAMPLE_WAV_S16_STEREO, frames, 48000.0f);
}

TEST(SampleSlot, OldDataLivesUntilTheBlockThatReadsItHasEnded) {
    TSample slot;
    slot.publish(constant(0.25f));
    std::weak_ptr<const TSampleData> first = slot.snapshot();

    const TSampleData* reading = slot.beginBlock();
    ASSERT_EQ(reading, first.lock().get());
    slot.publish(constant(-0.5f));
    EXPECT_EQ(slot.collectRetired(), 1u) << "the running block may still read the old sample";
    EXPECT_FALSE(first.expired());
    float left, right;
    reading->getSample(10.0, left, right);
    EXPECT_NEAR(left, 0.25f, 1e-4f);
    slot.endBlock();
    EXPECT_EQ(slot.collectRetired(), 0u);
    EXPECT_TRUE(first.expired()) << "freed once the audio thread passed the block boundary";

    // Published between blocks: nothing can read it, it goes at once.
    std::weak_ptr<const TSampleData> second = slot.snapshot();
    slot.publish(nullptr);
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(slot.beginBlock(), nullptr);
    slot.endBlock();
}

TEST(SampleSlot, AFailedLoadLeavesThePreviousSampleAndARequestKeepsTheSlotSilent) {
    TSample slot;
    slot.publish(parseSampleFile(samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 2, 44100, 16),
                                                                   {"data", samplefiles::Bytes(400, 1)}}))
                     .data);
    ASSERT_TRUE(slot.snapshot());
    // A damaged file is refused: nothing is published, the stereo sample stays.
    TSampleParseResult damaged = parseSampleFile(samplefiles::Bytes{'R', 'I', 'F', 'F'});
    if (damaged.data) slot.publish(std::move(damaged.data));
    ASSERT_TRUE(slot.snapshot());
    EXPECT_TRUE(slot.snapshot()->getStereo());

    const std::uint32_t first = slot.requestLoad();
    const std::uint32_t second = slot.requestLoad();
    EXPECT_TRUE(slot.isLoadPending());
    EXPECT_EQ(slot.beginBlock(), nullptr) << "silent while the program's sample is being loaded";
    slot.endBlock();
    slot.finishLoad(first);
    EXPECT_TRUE(slot.isLoadPending()) << "the later request is still open";
    slot.finishLoad(second);
    slot.finishLoad(first);  // late and stale: changes nothing
    EXPECT_FALSE(slot.isLoadPending());
    EXPECT_NE(slot.beginBlock(), nullptr);
    slot.endBlock();
    slot.setMuted(true);
    EXPECT_EQ(slot.beginBlock(), nullptr);
    slot.endBlock();
}

// The user sample is replaced again and again while sixteen voices play it:
// every block reads one whole sample (never a freed or half-made one), and
// everything retired is freed once the audio thread has moved on.
TEST(SampleSlotThreads, ReloadWhileNotesPlay) {
    TSample slot;
    slot.publish(constant(0.25f));
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0}, mixedBlocks{0}, badValues{0};

    std::thread audio([&] {
        TSamplePlayback play;
        TUserSampleSettings settings;
        settings.usable = true;
        settings.loopMode = SAMPLE_LOOP;
        for (int v = 0; v < SAMPLE_PLAYBACK_VOICES; ++v) play.startVoice(v, true, 0.0, 100.0f);
        while (!done.load()) {
            const TSampleData* data = slot.beginBlock();
            const TSampleSlotFrame frame = userSlotFrame(data, settings, 48000.0);
            float seen = 0.0f;
            for (int i = 0; i < 64; ++i) {
                for (int v = 0; v < SAMPLE_PLAYBACK_VOICES; ++v) {
                    const stereoOverStruct out = play.renderVoice(v, frame, TSampleVoiceInput{0.5 + 0.1 * v});
                    for (float lane : out.lane) {
                        if (!std::isfinite(lane) || std::fabs(lane) > 0.6f) badValues.fetch_add(1);
                        if (lane != 0.0f) {
                            if (seen != 0.0f && std::fabs(lane - seen) > 1e-3f) mixedBlocks.fetch_add(1);
                            seen = lane;
                        }
                    }
                }
            }
            slot.endBlock();
            blocks.fetch_add(1);
        }
    });

    for (int load = 0; load < 300; ++load) {
        slot.publish(constant(load % 2 ? 0.25f : -0.5f, 1000 + load));
        if (load % 3 == 0) slot.collectRetired();
        std::this_thread::yield();
    }
    // Let the audio thread pass a few more block boundaries.
    const int seen = blocks.load();
    while (blocks.load() < seen + 3) std::this_thread::yield();
    done.store(true);
    audio.join();

    EXPECT_EQ(badValues.load(), 0);
    EXPECT_EQ(mixedBlocks.load(), 0) << "a block read two samples";
    EXPECT_EQ(slot.collectRetired(), 0u);
    EXPECT_GT(blocks.load(), 3);
}

}  // namespace
