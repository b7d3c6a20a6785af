// Every read-out of the editor services, read on the editor's thread while
// the audio thread plays notes with a looping Movement and a ribbon that
// springs back (started by a controller and by the editor). The audio thread
// publishes what the editor reads and takes the editor's spring requests at
// its next block, so a ThreadSanitizer build reports nothing; every build
// checks that the values stay in their ranges and really follow the sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/uPlugin.h"
#include "plugin_test_access.h"
#include "tools/testhost/MidiEventList.h"

namespace {

constexpr int BLOCK = 256;
constexpr int RIBBON_VALUE = 123, RIBBON_BIPOLAR = 124, RIBBON_SPRING_TIME = 125;
constexpr int RIBBON_CONTROLLER = 30;
// "Velocity to Volume": its knob ring shows the knob plus its destination's sum.
constexpr int MODULATED_KNOB = 2, MODULATED_DESTINATION = 2;

using testhost::midiMessage;

void send(APlugin& plugin, const vst::VstMidiEvent& event) {
    testhost::MidiEventList list{event};
    plugin.processEvents(list.events());
}

bool inUnitRange(float x) { return x >= 0.0f && x <= 1.0f; }

// What one pass of the editor's thread saw.
struct TSeen {
    int passes = 0;
    int outOfRange = 0;
    bool movementRunning = false;  // a sounding voice's Movement phase
    bool scopeMoved = false;       // a scope point away from the centre line
    bool modulatedKnob = false;    // a knob ring away from its knob
};

// Reads everything TEditorServices (and its sample library) offers to read, once.
void readEveryReadOut(TEditorServices& services, int pass, TSeen& seen) {
    const auto check = [&seen](bool inRange) { seen.outOfRange += inRange ? 0 : 1; };
    const int tag = pass % 1024;

    // Parameters, their attributes and texts.
    check(inUnitRange(services.getParameter(tag)));
    services.getOnOff(tag);
    check(inUnitRange(services.getDefaultValue(tag)));
    services.getZeroValue(tag);
    services.getOrigValue(tag);
    services.getParamType(tag);
    services.getTagDest(tag);
    services.getHasControl(tag);
    services.getSteppedNum(tag);
    services.getSteppedRange(tag);
    check(services.getSteppedValue(tag) >= 0);
    check(!services.getParameterDisplayStr(tag).empty());
    check(!services.getParameterNameStr(tag).empty());
    services.getSrcShortStr(pass % 63);

    // Programs and the editor's hand-off.
    services.getNumBuiltinPrograms();
    services.getCurBuiltinProgram();
    services.getDemoName(0);
    services.getIsSettingPreset();
    services.getEditChanged();
    services.getPopupActive();
    services.takeEditorRequests();
    std::vector<int> tags;
    services.takeChangedTags(tags);
    services.getManualPath();

    // The user sample and the browser.
    TSampleServices& samples = services.getSampleServices();
    samples.getSampleLoaded();
    samples.getSampleLength(194);
    samples.getSampleStart(194);
    samples.getSampleLoopStart(194);
    samples.getSampleLoopEnd(194);
    float left = 0, right = 0;
    samples.getSampleDisplayValue(0.5f, left, right);
    samples.getSampleVol();
    samples.getLoadedSampleDisplayNameStr();
    samples.getLoadedSampleFolderNameStr();
    samples.getBadSampleStr();
    samples.getSampleFolderStr();
    samples.getExternalSampleDirStr();
    samples.getNumOfSubFoldersInSampleFolder();
    samples.getSampleSubFolderDisplayNameStr(0);
    samples.getCurSampleFolderDisplayNameStr();
    samples.getNumOfSamplesInSampleFolder();
    samples.getSampleNoDisplayNameStr(0);
    samples.getSampleNo();

    // Tuning, modulation, Movement, the displays and the ribbon.
    check(!services.getTuningName().empty());
    services.getModDest(115);
    services.getModSlotDest(0);
    services.getModSrcByModStr(pass % 8);
    for (int knob = 0; knob < 1024; ++knob) {
        const float shown = services.getModValue(knob);
        check(inUnitRange(shown));
        if (knob == MODULATED_KNOB && std::fabs(shown - services.getParameter(knob)) > 0.01f) seen.modulatedKnob = true;
    }
    check(inUnitRange(services.getMovementValue(pass % 4, static_cast<float>(pass % 100) / 100.0f)));
    const float phase = services.getMovementPos();
    check(phase == -1.0f || inUnitRange(phase));
    seen.movementRunning = seen.movementRunning || phase >= 0.0f;
    check(inUnitRange(services.getPan()));
    services.getLockState();
    check(inUnitRange(services.getLockVar(41)));
    services.getGaterPos();
    std::vector<float> scope(300);
    services.getWaveDisplay(static_cast<int>(scope.size()), 1.0f, scope.data());
    for (float point : scope) {
        check(inUnitRange(point));
        if (std::fabs(point - 0.5f) > 0.01f) seen.scopeMoved = true;
    }
    services.getRibbonQuant();
    services.getRibbonSpringTime();

    // The user lets the ribbon go and grabs it again.
    if (pass % 2 == 0)
        services.setRibbonSpringOn();
    else
        services.setRibbbonSpringOff();
    ++seen.passes;
}

TEST(EditorReadoutsThreads, EveryReadOutWhileNotesRibbonAndMovementRun) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(BLOCK);
    plugin->setParameter(40, 1.0f);   // the Movement loops
    plugin->setParameter(41, 0.7f);   // fast
    plugin->setParameter(53, 0.9f);   // and moves the pan
    plugin->setSteppedValue(111, 39);  // slot 1: Movement
    plugin->setSteppedValue(115, MODULATED_DESTINATION);
    plugin->setParameter(119, 0.9f);
    plugin->setParameter(MODULATED_KNOB, 0.5f);
    plugin->setParameter(RIBBON_BIPOLAR, 1.0f);
    plugin->setSteppedValue(RIBBON_SPRING_TIME, 2);  // springs back in a 48th of a bar
    TPluginTestAccess::engine(*plugin).bindController(RIBBON_CONTROLLER, RIBBON_VALUE);
    plugin->resume();

