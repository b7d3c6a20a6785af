// The command menus of the knobs, the ribbon and the top bar's menu buttons,
// opened by real clicks and answered by scripted choices: the parameter menu's
// values, lists, MIDI learn and modulation, the ECS and Movement speed menus,
// the settings menu, and a knob dragged onto a destination menu.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>

#include "EditorTestSupport.h"
#include "controls/THSlider.h"
#include "controls/TKnob.h"
#include "controls/TMenuButton.h"
#include "controls/TOptionMenu.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"
#include "engine/EnginePreferences.h"

using namespace editor_test;
using kgui::CPoint;
using kgui::MenuSnapshot;

namespace {

constexpr int SOURCE_MODE = 10, SOURCE_SEMI = 12, WAVE_MIX = 15, FILTER_MODE = 27, FILTER_FREQUENCY = 28;
constexpr int FILTER_MIX = 31, MOVEMENT_SPEED = 41, MOVEMENT_SYNC = 42, FREE_LFO_SYNC = 64, MOD_FX_MODE = 82;
constexpr int MOD_FX_SYNC = 83, MOD_FX_SPEED = 85, DELAY_SYNC = 91, DELAY_LEFT = 94;
constexpr int SLOT_BYPASS = 107, SLOT_SOURCE = 111, SLOT_DEST = 115, SLOT_AMOUNT = 119;

// What the host heard of automation: tag and value.
std::vector<std::pair<int, float>>* automations = nullptr;

vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float value) {
    if (opcode == vst::audioMasterVersion)
        return 2400;
    if (opcode == vst::audioMasterAutomate && automations)
        automations->push_back({index, value});
    return 0;
}

// The plug-in, noting the requests whose work lies in modal windows.
class TMenuPlugin : public APlugin {
public:
    TMenuPlugin() : APlugin(recordingHost) {}
    void setNumValue(int tag) override {
        typed.push_back(tag);
        APlugin::setNumValue(tag);
    }
    void loadECS() override {
        ecsCalls.push_back("load");
        APlugin::loadECS();
    }
    void saveECS() override {
        ecsCalls.push_back("save");
        APlugin::saveECS();
    }
    std::vector<int> typed;
    std::vector<std::string> ecsCalls;
};

struct TMenuBench : TEditorBench {
    TMenuBench() : TEditorBench(0, true, [] { return std::make_unique<TMenuPlugin>(); }) {
        automations = &heard;
        editor->showMainScreen();
        idle();
    }
    ~TMenuBench() { automations = nullptr; }
    TMenuBench(const TMenuBench&) = delete;
    TMenuBench& operator=(const TMenuBench&) = delete;

    TMenuPlugin& observed() { return static_cast<TMenuPlugin&>(*plugin); }

    // Clicks the view (right button: a parameter's menu) and answers the
    // menu it opens with path; an empty path dismisses it. The menu as shown.
    MenuSnapshot openMenu(kgui::CView* view, const std::vector<std::string>& path,
                          kgui::CButtonState buttons = kgui::kRButton) {
        const size_t shownBefore = target.getShownMenus().size();
        if (path.empty())
            target.dismissNext();
        else
            target.chooseNext(path);
        clock.advance(1000);
        target.mouseDown(centreOf(view), buttons);
        target.mouseUp(centreOf(view), buttons);
        idle();
        EXPECT_TRUE(target.getUnresolvedChoices().empty()) << "no entry " << path.back();
        if (target.getShownMenus().size() == shownBefore) {
            ADD_FAILURE() << "no menu was shown";
            return {};
        }
        return target.getShownMenus().back();
    }

    bool heardAutomation(int tag, float value) const {
        for (auto [heardTag, heardValue] : heard)
            if (heardTag == tag && heardValue == value)
                return true;
        return false;
    }
    bool heardAutomationOf(int tag) const {
        for (auto [heardTag, heardValue] : heard)
            if (heardTag == tag)
                return true;
        return false;
    }

    void controller(int number, int value) {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        vst::VstMidiEvent event{};
        event.type = vst::kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = static_cast<char>(0xB0);
        event.midiData[1] = static_cast<char>(number);
        event.midiData[2] = static_cast<char>(value);
        vst::VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::VstEvent*>(&event);
        plugin->processEvents(&list);
        plugin->processReplacing(nullptr, outputs, 64);
    }

    // No slot, Movement or Free LFO destination aims anywhere.
    void clearRoutes() {
        for (int slot = 0; slot < 4; ++slot)
            plugin->setModSlotVar(slot, false, 0.5f, 0, 0);
        for (int tag : {59, 60, 73, 74})
            plugin->setSteppedValue(tag, 0);
    }

