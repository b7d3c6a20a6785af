// The displays on the editor's thread while the audio thread renders: the
// idle pass feeds the Movement markers, the ribbon's ring and spring, the
// scope's key and the Gator's step, and the frame redraws every display. The
// displays reach the engine only through the editor services and keep no
// pointer into it, so their reads are as safe as the services' own.
//
// The plug-in publishes its parameters, the Movement shape, the Gator step,
// and (once per block, as atomics) its output history, Movement phase, pan
// and modulated values, so the first test reads all of them under
// ThreadSanitizer too. The second test gives the displays that state
// published the same way by a writer of its own, racing the reads with wild values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

#include "display_test_support.h"
#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TLFOScreen.h"
#include "controls/TWaveScreen.h"
#include "tools/testhost/MidiEventList.h"

constexpr bool ENGINE_READOUTS_PUBLISHED = true;

using namespace kgui;

namespace {
// The four displays of the main screen at their 100 % sizes; no text is drawn,
// so the font libraries stay out of the picture.
struct TDisplays {
    explicit TDisplays(TDisplayHost& host) {
        screen = host.add(new TLFOScreen(CRect(37, 119, 37 + 1057, 119 + 132), &host, true, true, false));
        ribbon = host.add(new THSlider(CRect(30, 300, 841, 320), &host, 123, 0, true));
        scope = host.add(new TWaveScreen(CRect(10, 330, 278, 395), &host, true));
        gate = host.add(new TGatorDisplay(CRect(300, 340, 428, 356), &host, 88));
    }
    TLFOScreen* screen;
    THSlider* ribbon;
    TWaveScreen* scope;
    TGatorDisplay* gate;
};

// State published the way the audio thread is to publish it: every value a
// relaxed atomic, the output history a ring of atomic floats behind an
// atomic frame count.
struct TPublishingServices : TDisplayServices {
    static constexpr int RING = 1 << 17;
    std::array<std::atomic<float>, RING> ring{};
    std::atomic<std::uint32_t> frames{0};
    std::atomic<float> phase{-1}, pan{0.5f}, ribbonModulation{0};
    std::atomic<int> step{0};

    float getMovementPos() override { return phase.load(std::memory_order_relaxed); }
    float getPan() override { return pan.load(std::memory_order_relaxed); }
    float getModValue(int) override { return ribbonModulation.load(std::memory_order_relaxed); }
    int getGaterPos() override { return step.load(std::memory_order_relaxed); }
    float getMovementValue(int, float phaseAt) override { return 0.5f + 0.5f * std::sin(6.2831853f * phaseAt); }
    void getWaveDisplay(int points, float zoom, float* out) override {
        if (points < 50 || points > 5000)
            return;
        const auto newest = static_cast<std::int64_t>(frames.load(std::memory_order_acquire)) - 1;
        for (int i = 0; i < points; ++i) {
            const auto back = static_cast<std::int64_t>((1.0 - double(i) / (points - 1)) * 16384 * zoom);
            out[i] = newest - back < 0 ? 0.5f
                                       : std::clamp(2 * ring[static_cast<size_t>(newest - back) % RING].load(
                                                            std::memory_order_relaxed) + 0.5f,
                                                    0.0f, 1.0f);
        }
    }
};
}  // namespace

TEST(DisplayThreads, ThePluginsPublishedStateWhileItRenders) {
    // The plug-in itself, without the stand-ins of the sample services.
    TDisplayBench<TObservedPlugin> bench(CRect(0, 0, 1200, 400));
    TObservedPlugin* plugin = &bench.services;
    auto& host = bench.host;
    TDisplays displays(host);
    plugin->setParameter(40, 1.0f);

    // The audio thread renders 600 blocks, and on until the editor's thread
    // has made 20 passes beside it, however the two are scheduled.
    std::atomic<bool> rendering{true};
    std::atomic<int> passes{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 600 || passes.load() < 20; ++block) {
            if (block % 20 == 0) {
                testhost::MidiEventList list{
                    testhost::midiMessage(block % 40 == 0 ? 0x90 : 0x80, 48 + block % 24, 100)};
                plugin->processEvents(list.events());
            }
            plugin->processReplacing(nullptr, outputs, 256);
        }
        rendering = false;
    });

    while (rendering) {
        const int pass = ++passes;
        if (ENGINE_READOUTS_PUBLISHED) {
            displays.screen->setPos(plugin->getMovementPos(), plugin->getPan(), pass);
            displays.ribbon->setModValue(plugin->getModValue(123), pass);
            displays.scope->update(pass);
        }
        displays.ribbon->setCentered(plugin->getOnOff(124));
        displays.ribbon->setCurValue();
        displays.gate->setGaterPos(plugin->getGaterPos());
        // The user drags the symmetry meanwhile: the display writes, the audio thread reads.
        plugin->setParameterAutomated(43, static_cast<float>(pass % 100) / 100);
        if (!ENGINE_READOUTS_PUBLISHED)
            displays.scope->setOn(false);
        host.target.renderAll();
        EXPECT_LE(displays.screen->getMovePos(), TLFOScreen::SHAPE_SEGMENTS);
        EXPECT_GE(displays.screen->getMovePos(), -1);
    }
    audio.join();
}

TEST(DisplayThreads, StatePublishedAsTheEngineIsToPublishIt) {
    TDisplayBench<TPublishingServices> bench(CRect(0, 0, 1200, 400));
    TDisplays displays(bench.host);
    TPublishingServices& engine = bench.services;

    std::atomic<bool> rendering{true};
    std::atomic<int> passes{0};
    std::thread audio([&] {
        for (std::uint32_t frame = 0; frame < 400000 || passes.load() < 20; ++frame) {
            engine.ring[frame % TPublishingServices::RING].store(0.4f * std::sin(0.01f * static_cast<float>(frame)),
                                                                std::memory_order_relaxed);
            engine.frames.store(frame + 1, std::memory_order_release);
            if (frame % 64 == 0) {
                // Wild values on purpose: the displays must hold them to their shapes.
                engine.phase.store(frame % 3 == 0 ? NAN : static_cast<float>(frame % 1000) / 700.0f - 0.2f,
                                   std::memory_order_relaxed);
                engine.pan.store(static_cast<float>(frame % 977) / 800.0f, std::memory_order_relaxed);
                engine.ribbonModulation.store(static_cast<float>(frame % 200) / 100.0f - 1, std::memory_order_relaxed);
                engine.step.store(static_cast<int>(frame / 64 % 16), std::memory_order_relaxed);
            }
        }
        rendering = false;
    });

    while (rendering) {
        const int pass = ++passes;
        displays.screen->setPos(engine.getMovementPos(), engine.getPan(), pass);
        displays.ribbon->setModValue(engine.getModValue(123), pass);
        displays.scope->update(pass);
        displays.gate->setGaterPos(engine.getGaterPos());
        bench.host.target.renderAll();
        EXPECT_LE(displays.screen->getMovePos(), TLFOScreen::SHAPE_SEGMENTS);
        EXPECT_LE(displays.screen->getPanPos(), 132);
        EXPECT_TRUE(std::isfinite(displays.ribbon->getModDisplay()));
    }
    audio.join();
    EXPECT_GE(passes.load(), 20);
}
