// The editor's thread asks for preview notes, resets, MIDI learn and soft
// takeover restarts while the audio thread renders. The requests are flags and
// single words that the audio thread takes at block starts, so the voice
// arrays are never written from two threads. Run under ThreadSanitizer to see
// the hand-over; under the other builds it checks that nothing breaks.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine_test_support.h"

using enginetest::EnginePlugin;

TEST(LoopThreads, EditorRequestsWhileRendering) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(40, 1.0f);
    // 3000 blocks, and on until the editor's thread has made 60 requests
    // beside them (ten of each), however the two are scheduled.
    std::atomic<bool> rendering{true};
    std::atomic<int> requests{0};
    std::atomic<int> badFrames{0};

    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 3000 || requests.load() < 60; ++block) {
            if (block % 7 == 0) plugin->noteOn(40 + block % 40, 100, block % 64);
            if (block % 11 == 0) plugin->noteOff(40 + (block + 20) % 40, block % 64);
            if (block % 13 == 0) plugin->controller(20, block % 128);
            plugin->processReplacing(nullptr, outputs, 64);
            for (int i = 0; i < 64; ++i)
                if (!(std::fabs(left[i]) <= 0.99f && std::fabs(right[i]) <= 0.99f)) badFrames.fetch_add(1);
        }
        rendering = false;
    });

    while (rendering) {
        switch (requests.fetch_add(1) % 6) {
            case 0: plugin->previewNoteOn(); break;
            case 1: plugin->previewNoteReleased(); break;
            case 2: plugin->requestReset(); break;
            case 3: plugin->setMIDILatch(28, true); break;
            case 4: plugin->resetMIDICapture(); break;
            case 5: plugin->setMIDILatch(28, false); break;
        }
        std::this_thread::yield();
    }
    audio.join();
    EXPECT_EQ(badFrames.load(), 0) << "frames that were not finite or beyond the clamp";
    EXPECT_LE(plugin->voicesOn(), NUM_VOICES);
    EXPECT_LE(TEngineTestAccess::midi(*plugin).numMidiEvents, 250);
}