    std::vector<std::pair<int, float>> heard;
};

std::vector<std::string> titles(const MenuSnapshot& menu) {
    std::vector<std::string> list;
    for (const MenuSnapshot::Entry& entry : menu.entries)
        list.push_back(entry.separator ? "-" : entry.title);
    return list;
}

// The entry after the one titled heading, or empty.
std::string entryAfter(const MenuSnapshot& menu, const std::string& heading) {
    for (size_t i = 0; i + 1 < menu.entries.size(); ++i)
        if (menu.entries[i].title == heading)
            return menu.entries[i + 1].title;
    return {};
}

// A menu parameter to a step, a switch on (1) or off (0); then the idle
// passes that bring the panels in line (a mode change may bring remembered
// settings with it, so one setting at a time).
void setStepOrSwitch(TEditorBench& bench, int tag, int value) {
    if (bench.plugin->getSteppedNum(tag) > 0)
        bench.plugin->setSteppedValue(tag, value);
    else
        bench.plugin->setParameter(tag, static_cast<float>(value));
    bench.idle();
    bench.idle();
}

std::string storedText(const std::string& key) {
    std::string value;
    loadStringFromPrefs(key, value, 127);
    return value;
}

}  // namespace

// ---------------------------------------------------------------- the parameter menu

TEST(ParameterMenu, ShowsWhatTheParameterIsAndWhichControllerMovesIt) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    bench.plugin->setParameter(FILTER_FREQUENCY, 0.25f);
    MenuSnapshot shown = bench.openMenu(e.knobFilterFrequency, {});
    ASSERT_GE(shown.entries.size(), 4u);
    EXPECT_EQ(shown.entries[0].title, "Control and MIDI Command Menu");
    EXPECT_EQ(shown.entries[1].title, "Filter Frequency: " + bench.plugin->getParameterDisplayStr(FILTER_FREQUENCY));
    EXPECT_EQ(shown.entries[2].title, "Not MIDI Latched");
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(shown.entries[static_cast<size_t>(i)].enabled) << "information lines are not commands";
    const CPoint mouse = centreOf(e.knobFilterFrequency);
    EXPECT_EQ(shown.anchor, kgui::CRect(mouse.x - 8, mouse.y - 8, mouse.x + 8, mouse.y + 8));
    const MenuSnapshot::Entry* hint = shown.find({"Dial Control Information", "Right Click: Show this Menu"});
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->enabled);
    EXPECT_EQ(shown.find({"Set To Destination"}), nullptr) << "only the ribbon picks a destination";

    // Two controllers on one parameter: the lower number is named.
    setMIDICC(90, FILTER_FREQUENCY);
    setMIDICC(17, FILTER_FREQUENCY);
    shown = bench.openMenu(e.knobFilterFrequency, {});
    EXPECT_EQ(shown.entries[2].title, "Latched to MIDI CC: 17");

    // The ribbon's menu says so, and a parameter without a destination has no
    // modulation lines, separator or commands.
    shown = bench.openMenu(e.ribbonSlider, {});
    EXPECT_NE(shown.find({"Slider Control Information"}), nullptr);
    auto* unrouted = new kgui::COptionMenu(kgui::CRect(0, 0, 10, 10), nullptr, 245);  // "Sample Volume"
    ASSERT_EQ(bench.plugin->getTagDest(245), 0);
    bench.target.dismissNext();
    e.showMIDIMenu(unrouted, false);
    shown = bench.target.getShownMenus().back();
    EXPECT_EQ(shown.entries[3].title, "Dial Control Information") << "no modulation line, no separator";
    EXPECT_EQ(shown.find({"Clear Modulation"}), nullptr);
    EXPECT_EQ(shown.find({"Modulate by MIDI Sources"}), nullptr);
    unrouted->forget();
}

