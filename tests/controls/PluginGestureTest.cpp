// The controls against the plug-in itself, built with a host callback that
// records what a host hears: gestures bracket the automation, controls
// without a parameter never reach the host, and the plug-in's own stepping
// rules meet the controls' zones.
#include <gtest/gtest.h>

#include <memory>

#include "ControlTestSupport.h"
#include "controls/ControlLook.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TMenuButton.h"
#include "controls/TOptionMenu.h"
#include "plugin/EditorHooks.h"
#include "plugin/uPlugin.h"

using namespace kgui;

namespace {
constexpr int SOURCE_SEMI = 12;
constexpr int PLAY_MODE = 5;
constexpr int MOVEMENT_SPEED = 41;
constexpr int MOVEMENT_SYNC = 42;
constexpr int MOVEMENT_AMOUNT_1 = 57;
constexpr int MOVEMENT_DESTINATION_1 = 59;

std::vector<std::string>* heard = nullptr;

vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float) {
    if (!heard)
        return 0;
    if (opcode == vst::audioMasterBeginEdit)
        heard->push_back("begin " + std::to_string(index));
    else if (opcode == vst::audioMasterEndEdit)
        heard->push_back("end " + std::to_string(index));
    else if (opcode == vst::audioMasterAutomate)
        heard->push_back("automate " + std::to_string(index));
    return 0;
}

// The editor as the plug-in sees it: it learns the edited tag.
class THookedHost : public TTestHost, public TEditorHooks {
public:
    explicit THookedHost(APlugin* plugin) : TTestHost(plugin, plugin) {}
    void setEditTag(int tag) override { editTags.push_back(tag); }
    void setParameter(int, float) override {}
    void updateIdleVars() override {}
    void updateModFX() override {}
    void clearUndos() override {}
    std::vector<int> editTags;
};

struct TPluginBench {
    TPluginBench() {
        heard = &hostLog;
        plugin = std::make_unique<APlugin>(recordingHost);
        host = new THookedHost(plugin.get());
        plugin->setEditor(host);  // the plug-in owns its editor
        host->openFrame(CRect(0, 0, 400, 300));
        hostLog.clear();
    }
    ~TPluginBench() {
        // The controls leave while the plug-in they report to still exists.
        host->closeFrame();
        plugin.reset();
        heard = nullptr;
    }
    void click(CPoint where, CButtonState buttons = kLButton) {
        clock.advance(1000);
        host->target.click(where, buttons);
    }
    TKnob* knob(int tag) {
        CPoint offset;
        auto* k = host->add(new TKnob(CRect(20, 120, 80, 180), host, tag, offset, false, 60, 0));
        k->setDefaultValue(plugin->getDefaultValue(tag));
        k->setValue(plugin->getParameter(tag));
        k->setDirty(false);
        return k;
    }

    TestClock clock;
    std::vector<std::string> hostLog;
    std::unique_ptr<APlugin> plugin;
    THookedHost* host = nullptr;
};
}  // namespace

// A knob drag: begin, the automation of every move, end; the plug-in holds
// the knob's value and the editor learned the tag for the gesture's length.
TEST(PluginGestures, KnobDragIsBracketedForTheHost) {
    TPluginBench bench;
    bench.plugin->setParameter(SOURCE_SEMI, 0.3f);
    TKnob* knob = bench.knob(SOURCE_SEMI);
    bench.host->target.mouseDown(CPoint(50, 170), kLButton);
    bench.host->target.mouseMoved(CPoint(50, 120), kLButton);
    bench.host->target.mouseMoved(CPoint(50, 70), kLButton);
    bench.host->target.mouseUp(CPoint(50, 70), kLButton);
    EXPECT_NEAR(knob->getValue(), 0.8f, 1e-5);
    EXPECT_NEAR(bench.plugin->getParameter(SOURCE_SEMI), 0.8f, 1e-5);
    EXPECT_EQ(bench.hostLog, (std::vector<std::string>{"begin 12", "automate 12", "automate 12", "automate 12",
                                                       "end 12"}));
    EXPECT_EQ(bench.host->editTags, (std::vector<int>{SOURCE_SEMI, -1}));
}

// Ctrl-click and Ctrl+Shift-click take the plug-in's default and the value of
// the program as loaded.
TEST(PluginGestures, KnobClicksTakeThePluginsValues) {
    TPluginBench bench;
    bench.plugin->setParameter(SOURCE_SEMI, 0.9f);
    TKnob* knob = bench.knob(SOURCE_SEMI);
    bench.click(CPoint(50, 150), kLButton | kControl);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(SOURCE_SEMI), bench.plugin->getDefaultValue(SOURCE_SEMI));
    bench.plugin->setParameter(SOURCE_SEMI, 0.9f);
    knob->setValue(0.9f);
    bench.click(CPoint(50, 150), kLButton | kControl | kShift);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(SOURCE_SEMI), bench.plugin->getOrigValue(SOURCE_SEMI));
    EXPECT_EQ(bench.hostLog,
              (std::vector<std::string>{"begin 12", "automate 12", "end 12", "begin 12", "automate 12", "end 12"}));
}

