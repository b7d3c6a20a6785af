// Cost of the editor's idle pass with the window open (off screen) while an
// audio thread renders in real time: passes per second, and how much each
// pass draws. Every iteration moves the toolkit clock past the 50 ms gate, so
// each one is a whole pass. "Quiet": silence and the Wave source, nothing on
// screen changes, so a pass should draw nothing; "Playing": a held note, a
// looping Movement and a noise source, whose scope, rings and markers move.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "editor/uEditor.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"
#include "tests/test_environment.h"
#include "toolkit/kgui.h"
#include "tools/testhost/MidiEventList.h"

namespace {

constexpr int SOURCE_MODE = 10, MOVEMENT_LOOP = 40;
constexpr int WAVE_SOURCE = 3, NOISE_SOURCE = 0;
constexpr int BLOCK = 256;

vst::intptr quietHost(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// The plug-in with its editor open off screen, settings in a folder of their own.
class TOpenEditor {
public:
    TOpenEditor() {
        ::setenv("XDG_CONFIG_HOME", settings.path.c_str(), 1);
        ::setenv("XDG_DATA_HOME", settings.path.c_str(), 1);
        platform::reopenPreferences();
        kgui::CBitmap::setResourceFolder(KOLBRI_RESOURCES_DIR);
        plugin = std::make_unique<APlugin>(quietHost);
        editor = dynamic_cast<uEditor*>(plugin->getEditor());
        render(40);  // the start program
        if (editor && editor->open(target.parentHandle()))
            editor->hideBackScreen();
    }
    ~TOpenEditor() {
        if (editor)
            editor->close();
        plugin.reset();
        kgui::CBitmap::setResourceFolder("");
    }

    void render(int blocks) {
        std::vector<float> left(BLOCK), right(BLOCK);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < blocks; ++block)
            plugin->processReplacing(nullptr, outputs, BLOCK);
    }

    void noteOn() {
        testhost::MidiEventList note{testhost::midiMessage(0x90, 60, 100)};
        plugin->processEvents(note.events());
    }

    test_environment::TemporaryFolder settings{"bench"};
    kgui::TestClock clock;
    kgui::OffscreenTarget target;
    std::unique_ptr<APlugin> plugin;
    uEditor* editor = nullptr;
};

// Renders blocks at the pace a host's audio thread would, until stopped.
class TAudioThread {
public:
    explicit TAudioThread(TOpenEditor& open) : thread([this, &open] {
        std::vector<float> left(BLOCK), right(BLOCK);
        float* outputs[2] = {left.data(), right.data()};
        const auto period = std::chrono::microseconds(BLOCK * 1000000LL / 44100);
        auto next = std::chrono::steady_clock::now();
        while (!stop.load()) {
            open.plugin->processReplacing(nullptr, outputs, BLOCK);
            next += period;
            std::this_thread::sleep_until(next);
        }
    }) {}
    ~TAudioThread() {
        stop = true;
        thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

void idlePasses(benchmark::State& state, bool playing) {
    TOpenEditor open;
    if (!open.editor || !open.editor->getFrame()) {
        state.SkipWithError("the editor did not open");
        return;
    }
    open.plugin->setSteppedValue(SOURCE_MODE, playing ? NOISE_SOURCE : WAVE_SOURCE);
    if (playing) {
        open.plugin->setOn(MOVEMENT_LOOP);
        open.noteOn();
    }
    TAudioThread audio(open);
    // Settle: the first passes draw what the set-up changed.
    for (int pass = 0; pass < 40; ++pass) {
        open.clock.advance(50);
        open.editor->idle();
    }
    open.target.getRecorder().clear();
    size_t passes = 0;
    for (auto _ : state) {
        open.clock.advance(50);
        open.editor->idle();
        ++passes;
    }
    state.SetItemsProcessed(static_cast<int64_t>(passes));
    state.counters["drawOpsPerPass"] =
        passes ? static_cast<double>(open.target.getRecorder().ops.size()) / static_cast<double>(passes) : 0.0;
}

void IdlePassQuiet(benchmark::State& state) { idlePasses(state, false); }
void IdlePassPlaying(benchmark::State& state) { idlePasses(state, true); }

}  // namespace

BENCHMARK(IdlePassQuiet)->Unit(benchmark::kMicrosecond);
BENCHMARK(IdlePassPlaying)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