TEST(ParameterMenu, ValueCommandsReachTheHost) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    const int tag = FILTER_FREQUENCY;
    constexpr float START = 0.3f;
    struct Case {
        const char* command;
        float expected;
        const char* reason;
    } cases[] = {
        {"Set to Default Value", plugin.getDefaultValue(tag), "the parameter's default"},
        {"Set to Original Value", plugin.getOrigValue(tag), "the program as loaded"},
        {"Set to Zero Value", plugin.getZeroValue(tag), "the parameter's own zero"},
        {"Set to Minimum Value", 0.0f, "bottom of the range"},
        {"Set to Maximum Value", 1.0f, "top of the range"},
        {"Set to Mid Value", 0.5f, "centre"},
        {"Increase Value", START + 0.01f, "one coarse step up"},
        {"Decrease Value", START - 0.01f, "one coarse step down"},
    };
    for (const Case& c : cases) {
        plugin.setParameter(tag, START);
        bench.heard.clear();
        bench.openMenu(e.knobFilterFrequency, {c.command});
        EXPECT_NEAR(plugin.getParameter(tag), c.expected, 1e-6f) << c.reason;
        EXPECT_TRUE(bench.heardAutomation(tag, plugin.getParameter(tag))) << c.command << ": the host is told";
        EXPECT_NEAR(e.knobFilterFrequency->getValue(), c.expected, 1e-6f) << "the knob follows";
    }

    // A random value lies in the range and differs from time to time.
    std::vector<float> randoms;
    for (int i = 0; i < 8; ++i) {
        bench.heard.clear();
        bench.openMenu(e.knobFilterFrequency, {"Set to Random Value"});
        const float value = plugin.getParameter(tag);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << value;
        EXPECT_TRUE(bench.heardAutomationOf(tag));
        randoms.push_back(value);
    }
    EXPECT_GT(std::set<float>(randoms.begin(), randoms.end()).size(), 1u);

    // The typed value is the plug-in's input window.
    bench.openMenu(e.knobFilterFrequency, {"Set to Value"});
    EXPECT_EQ(bench.observed().typed, std::vector<int>{tag});
}

TEST(ParameterMenu, ListEntriesSetTheirExactValueWithoutAutomation) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    // Each row: what to set before, the knob, the path chosen, the parameter and its value.
    struct Case {
        std::vector<std::pair<int, int>> setup;  // a step, or 0/1 for a switch
        TKnob* uEditor::*knob;
        std::vector<std::string> path;
        int tag;
        float expected;
        const char* reason;
    } cases[] = {
        {{{SOURCE_MODE, 3}}, &uEditor::knobWaveMix, {"Set to Saw Wave"}, WAVE_MIX, 0.3333f, "a shape"},
        {{}, &uEditor::knobSourceSemi2, {"-48 to -25 Semi", "-25 Semi"}, SOURCE_SEMI, 0.24224147f, "-25 semitones"},
        {{}, &uEditor::knobSourceSemi2, {"0 Semi"}, SOURCE_SEMI, 0.5f, "no transposition, at the top level"},
        {{}, &uEditor::knobSourceSemi2, {"25 to 48 Semi", "48 Semi"}, SOURCE_SEMI, 48.0f / 96.99f + 0.5f, "4 octaves"},
        {{{FILTER_MODE, 27}}, &uEditor::knobFilterVowelMix, {"Set to Vowel", FILTER_VOWEL_STR[2]},
         FILTER_MIX, 0.42084169f, "the third vowel"},
        {{{FILTER_MODE, 24}}, &uEditor::knobFilterVowelMix, {"Set to LP/BP/HP Filter", "BP Filter"},
         FILTER_MIX, 0.5f, "band pass of the three"},
        {{{FILTER_MODE, 11}}, &uEditor::knobFilterVowelMix, {"Set to LP/HP Filter", "HP Filter"},
         FILTER_MIX, 1.0f, "high pass of the two"},
        {{{MOVEMENT_SYNC, 1}}, &uEditor::knobMovementSpeed, {"Set Speed", LFO_PERIOD_STR[0]}, MOVEMENT_SPEED,
         0.1f / 33.99f, "the first period"},
        {{{FREE_LFO_SYNC, 1}}, &uEditor::knobFreeLFOSpeed, {"Set Speed", LFO_PERIOD_STR[33]}, 63, 33.1f / 33.99f,
         "the last period"},
        {{{MOD_FX_MODE, MOD_FX_GATOR_MODE}}, &uEditor::knobModFX1, {"Set Speed", GATER_PERIOD_STR[7]}, MOD_FX_SPEED,
         7.1f / 33.99f, "the Gator's periods, sync or not"},
        {{{MOD_FX_MODE, 0}, {MOD_FX_SYNC, 1}}, &uEditor::knobModFX1, {"Set Speed", LFO_PERIOD_STR[7]},
         MOD_FX_SPEED, 7.1f / 33.99f, "a synced chorus"},
        {{{DELAY_SYNC, 1}}, &uEditor::knobDelayLeft, {"Set Length", DELAY_LEN_STR[14]}, DELAY_LEFT, 14.1f / 14.99f,
         "the longest synced delay"},
    };
    for (const Case& c : cases) {
        for (auto [tag, value] : c.setup)
            setStepOrSwitch(bench, tag, value);
        plugin.setParameter(c.tag, 0.77f);
        bench.heard.clear();
        bench.openMenu(e.*c.knob, c.path);
        EXPECT_FLOAT_EQ(plugin.getParameter(c.tag), c.expected) << c.reason;
        EXPECT_FALSE(bench.heardAutomationOf(c.tag)) << c.reason << ": a list entry is not automation";
    }

    // Where the parameter has no such list, none is offered.
    struct Absent {
        std::vector<std::pair<int, int>> setup;  // a step, or 0/1 for a switch
        TKnob* uEditor::*knob;
        const char* title;
        const char* reason;
    } absent[] = {
        {{{MOD_FX_MODE, 7}, {MOD_FX_SYNC, 1}}, &uEditor::knobModFX1, "Set Speed", "AutoPan"},
        {{{MOVEMENT_SYNC, 0}}, &uEditor::knobMovementSpeed, "Set Speed", "a free speed"},
        {{{FILTER_MODE, 1}}, &uEditor::knobFilterVowelMix, "Set to Vowel", "a plain filter"},
        {{{DELAY_SYNC, 0}}, &uEditor::knobDelayLeft, "Set Length", "a free delay"},
    };
    for (const Absent& c : absent) {
        for (auto [tag, value] : c.setup)
            setStepOrSwitch(bench, tag, value);
        const MenuSnapshot shown = bench.openMenu(e.*c.knob, {});
        EXPECT_EQ(shown.find({c.title}), nullptr) << c.reason;
        EXPECT_EQ(shown.find({"Set to LP/HP Filter"}), nullptr) << c.reason;
    }
}