    // The audio thread plays 600 blocks, and on until the editor's thread has
    // made 30 passes and seen the sound move, however the two are scheduled;
    // MAX_BLOCKS is plenty for that, and a bound if the sound never moves.
    constexpr int MAX_BLOCKS = 20000;
    std::atomic<bool> rendering{true};
    std::atomic<int> uiPasses{0};
    std::atomic<bool> soundSeen{false};
    std::atomic<int> badFrames{0};
    std::thread audio([&] {
        std::vector<float> left(BLOCK), right(BLOCK);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 600 || uiPasses.load() < 30 || (!soundSeen.load() && block < MAX_BLOCKS);
             ++block) {
            if (block % 12 == 0) send(*plugin, midiMessage(0x90, 48 + block % 24, 100));
            if (block % 12 == 9) send(*plugin, midiMessage(0x80, 48 + (block - 9) % 24, 0));
            if (block % 20 == 5) send(*plugin, midiMessage(0xB0, RIBBON_CONTROLLER, block % 128));
            plugin->processReplacing(nullptr, outputs, BLOCK);
            for (int i = 0; i < BLOCK; ++i)
                if (!(std::fabs(left[i]) <= 0.99f && std::fabs(right[i]) <= 0.99f)) badFrames.fetch_add(1);
        }
        rendering = false;
    });

    TSeen seen;
    while (rendering.load()) {
        readEveryReadOut(*plugin, seen.passes, seen);
        uiPasses.store(seen.passes);
        soundSeen.store(seen.movementRunning && seen.scopeMoved && seen.modulatedKnob);
    }
    audio.join();

    EXPECT_GE(seen.passes, 30);
    EXPECT_EQ(seen.outOfRange, 0) << "read-outs beyond their ranges";
    EXPECT_EQ(badFrames.load(), 0) << "frames that were not finite or beyond the clamp";
    EXPECT_TRUE(seen.movementRunning) << "the Movement phase of a sounding voice was never shown";
    EXPECT_TRUE(seen.scopeMoved) << "the scope never showed the sound";
    EXPECT_TRUE(seen.modulatedKnob) << "the knob's ring never showed the Movement";
}

// The editor's spring requests act at the audio thread's next block, and the
// last request before that block is the one that counts.
TEST(EditorReadouts, SpringRequestsActAtTheNextBlock) {
    struct Case {
        const char* why;
        bool on, thenOff;
        float after;  // the ribbon after one block, from 0.9 with the rest at 0.5
    } cases[] = {
        {"spring on: an instant spring is home", true, false, 0.5f},
        {"spring on, then off before the block: stays", true, true, 0.9f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<APlugin>(nullptr);
        plugin->setParameter(RIBBON_BIPOLAR, 1.0f);
        plugin->setSteppedValue(RIBBON_SPRING_TIME, 1);  // instant
        std::vector<float> left(BLOCK), right(BLOCK);
        float* outputs[2] = {left.data(), right.data()};
        plugin->processReplacing(nullptr, outputs, BLOCK);
        plugin->setParameter(RIBBON_VALUE, 0.9f);
        if (c.on) plugin->setRibbonSpringOn();
        if (c.thenOff) plugin->setRibbbonSpringOff();
        EXPECT_FLOAT_EQ(plugin->getParameter(RIBBON_VALUE), 0.9f) << "nothing moves before the block";
        plugin->processReplacing(nullptr, outputs, BLOCK);
        EXPECT_FLOAT_EQ(plugin->getParameter(RIBBON_VALUE), c.after);
    }
}

}  // namespace
