// The editor while the plug-in runs on other threads: the audio thread
// applies programs that change the Mod FX mode and automates parameters, a
// host thread calls the editor's hooks directly, and the editor's own thread
// idles and switches screens. Nothing of the editor runs off its thread (the
// thread sanitizer watches), and what the other threads changed is shown
// after the next idle pass; a program's Mod FX settings are never swapped for
// the editor's memory of the mode.
#include <atomic>
#include <thread>

#include "editor_test_support.h"
#include "controls/TKnob.h"
#include "editor/EditorTables.h"
#include "tools/testhost/MidiEventList.h"

using namespace editor_test;

#if defined(__SANITIZE_THREAD__)
// The window draws its captions with Pango, whose font set-up runs on a
// thread of its own inside the font libraries, which the sanitizer cannot see
// into: the reports of those libraries are theirs, not the editor's.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\nrace:libglib-2.0.so\nrace:libpango-1.0.so\nrace:libpangoft2-1.0.so\n";
}
#endif

namespace {

constexpr int MAIN_VOLUME = 1, SOURCE_MODE = 10, MOD_FX_MODE = 82, PROGRAM_PENDING = 1022;
// The "Wave" source: its panel has no output scope. The scope reads the
// engine's output history, which the engine does not publish for other
// threads yet (the displays' own thread tests leave it out the same way).
constexpr int WAVE_SOURCE_STEP = 3;

// Mod FX settings of the program with number k (below PROGRAMS), none of
// them a default of any mode and all within 0..1.
float programModFXValue(int k, size_t i) { return 0.1234f + 0.01f * static_cast<float>(i) + 0.001f * static_cast<float>(k); }

// Each Mod FX mode comes round four times. The audio thread applies exactly
// these, however fast the machine: a program is requested once the one
// before has been applied and shown.
constexpr int PROGRAMS = 4 * MOD_FX_MODE_COUNT;
// A program is applied at the next housekeeping tick and shown at the one
// after: 32 blocks of 256 frames at most.
constexpr int BLOCKS_TO_SETTLE = 40;
constexpr int IDLE_PASSES = 400;

}  // namespace

TEST(EditorThreads, OtherThreadsOnlyLeaveMarksAndTheIdlePassShowsThem) {
    TEditorBench bench;
    APlugin& plugin = *bench.plugin;
    uEditor& editor = *bench.editor;
    std::atomic<bool> stop{false}, audioDone{false};
    std::atomic<int> unsettled{0};
    const float waveSource = (static_cast<float>(WAVE_SOURCE_STEP) + 0.1f) / plugin.getSteppedRange(SOURCE_MODE);
    plugin.setParameter(SOURCE_MODE, waveSource);
    bench.idle();

    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        int block = 0;
        auto render = [&] {
            // The host automates from its audio thread.
            plugin.setParameter(MAIN_VOLUME, static_cast<float>(block++ % 100) / 100.0f);
            plugin.processReplacing(nullptr, outputs, 256);
        };
        for (int k = 0; k < PROGRAMS; ++k) {
            TProgramRecord& program = plugin.programRecord();
            program.values[SOURCE_MODE] = waveSource;
            program.values[MOD_FX_MODE] = (static_cast<float>(k % MOD_FX_MODE_COUNT) + 0.1f) /
                                          plugin.getSteppedRange(MOD_FX_MODE);
            for (size_t i = 0; i < MOD_FX_MEMORY_TAGS.size() - 1; ++i)
                program.values[static_cast<size_t>(MOD_FX_MEMORY_TAGS[i])] = programModFXValue(k, i);
            plugin.setParameter(PROGRAM_PENDING, 1.0f);
            for (int waited = 0; waited < BLOCKS_TO_SETTLE && plugin.getIsSettingPreset(); ++waited)
                render();
            if (plugin.getIsSettingPreset())
                ++unsettled;
            // The program sounds a little before the next one comes.
            for (int i = 0; i < 4; ++i)
                render();
        }
        audioDone = true;
        while (!stop.load())
            render();
    });
    std::thread hooks([&] {
        for (int i = 0; !stop.load(); ++i) {
            TEditorHooks& hook = editor;
            hook.setParameter(i % 1024, 0.5f);
            hook.updateIdleVars();
            hook.clearUndos();
            hook.updateModFX();
            std::this_thread::yield();
        }
    });
    // The editor idles as long as the programs come, and at least IDLE_PASSES times.
    for (int pass = 0; pass < IDLE_PASSES || !audioDone.load(); ++pass) {
        bench.idle();
        if (pass % 50 == 10)
            editor.showSampleScreenControls();
        else if (pass % 50 == 35)
            editor.showMainScreen();
        std::this_thread::yield();
    }
    stop = true;
    audio.join();
    hooks.join();
    ASSERT_EQ(unsettled.load(), 0) << "programs the audio thread did not apply in time";

    // Everything applied; two idle passes later the window shows it.
    bench.applyProgram();
    bench.idle();
    bench.idle();
    EXPECT_FLOAT_EQ(editor.knobMainVolume->getValue(), plugin.getParameter(MAIN_VOLUME));
    constexpr int k = PROGRAMS - 1;
    EXPECT_EQ(editor.getModFXType(), k % MOD_FX_MODE_COUNT);
    for (size_t i = 0; i < MOD_FX_MEMORY_TAGS.size() - 1; ++i)
        EXPECT_NEAR(plugin.getParameter(MOD_FX_MEMORY_TAGS[i]), programModFXValue(k, i), 1e-6)
            << "the last program's value of " << MOD_FX_MEMORY_TAGS[i] << " stands";
    EXPECT_NEAR(editor.knobModFXMix->getValue(), programModFXValue(k, 0), 1e-6);
}