TEST(ParameterMenu, LatchedControllerMovesTheParameterUntilUnlatched) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    // Without soft takeover every controller message moves the parameter.
    saveBoolToPrefs(REG_MIDI_CAPTURE_STR, false);
    bench.plugin->setParameter(FILTER_FREQUENCY, 0.2f);

    bench.openMenu(e.knobFilterFrequency, {"Latch to MIDI"});
    bench.controller(20, 100);
    EXPECT_EQ(getMIDICC(20), FILTER_FREQUENCY) << "the next controller was learned";
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 100 / 127.0f);
    bench.controller(20, 50);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 50 / 127.0f);
    EXPECT_EQ(bench.openMenu(e.knobFilterFrequency, {}).entries[2].title, "Latched to MIDI CC: 20");

    bench.openMenu(e.knobFilterFrequency, {"Unlatch MIDI"});
    EXPECT_EQ(getMIDICC(20), 0);
    bench.controller(20, 127);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 50 / 127.0f) << "no longer bound";

    // A number typed binds that controller.
    bench.settings.typedAnswers = {"7"};
    bench.openMenu(e.knobFilterFrequency, {"Set MIDI CC"});
    EXPECT_EQ(getMIDICC(7), FILTER_FREQUENCY);
    bench.controller(7, 127);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 1.0f);
    bench.openMenu(e.knobFilterFrequency, {"Clear All MIDI"});
    EXPECT_EQ(getMIDICC(7), 0);
}

TEST(ParameterMenu, ModulateByFillsTheFirstFreeSlotAndTheSlotCommandsActOnItsRoutes) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.clearRoutes();
    // Slots 1 and 2 feed other parameters.
    plugin.setModSlotVar(0, false, 0.7f, 17, 1);
    plugin.setModSlotVar(1, true, 0.7f, 18, 8);
    MenuSnapshot shown = bench.openMenu(e.knobFilterFrequency, {"Modulate by MIDI Sources", "Mod Wheel"});
    EXPECT_EQ(shown.entries[3].title, "Not Modulated by Anything");
    const MenuSnapshot::Entry* clear = shown.find({"Clear Modulation"});
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->enabled) << "nothing to clear yet";
    EXPECT_EQ(plugin.getModSlotDest(2), FILTER_FREQUENCY);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 2), 1) << "Mod Wheel";
    EXPECT_FLOAT_EQ(plugin.getParameter(SLOT_AMOUNT + 2), 0.5f);
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_EQ(plugin.getModSlotDest(0), 1) << "the taken slots keep their routes";
    EXPECT_EQ(plugin.getModSlotDest(1), 8);

    // Fed by slot 3 and "Movement Destination 1": two lines, slots first.
    plugin.setSteppedValue(59, FILTER_FREQUENCY);
    shown = bench.openMenu(e.knobFilterFrequency, {"Bypass Modulation"});
    EXPECT_EQ(shown.entries[3].title, "Modulated by Mod Wheel");
    EXPECT_EQ(shown.entries[4].title, "Modulated by Movement Destination 1");
    EXPECT_TRUE(shown.find({"Clear Modulation"})->enabled);
    EXPECT_TRUE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 0)) << "a slot aimed elsewhere is left alone";
    EXPECT_TRUE(plugin.getOnOff(SLOT_BYPASS + 1)) << "a slot aimed elsewhere is left alone";
    bench.openMenu(e.knobFilterFrequency, {"Un-Bypass Modulation"});
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_TRUE(plugin.getOnOff(SLOT_BYPASS + 1));
    plugin.setParameter(SLOT_AMOUNT + 2, 0.9f);
    bench.openMenu(e.knobFilterFrequency, {"Default Modulation Amount"});
    EXPECT_FLOAT_EQ(plugin.getParameter(SLOT_AMOUNT + 2), plugin.getDefaultValue(SLOT_AMOUNT + 2));

    // All four slots in use: no source is offered, the slot commands still are.
    plugin.setModSlotVar(3, false, 0.5f, 5, 3);
    shown = bench.openMenu(e.knobFilterFrequency, {});
    EXPECT_EQ(shown.find({"Modulate by MIDI Sources"}), nullptr);
    EXPECT_NE(shown.find({"Clear Modulation"}), nullptr);

    bench.openMenu(e.knobFilterFrequency, {"Clear Modulation"});
    EXPECT_EQ(plugin.getModSlotDest(2), 0);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 2), 0);
    EXPECT_EQ(plugin.getModSlotDest(3), 3) << "only the parameter's routes are cleared";
    EXPECT_EQ(plugin.getSteppedValue(59), FILTER_FREQUENCY) << "Movement's destination is not a slot";
}

