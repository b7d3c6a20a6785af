// The plug-in as the controls and the editor see it, through TEditorServices
// only: marks and requests handed across threads, stepping by changeDelta,
// the program hand-off and the neutral answers of what is not built yet.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "plugin/EditorHooks.h"
#include "plugin/uPlugin.h"

namespace {

// An editor that counts the calls the plug-in makes into it.
struct CountingEditor : AEffEditor, TEditorHooks {
    explicit CountingEditor(AudioEffect* effect) : AEffEditor(effect) {}
    void setEditTag(int tag) override { editTags.push_back(tag); }
    void setParameter(int, float) override { ++parameterCalls; }
    void updateIdleVars() override { ++otherCalls; }
    void updateModFX() override { ++modFXUpdates; }
    void clearUndos() override { ++otherCalls; }
    std::vector<int> editTags;
    int parameterCalls = 0, otherCalls = 0, modFXUpdates = 0;
};

void renderBlocks(APlugin& plugin, int blocks) {
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    for (int i = 0; i < blocks; ++i) plugin.processReplacing(nullptr, outputs, 512);
}

TEST(EditorServicesThreads, TagsStoredOnAnotherThreadAreTakenOnceEach) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    TEditorServices& services = *plugin;
    std::vector<int> taken;
    services.takeChangedTags(taken);
    taken.clear();

    // One thread stores every tag from 1 to 1020 while this one takes the
    // marks as the editor's idle pass does: each tag must arrive, and none twice.
    constexpr int LAST_TAG = NEVER_COPIED_TAG - 1;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int tag = 1; tag <= LAST_TAG; ++tag) plugin->setParameter(tag, 0.25f);
        done = true;
    });
    std::vector<int> seen(LAST_TAG + 1, 0);
    for (bool finished = false; !finished;) {
        finished = done.load();
        taken.clear();
        services.takeChangedTags(taken);
        for (int i = 1; i < static_cast<int>(taken.size()); ++i) ASSERT_LT(taken[i - 1], taken[i]) << "ascending";
        for (int tag : taken) ++seen[static_cast<std::size_t>(tag)];
    }
    writer.join();
    taken.clear();
    services.takeChangedTags(taken);
    for (int tag : taken) ++seen[static_cast<std::size_t>(tag)];
    for (int tag = 1; tag <= LAST_TAG; ++tag) EXPECT_EQ(seen[static_cast<std::size_t>(tag)], 1) << tag;
}

TEST(EditorServicesThreads, ProgramAppliedOnTheAudioThreadRaisesRequestsNotCalls) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    auto* editor = new CountingEditor(plugin.get());
    plugin->setEditor(editor);
    int window = 0;
    editor->open(&window);
    plugin->setEditorOpenState(false, true);
    ASSERT_TRUE(plugin->isEditorOpen());
    plugin->takeEditorRequests();

    // The program is applied at the audio thread's next housekeeping frame.
    plugin->setProgram(0);
    EXPECT_TRUE(plugin->getIsSettingPreset());
    std::thread audio([&] { renderBlocks(*plugin, 20); });
    audio.join();
    EXPECT_FALSE(plugin->getIsSettingPreset()) << "applied and its screen update delivered";
    EXPECT_EQ(editor->parameterCalls, 0) << "1,024 stores, not one editor call";
    EXPECT_EQ(editor->otherCalls, 0);

    const TEditorRequests requests = plugin->takeEditorRequests();
    EXPECT_TRUE(requests.redraw);
    EXPECT_TRUE(requests.modFXModeTaken);
    EXPECT_TRUE(requests.clearUndos);
    const TEditorRequests again = plugin->takeEditorRequests();
    EXPECT_FALSE(again.redraw || again.modFXModeTaken || again.clearUndos) << "requests are taken once";
    std::vector<int> tags;
    plugin->takeChangedTags(tags);
    EXPECT_EQ(tags.size(), 1024u) << "every tag of the program is marked";
    editor->close();
}