// Host automation while the editor refreshes everything it shows (rings,
// Movement markers, the scope of a noise source, hints) from a sounding
// plug-in: a value the host sets from its audio thread or from the editor's
// own thread is on its control after the next idle pass.
TEST(EditorThreads, HostAutomationFromEitherThreadShowsAtTheNextIdleWhileTheIdleReadsTheSound) {
    TEditorBench bench;
    APlugin& plugin = *bench.plugin;
    uEditor& editor = *bench.editor;
    constexpr int PAN = 3, FILTER_FREQUENCY = 28, MOVEMENT_LOOP = 40;
    plugin.setSteppedValue(SOURCE_MODE, 0);  // noise: the scope draws the output
    plugin.setOn(MOVEMENT_LOOP);
    bench.idle();
    bench.target.mouseMoved(centreOf(editor.knobFilterFrequency));  // hints read the value text

    // The audio thread renders at least MIN_BLOCKS while the editor makes its
    // passes, and on until they are done.
    constexpr int MIN_BLOCKS = 50, PASSES = 300;
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        testhost::MidiEventList note{testhost::midiMessage(0x90, 60, 100)};
        plugin.processEvents(note.events());
        for (int block = 0; block < MIN_BLOCKS || !stop.load(); ++block) {
            plugin.setParameterAutomated(FILTER_FREQUENCY, static_cast<float>(block % 97) / 96.0f);
            plugin.processReplacing(nullptr, outputs, 256);
        }
    });
    float panValue = 0;
    for (int pass = 0; pass < PASSES; ++pass) {
        // The host's own thread for the editor automates too.
        panValue = static_cast<float>(pass % 50) / 49.0f;
        plugin.setParameterAutomated(PAN, panValue);
        bench.idle();
        if (pass % 100 == 60)
            editor.showSampleScreenControls();
        else if (pass % 100 == 90)
            editor.showMainScreen();
        std::this_thread::yield();
    }
    stop = true;
    audio.join();
    editor.showMainScreen();
    bench.idle();
    EXPECT_FLOAT_EQ(editor.knobPan->getValue(), panValue) << "set on the editor's thread";
    EXPECT_FLOAT_EQ(editor.knobFilterFrequency->getValue(), plugin.getParameter(FILTER_FREQUENCY))
        << "set on the audio thread";
    EXPECT_EQ(editor.getHintName(), plugin.getParameterNameStr(FILTER_FREQUENCY));
}