TEST(ParameterMenu, RibbonSetsUpARouteToTheChosenDestinationAndNoneToNone) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.clearRoutes();
    plugin.setModSlotVar(0, false, 0.5f, 17, 1);

    // "None" would fill slots with routes that modulate nothing.
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "None"});
    for (int slot = 1; slot < 4; ++slot) {
        EXPECT_EQ(plugin.getModSlotDest(slot), 0) << slot;
        EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + slot), 0) << slot;
    }
    plugin.setParameter(SLOT_AMOUNT + 1, 0.9f);
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "Filter", "Filter Frequency"});
    EXPECT_EQ(plugin.getModSlotDest(1), FILTER_FREQUENCY);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 1), 49) << "the ribbon";
    EXPECT_FLOAT_EQ(plugin.getParameter(SLOT_AMOUNT + 1), plugin.getDefaultValue(SLOT_AMOUNT + 1));

    // The Mod FX destinations carry the names of the mode in use.
    plugin.setSteppedValue(MOD_FX_MODE, MOD_FX_GATOR_MODE);
    bench.idle();
    bench.idle();
    const std::string& gatorVariable = MOD_FX_VAR_STR[5 * MOD_FX_GATOR_MODE + 1];
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "Mod FX", gatorVariable});
    EXPECT_EQ(plugin.getModSlotDest(2), 47);
}

// ---------------------------------------------------------------- drag-and-drop

TEST(DragAndDrop, DroppingAKnobOnADestinationMenuRoutesItAndRestoresTheKnob) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    const CPoint knob = centreOf(e.knobFilterFrequency);
    auto drag = [&] {
        plugin.setParameter(FILTER_FREQUENCY, 0.4f);
        bench.idle();
        bench.clock.advance(1000);
        bench.target.mouseDown(knob, kgui::kLButton);
        bench.target.mouseMoved(CPoint(knob.x, knob.y - 40), kgui::kLButton);
        bench.target.mouseUp(centreOf(e.destMenus[0]), kgui::kLButton);
        EXPECT_FLOAT_EQ(plugin.getParameter(FILTER_FREQUENCY), 0.6f) << "40 pixels up: a fifth of the range";
    };
    struct Case {
        bool preference;
        bool switchOffBeforeDrop;
        bool routed;
        const char* reason;
    } cases[] = {
        {true, false, true, "the drop routes the knob's destination and gives the knob its value back"},
        {false, false, false, "with the preference off no knob starts a gesture"},
        {true, true, false, "a gesture from before the preference went off is dropped without effect"},
    };
    for (const Case& c : cases) {
        bench.clearRoutes();
        e.dragAndDropOn = c.preference;
        drag();
        if (c.switchOffBeforeDrop)
            bench.openMenu(e.controlMenuButton, {"Drag And Drop: On"}, kgui::kLButton);
        e.dropMod(SLOT_DEST);
        EXPECT_EQ(plugin.getModSlotDest(0), c.routed ? FILTER_FREQUENCY : 0) << c.reason;
        EXPECT_FLOAT_EQ(plugin.getParameter(FILTER_FREQUENCY), c.routed ? 0.4f : 0.6f) << c.reason;
        EXPECT_EQ(e.dropTag, -1) << "the gesture is over";
    }
    // A knob without a destination of its own gives its value back and routes nothing.
    ASSERT_EQ(plugin.getTagDest(245), 0);
    e.dragAndDropOn = true;
    plugin.setParameter(245, 0.3f);
    e.setDropTag(245);
    plugin.setParameter(245, 0.8f);
    e.dropMod(SLOT_DEST);
    EXPECT_FLOAT_EQ(plugin.getParameter(245), 0.3f);
    EXPECT_EQ(plugin.getModSlotDest(0), 0);
}