// A button without a parameter (tag 9999) tells the host of no gesture; the
// editor still learns of it.
TEST(PluginGestures, ControlsWithoutAParameterNeverReachTheHost) {
    TPluginBench bench;
    bench.host->add(new TKickButton(CRect(10, 10, 60, 30), bench.host, "GO", TKickButton::kText));
    bench.click(CPoint(20, 20));
    EXPECT_TRUE(bench.hostLog.empty());
    EXPECT_EQ(bench.host->editTags, (std::vector<int>{look::NO_PARAM_TAG, -1}));
    EXPECT_EQ(bench.host->values, (std::vector<float>{1, 0}));
}

// With the plug-in's own destination steps: an amount paired with "Source
// Semi" lands on multiples of 1/72.
TEST(PluginGestures, SemitoneAmountsStepInTheStore) {
    TPluginBench bench;
    bench.plugin->setSteppedValue(MOVEMENT_DESTINATION_1, 8);
    bench.plugin->setParameter(MOVEMENT_AMOUNT_1, 0.5f);
    bench.knob(MOVEMENT_AMOUNT_1);
    bench.hostLog.clear();
    bench.host->target.mouseDown(CPoint(50, 150), kLButton);
    bench.host->target.mouseMoved(CPoint(50, 139), kLButton);  // 0.555
    bench.host->target.mouseUp(CPoint(50, 139), kLButton);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(MOVEMENT_AMOUNT_1), 40.0f / 72.0f);
}

// The option menu's boxes and the speed field's ends, stepped by the plug-in.
TEST(PluginGestures, StepZonesMoveThePluginsSteps) {
    TPluginBench bench;
    bench.host->add(new TOptionMenu(CRect(100, 50, 220, 67), bench.host, PLAY_MODE, nullptr, nullptr, 256, true,
                                    true));
    bench.click(CPoint(215, 58));
    EXPECT_EQ(bench.plugin->getSteppedValue(PLAY_MODE), 1);
    bench.click(CPoint(215, 58), kLButton | kShift);
    EXPECT_EQ(bench.plugin->getSteppedValue(PLAY_MODE), 7);
    bench.click(CPoint(105, 58));
    EXPECT_EQ(bench.plugin->getSteppedValue(PLAY_MODE), 6);
    EXPECT_EQ(bench.hostLog, (std::vector<std::string>{"automate 5", "automate 5", "automate 5"}));

    bench.host->add(new TMenuButton(CRect(100, 80, 220, 97), bench.host, "", TMenuButton::kMoveSpeedMenu, false, true));
    struct Case {
        bool synced;
        double x;
        float expectedValue;
        int expectedPeriod;  // -1: not synced
    } cases[] = {
        {true, 105, 0.1f / 33.99f, 0},
        {true, 215, 33.1f / 33.99f, 33},
        {false, 105, 0.0f, -1},
        {false, 215, 1.0f, -1},
    };
    for (const Case& c : cases) {
        bench.plugin->setParameter(MOVEMENT_SYNC, c.synced ? 1.0f : 0.0f);
        bench.plugin->setParameter(MOVEMENT_SPEED, 0.5f);
        bench.click(CPoint(c.x, 88), kLButton | kShift);
        EXPECT_FLOAT_EQ(bench.plugin->getParameter(MOVEMENT_SPEED), c.expectedValue) << c.synced << c.x;
        if (c.expectedPeriod >= 0) {
            EXPECT_EQ(bench.plugin->getSteppedValue(MOVEMENT_SPEED, 33.99f, 34), c.expectedPeriod);
        }
    }
}

// The program arrows ask for no step while the plug-in applies a program, and
// do again once the audio thread has applied it.
TEST(PluginGestures, ProgramArrowsWaitWhileAProgramIsApplied) {
    TPluginBench bench;
    auto* preset = bench.host->add(
        new TOptionMenu(CRect(100, 50, 250, 67), bench.host, look::NO_PARAM_TAG, nullptr, nullptr, 256, true, false));
    preset->setPresetMenu();
    bench.plugin->setProgram(0);
    ASSERT_TRUE(bench.plugin->getIsSettingPreset());
    bench.click(CPoint(249, 58));
    bench.host->target.wheel(CPoint(200, 58), 1);
    EXPECT_TRUE(bench.host->log.empty());

    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    for (int block = 0; block < 20 && bench.plugin->getIsSettingPreset(); ++block)
        bench.plugin->processReplacing(nullptr, outputs, 512);
    ASSERT_FALSE(bench.plugin->getIsSettingPreset());
    bench.click(CPoint(249, 58));
    EXPECT_EQ(bench.host->log, std::vector<std::string>{"changeProgramDelta 1"});
}