TEST(EditorServices, ChangeDeltaStepsByTheKindOfParameter) {
    const struct {
        int tag;
        float before;
        int delta;
        bool fine;
        float amount;
        float expected;
        const char* why;
    } cases[] = {
        {1, 0.5f, 1, false, 1.0f, 0.51f, "a continuous value moves by a hundredth"},
        {1, 0.5f, -2, true, 1.0f, 0.498f, "fine moves by a thousandth"},
        {1, 0.5f, 1, false, 10.0f, 0.6f, "the amount scales the step"},
        {1, 0.995f, 1, false, 1.0f, 1.0f, "held at the top"},
        {5, (2 + 0.1f) / 7.99f, 1, false, 1.0f, (3 + 0.1f) / 7.99f, "a menu takes the next step"},
        {5, (7 + 0.1f) / 7.99f, 1, false, 1.0f, (7 + 0.1f) / 7.99f, "the last step of Play Mode is kept"},
        {5, (0 + 0.1f) / 7.99f, -1, false, 1.0f, (0 + 0.1f) / 7.99f, "the first step is kept"},
        {11, 0.0f, 0, false, 1.0f, 1.0f, "a switch is on for a delta of 0 or more"},
        {11, 1.0f, -1, false, 1.0f, 0.0f, "and off below"},
    };
    for (const auto& c : cases) {
        auto plugin = std::make_unique<APlugin>(nullptr);
        plugin->setParameter(c.tag, c.before);
        plugin->changeDelta(c.tag, c.delta, c.fine, c.amount);
        EXPECT_NEAR(plugin->getParameter(c.tag), c.expected, 1e-6f) << c.why;
    }

    // A synced Movement speed steps through the 34 note lengths.
    auto plugin = std::make_unique<APlugin>(nullptr);
    plugin->setParameter(42, 1.0f);
    plugin->setSteppedValue(41, 5, 33.99f, 34);
    plugin->changeDelta(41, 1, false, 1.0f);
    EXPECT_EQ(plugin->getSteppedValue(41, 33.99f, 34), 6);
    // The sample loop mode's reversed step switches Sample Reverse on, any other off.
    plugin->setSteppedValue(244, 2);
    plugin->changeDelta(244, 1, false, 1.0f);
    EXPECT_TRUE(plugin->getOnOff(20));
    plugin->changeDelta(244, -1, false, 1.0f);
    EXPECT_FALSE(plugin->getOnOff(20));
    plugin->changeDelta(2000, 1, false, 1.0f);  // no such tag: nothing, no crash
}

TEST(EditorServices, ModFXModeStepTellsAnOpenEditorAtOnce) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    auto* editor = new CountingEditor(plugin.get());
    plugin->setEditor(editor);
    plugin->changeDelta(82, 1, false, 1.0f);
    EXPECT_EQ(editor->modFXUpdates, 0) << "a closed editor is not told";
    int window = 0;
    editor->open(&window);
    plugin->setEditorOpenState(false, true);
    plugin->changeDelta(82, 1, false, 1.0f);
    EXPECT_EQ(plugin->getSteppedValue(82), 2);
    EXPECT_EQ(editor->modFXUpdates, 1);
    plugin->beginEdit(28);
    plugin->endEdit(28);
    EXPECT_EQ(editor->editTags, (std::vector<int>{28, -1})) << "the edited control follows the gesture";
    editor->close();
}

TEST(EditorServices, WhatIsNotBuiltYetAnswersNeutralValues) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    TEditorServices& services = *plugin;
    TSampleServices& samples = services.getSampleServices();
    EXPECT_FALSE(samples.getSampleLoaded());
    EXPECT_EQ(samples.getSampleNo(), -1);
    EXPECT_EQ(samples.getNumOfSamplesInSampleFolder(), 0);
    EXPECT_EQ(samples.getBadSampleStr(), "!") << "no failed load to report";
    EXPECT_EQ(services.getNumBuiltinPrograms(), 70) << "the built-in bank is there";
    EXPECT_EQ(services.getTuningName(), "Standard Tuning");
    EXPECT_EQ(services.getZeroValue(1), 0.75f);
    EXPECT_TRUE(services.getHasControl(28));
    EXPECT_FALSE(services.getHasControl(-1));
    EXPECT_NEAR(samples.getSampleVol(), 1.0f, 1e-6f) << "Sample Volume's default is 0 dB";
}

// The modulation slots as the editor's menus use them (moved here from the
// engine's route tests when the slot menus became the plug-in's operations).
TEST(EditorServices, ModulationSlotQueriesAndSetters) {
    constexpr int SLOT_BYPASS = 107, SLOT_SOURCE = 111, SLOT_DEST = 115, SLOT_AMOUNT = 119;
    auto plugin = std::make_unique<APlugin>(nullptr);
    plugin->setModSlotVar(2, true, 0.3f, 17, 28);
    EXPECT_TRUE(plugin->getOnOff(SLOT_BYPASS + 2));
    EXPECT_NEAR(plugin->getParameter(SLOT_AMOUNT + 2), 0.3f, 1e-6f);
    EXPECT_EQ(plugin->getModSrc(SLOT_SOURCE + 2), 17);
    EXPECT_EQ(plugin->getModSlotDest(2), 28);
    EXPECT_EQ(plugin->getModDest(SLOT_DEST + 2), 28);
    EXPECT_EQ(plugin->getModSlotDest(4), 0);
    EXPECT_EQ(plugin->getModSlotDest(-1), 0);
    EXPECT_EQ(plugin->getModDest(1024), 0);
    plugin->setModSlotVar(4, true, 1.0f, 1, 1);  // no fifth slot: nothing changes
    EXPECT_EQ(plugin->getModSrcByModStr(2), "Velocity");
    EXPECT_EQ(plugin->getModSrcByModStr(4), "Movement Destination 1");
    EXPECT_EQ(plugin->getModSrcByModStr(7), "Free LFO Destination 2");
    EXPECT_EQ(plugin->getModSrcByModStr(8), "");
    EXPECT_EQ(plugin->getModSrcByModStr(-1), "");
}

}  // namespace