// ---------------------------------------------------------------- the ECS and Movement speed menus

TEST(CommandMenus, MovementSpeedMenuListsThePeriodsOnlyWhileSynced) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    plugin.setOn(MOVEMENT_SYNC);
    bench.heard.clear();
    MenuSnapshot shown = bench.openMenu(e.moveSpeedMenuButton, {"Off"}, kgui::kLButton);
    ASSERT_EQ(shown.entries.size(), 37u);
    EXPECT_EQ(shown.entries[0].title, "Movement Speed Menu");
    EXPECT_NE(shown.find({"Movement Speed Menu Information", "Scroll Wheel: Change Value"}), nullptr);
    for (size_t i = 0; i < LFO_PERIOD_STR.size(); ++i)
        EXPECT_EQ(shown.entries[3 + i].title, LFO_PERIOD_STR[i]);
    EXPECT_FLOAT_EQ(plugin.getParameter(MOVEMENT_SPEED), 0.1f / 33.99f);
    EXPECT_TRUE(bench.heardAutomationOf(MOVEMENT_SPEED)) << "the host records the choice";
    bench.openMenu(e.moveSpeedMenuButton, {LFO_PERIOD_STR[33]}, kgui::kLButton);
    EXPECT_FLOAT_EQ(plugin.getParameter(MOVEMENT_SPEED), 33.1f / 33.99f);

    // Free speed: the same click types a value instead.
    plugin.setOff(MOVEMENT_SYNC);
    const size_t menus = bench.target.getShownMenus().size();
    bench.click(centreOf(e.moveSpeedMenuButton));
    EXPECT_EQ(bench.target.getShownMenus().size(), menus) << "no menu";
    EXPECT_EQ(bench.observed().typed, std::vector<int>{MOVEMENT_SPEED});
}

TEST(CommandMenus, ECSMenuClearsTheMapAndRefusesABadFile) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    saveBoolToPrefs(REG_MIDI_CAPTURE_STR, false);
    bench.settings.typedAnswers = {"7"};
    bench.openMenu(e.knobFilterFrequency, {"Set MIDI CC"});
    ASSERT_EQ(getMIDICC(7), FILTER_FREQUENCY);

    MenuSnapshot shown = bench.openMenu(e.ecsMenuButton, {"Save ECS"}, kgui::kLButton);
    EXPECT_EQ(titles(shown), (std::vector<std::string>{"ECS Menu", "-", "Load ECS", "Save ECS", "Clear All MIDI"}));
    bench.openMenu(e.ecsMenuButton, {"Load ECS"}, kgui::kLButton);
    EXPECT_EQ(bench.observed().ecsCalls, (std::vector<std::string>{"save", "load"}));

    // A file that ends early: refused, the map stays.
    const std::string badFile = bench.settings.root + "/short.ecs";
    {
        std::ofstream file(badFile);
        for (int i = 0; i < 127; ++i)
            file << "0\n";
    }
    bench.settings.requests.clear();
    bench.settings.chosenFiles = {badFile};
    bench.openMenu(e.ecsMenuButton, {"Load ECS"}, kgui::kLButton);
    const bool fileAsked = std::any_of(bench.settings.requests.begin(), bench.settings.requests.end(),
                                       [](const auto& r) { return r.kind == platform::TDesktopKind::openFile; });
    if (fileAsked) {
        const bool refused = std::any_of(bench.settings.requests.begin(), bench.settings.requests.end(), [](const auto& r) {
            return r.kind == platform::TDesktopKind::messageBox && r.text == "Problem with ECS File";
        });
        EXPECT_TRUE(refused);
        EXPECT_EQ(getMIDICC(7), FILTER_FREQUENCY) << "a refused file changes nothing";
    }

    // "Clear All MIDI" unbinds every controller, in the store and in the plug-in.
    bench.plugin->setParameter(FILTER_FREQUENCY, 0.2f);
    bench.openMenu(e.ecsMenuButton, {"Clear All MIDI"}, kgui::kLButton);
    for (int controller = 0; controller < 128; ++controller)
        EXPECT_EQ(getMIDICC(controller), 0) << controller;
    bench.controller(7, 127);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 0.2f);
    if (!fileAsked)
        GTEST_SKIP() << "the plug-in does not read ECS files yet: the refusal of a bad one is untested";
}

// ---------------------------------------------------------------- the settings menu

TEST(SettingsMenu, ShowsEachSettingsStateAndWritesTheEditorsSixOnClosing) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    MenuSnapshot shown = bench.openMenu(e.controlMenuButton, {}, kgui::kLButton);
    EXPECT_EQ(shown.entries.size(), 45u);
    EXPECT_EQ(shown.entries[0].title, "Control Menu");
    EXPECT_EQ(shown.entries[2].title, "Screen Size: 100% Screen");
    const std::pair<const char*, const char*> states[] = {
        {"Dial Animation", "Dial Animation: On"},
        {"Output Display", "Output Display: On"},
        {"Output Display Speed", "Output Display Slow Speed"},
        {"Tool-Tips", "Tool-Tips: On"},
        {"Computer Keyboard", "Computer Keyboard: On"},
        {"Drag And Drop", "Drag And Drop: On"},
        {"MIDI Preset Change", "MIDI Preset: On"},
        {"MIDI Bank Change", "MIDI Bank: On"},
        {"MIDI Input Channel: Omni", "Set MIDI Input Channel"},
        {"External MIDI Capture Mode", "External MIDI Capture Mode: On"},
        {"MIDI Spring Back", "MIDI Spring Back: On"},
    };
    for (auto [heading, state] : states)
        EXPECT_EQ(entryAfter(shown, heading), state) << heading;
    // Dismissed, the menu still wrote the editor's settings.
    const std::pair<const std::string*, const char*> written[] = {
        {&REG_DIAL_ANIMATION_STR, "Y"}, {&REG_OUTPUT_DISPLAY_STR, "Y"}, {&REG_OUTPUT_DISPLAY_SPEED_STR, "N"},
        {&REG_TOOL_TIP_STR, "Y"},       {&REG_KEYBOARD_STR, "Y"},       {&REG_DRAG_AND_DROP_STR, "Y"},
    };
    for (auto [key, value] : written)
        EXPECT_EQ(storedText(*key), value) << *key;

    // Each state entry turns its setting the other way.
    struct Case {
        const char* choice;
        const std::string* key;
        const char* stored;
        std::function<bool()> applied;
    } cases[] = {
        {"Computer Keyboard: On", &REG_KEYBOARD_STR, "N",
         [&] {
             vst::VstKeyCode up{0, vst::VKEY_UP, 0};
             return !e.getKeyboardOn() && e.onKeyDown(up, e.getFrame()) == -1;
         }},
        {"Output Display: On", &REG_OUTPUT_DISPLAY_STR, "N", [&] { return !e.waveScreen->isOn(); }},
        {"Output Display: Off", &REG_OUTPUT_DISPLAY_STR, "Y", [&] { return e.waveScreen->isOn(); }},
        {"Output Display Slow Speed", &REG_OUTPUT_DISPLAY_SPEED_STR, "Y", [&] { return e.getOutputDisplaySpeed(); }},
        {"Dial Animation: On", &REG_DIAL_ANIMATION_STR, "N", [&] { return !e.getDialAnimationOn(); }},
        {"Tool-Tips: On", &REG_TOOL_TIP_STR, "N", [&] { return !e.toolTipOn; }},
        {"Drag And Drop: On", &REG_DRAG_AND_DROP_STR, "N", [&] { return !e.getDragAndDropOn(); }},
        {"MIDI Preset: On", &REG_MIDI_PRESET_STR, "N", [] { return true; }},
        {"MIDI Bank: On", &REG_MIDI_BANK_STR, "N", [] { return true; }},
        {"External MIDI Capture Mode: On", &REG_MIDI_CAPTURE_STR, "N", [] { return true; }},
        {"External MIDI Capture Mode: Off", &REG_MIDI_CAPTURE_STR, "Y", [] { return true; }},
        {"MIDI Spring Back: On", &REG_MIDI_SPRING_CHANNEL_STR, "N", [] { return true; }},
    };
    for (const Case& c : cases) {
        shown = bench.openMenu(e.controlMenuButton, {c.choice}, kgui::kLButton);
        EXPECT_EQ(storedText(*c.key), c.stored) << c.choice;
        EXPECT_TRUE(c.applied()) << c.choice;
    }
    shown = bench.openMenu(e.controlMenuButton, {}, kgui::kLButton);
    EXPECT_EQ(entryAfter(shown, "Computer Keyboard"), "Computer Keyboard: Off") << "the next opening shows it";
    EXPECT_EQ(entryAfter(shown, "MIDI Bank Change"), "MIDI Bank: Off");
}

TEST(SettingsMenu, ScreenSizeIsStoredForTheNextOpening) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    bench.settings.requests.clear();
    bench.openMenu(e.controlMenuButton, {"Set To 150% Screen Size"}, kgui::kLButton);
    const char* expected[] = {"N", "N", "Y", "N"};
    for (size_t size = 0; size < 4; ++size)
        EXPECT_EQ(storedText(REG_SCREEN_SIZE[size]), expected[size]) << REG_SCREEN_SIZE[size];
    ASSERT_EQ(bench.settings.requests.size(), 1u);
    EXPECT_EQ(bench.settings.requests[0].text, "When you next open Kolbri, it'll open in 150% Screen Mode");
    EXPECT_EQ(e.getBig(), 0) << "the open window keeps its size";

    // The next editor opens at 150 % and says so.
    auto next = std::make_unique<APlugin>(recordingHost);
    auto* nextEditor = dynamic_cast<uEditor*>(next->getEditor());
    ASSERT_NE(nextEditor, nullptr);
    kgui::OffscreenTarget nextTarget;
    ASSERT_TRUE(nextEditor->open(nextTarget.parentHandle()));
    EXPECT_EQ(nextEditor->getBig(), 2);
    EXPECT_EQ(nextEditor->getFrame()->getViewSize().getWidth(), 1698);
    EXPECT_EQ(nextEditor->getFrame()->getViewSize().getHeight(), 1168);
    nextTarget.dismissNext();
    nextEditor->showControlMenu();
    EXPECT_EQ(nextTarget.getShownMenus().back().entries[2].title, "Screen Size: 150% Screen");
    nextEditor->close();
}

TEST(SettingsMenu, InputChannelTakesZeroToSixteenOnly) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    struct Case {
        const char* typed;
        int stored;
        const char* heading;
        const char* reason;
    } cases[] = {
        {"10", 10, "MIDI Input Channel: CH 10", "a channel"},
        {"17", 10, "MIDI Input Channel: CH 10", "past the last channel"},
        {"abc", 10, "MIDI Input Channel: CH 10", "no number"},
        {"16", 16, "MIDI Input Channel: CH 16", "the last channel"},
        {"1", 1, "MIDI Input Channel: CH 01", "the first channel"},
        {"0", 0, "MIDI Input Channel: Omni", "every channel"},
    };
    for (const Case& c : cases) {
        bench.settings.requests.clear();
        bench.settings.typedAnswers = {c.typed};
        bench.openMenu(e.controlMenuButton, {"Set MIDI Input Channel"}, kgui::kLButton);
        ASSERT_EQ(bench.settings.requests.size(), 1u);
        EXPECT_EQ(bench.settings.requests[0].headline, "MIDI Channel");
        EXPECT_EQ(bench.settings.requests[0].text, "Set MIDI Input Channel (0 for Omni)");
        EXPECT_EQ(loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR), c.stored) << c.reason;
        EXPECT_EQ(enginepreferences::receiveChannel(), c.stored - 1) << c.reason;
        EXPECT_EQ(bench.openMenu(e.controlMenuButton, {}, kgui::kLButton).entries[32].title, c.heading) << c.reason;
    }
    // A channel stored by other means never reads past the names.
    for (auto [stored, heading] : {std::pair{99, "MIDI Input Channel: CH 16"}, {-5, "MIDI Input Channel: Omni"}}) {
        saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, stored);
        EXPECT_EQ(bench.openMenu(e.controlMenuButton, {}, kgui::kLButton).entries[32].title, heading);
    }
}

TEST(SettingsMenu, AboutAndWebPage) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    bench.settings.requests.clear();
    bench.openMenu(e.controlMenuButton, {"About Kolbri"}, kgui::kLButton);
    bench.openMenu(e.controlMenuButton, {"Goto Orventa Website"}, kgui::kLButton);
    bench.openMenu(e.controlMenuButton, {"Download Latest"}, kgui::kLButton);
    ASSERT_EQ(bench.settings.requests.size(), 2u) << "Download Latest asks nothing";
    EXPECT_EQ(bench.settings.requests[0].kind, platform::TDesktopKind::messageBox);
    EXPECT_NE(bench.settings.requests[0].text.find("Kolbri"), std::string::npos);
    EXPECT_EQ(bench.settings.requests[1].kind, platform::TDesktopKind::openDocument);
    EXPECT_EQ(bench.settings.requests[1].text, "https://www.orventa.com/");
}
