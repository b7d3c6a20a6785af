// The command menus of the knobs, the ribbon and the top bar's menu buttons,
// opened by real clicks and answered by scripted choices: the parameter menu's
// values, lists, MIDI learn and modulation, the ECS and Movement speed menus,
// the settings menu, and a knob dragged onto a destination menu.
#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "menu_test_support.h"
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
constexpr int FILTER_MIX = 31, MOVEMENT_SPEED = 41, MOVEMENT_SYNC = 42, MOD_FX_MODE = 82, MOD_FX_SYNC = 83;
constexpr int MOD_FX_SPEED = 85, DELAY_SYNC = 91, DELAY_LEFT = 94;
constexpr int SLOT_BYPASS = 107, SLOT_SOURCE = 111, SLOT_DEST = 115, SLOT_AMOUNT = 119;
constexpr int SAMPLE_VOLUME = 245;  // a parameter no route can reach

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
    for (size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(shown.entries[i].enabled) << "information lines are not commands";
    const CPoint mouse = centreOf(e.knobFilterFrequency);
    EXPECT_EQ(shown.anchor, kgui::CRect(mouse.x - 8, mouse.y - 8, mouse.x + 8, mouse.y + 8));
    EXPECT_NE(shown.find({"Dial Control Information", "Right Click: Show this Menu"}), nullptr);

    // Two controllers on one parameter: the lower number is named.
    setMIDICC(90, FILTER_FREQUENCY);
    setMIDICC(17, FILTER_FREQUENCY);
    EXPECT_EQ(bench.openMenu(e.knobFilterFrequency, {}).entries[2].title, "Latched to MIDI CC: 17");
    EXPECT_NE(bench.openMenu(e.ribbonSlider, {}).find({"Slider Control Information"}), nullptr);

    // No destination: no modulation lines, separator or commands.
    auto* unrouted = new kgui::COptionMenu(kgui::CRect(0, 0, 10, 10), nullptr, SAMPLE_VOLUME);
    bench.target.dismissNext();
    e.showMIDIMenu(unrouted, false);
    unrouted->forget();
    shown = bench.target.getShownMenus().back();
    EXPECT_EQ(shown.entries[3].title, "Dial Control Information");
    EXPECT_EQ(shown.find({"Clear Modulation"}), nullptr);
}

TEST(ParameterMenu, CommandsAutomateTheirValueAndListEntriesStoreTheirsQuietly) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    constexpr float START = 0.3f;
    struct Case {
        std::vector<std::pair<int, int>> setup;  // steps, or 0/1 for a switch
        TKnob* uEditor::*knob;
        std::vector<std::string> path;
        int tag;
        float expected;
        bool automated;
        const char* reason;
    } cases[] = {
        {{}, &uEditor::knobFilterFrequency, {"Set to Default Value"}, FILTER_FREQUENCY,
         plugin.getDefaultValue(FILTER_FREQUENCY), true, "the default"},
        {{}, &uEditor::knobFilterFrequency, {"Set to Zero Value"}, FILTER_FREQUENCY,
         plugin.getZeroValue(FILTER_FREQUENCY), true, "the parameter's own zero"},
        {{}, &uEditor::knobFilterFrequency, {"Set to Maximum Value"}, FILTER_FREQUENCY, 1.0f, true, "the top"},
        {{}, &uEditor::knobFilterFrequency, {"Set to Mid Value"}, FILTER_FREQUENCY, 0.5f, true, "the centre"},
        {{}, &uEditor::knobFilterFrequency, {"Decrease Value"}, FILTER_FREQUENCY, START - 0.01f, true, "a step"},
        {{{SOURCE_MODE, 3}}, &uEditor::knobWaveMix, {"Set to Saw Wave"}, WAVE_MIX, 0.3333f, false, "a shape"},
        {{}, &uEditor::knobSourceSemi2, {"-48 to -25 Semi", "-25 Semi"}, SOURCE_SEMI, 0.24224147f, false, "-25"},
        {{}, &uEditor::knobSourceSemi2, {"0 Semi"}, SOURCE_SEMI, 0.5f, false, "no transposition"},
        {{{FILTER_MODE, 27}}, &uEditor::knobFilterVowelMix, {"Set to Vowel", FILTER_VOWEL_STR[2]}, FILTER_MIX,
         0.42084169f, false, "the third vowel"},
        {{{FILTER_MODE, 24}}, &uEditor::knobFilterVowelMix, {"Set to LP/BP/HP Filter", "BP Filter"}, FILTER_MIX,
         0.5f, false, "band pass"},
        {{{FILTER_MODE, 11}}, &uEditor::knobFilterVowelMix, {"Set to LP/HP Filter", "HP Filter"}, FILTER_MIX, 1.0f,
         false, "high pass"},
        {{{MOVEMENT_SYNC, 1}}, &uEditor::knobMovementSpeed, {"Set Speed", LFO_PERIOD_STR[33]}, MOVEMENT_SPEED,
         33.1f / 33.99f, false, "the last period"},
        {{{MOD_FX_MODE, MOD_FX_GATOR_MODE}}, &uEditor::knobModFX1, {"Set Speed", GATER_PERIOD_STR[7]},
         MOD_FX_SPEED, 7.1f / 33.99f, false, "the Gator's periods, synced or not"},
        {{{MOD_FX_MODE, 0}, {MOD_FX_SYNC, 1}}, &uEditor::knobModFX1, {"Set Speed", LFO_PERIOD_STR[7]}, MOD_FX_SPEED,
         7.1f / 33.99f, false, "a synced chorus"},
        {{{DELAY_SYNC, 1}}, &uEditor::knobDelayLeft, {"Set Length", DELAY_LEN_STR[14]}, DELAY_LEFT, 14.1f / 14.99f,
         false, "the longest synced delay"},
    };
    for (const Case& c : cases) {
        for (auto [tag, value] : c.setup)
            bench.setStepOrSwitch(tag, value);
        plugin.setParameter(c.tag, START);
        bench.heard.clear();
        bench.openMenu(e.*c.knob, c.path);
        EXPECT_FLOAT_EQ(plugin.getParameter(c.tag), c.expected) << c.reason;
        EXPECT_EQ(bench.automated(c.tag, plugin.getParameter(c.tag)), c.automated) << c.reason;
        EXPECT_FLOAT_EQ((e.*c.knob)->getValue(), c.expected) << c.reason << ": the knob follows";
    }
    // No such list where the parameter has none.
    for (auto [mode, sync] : {std::pair{7, 1}, {8, 1}}) {
        bench.setStepOrSwitch(MOD_FX_MODE, mode);
        bench.setStepOrSwitch(MOD_FX_SYNC, sync);
        EXPECT_EQ(bench.openMenu(e.knobModFX1, {}).find({"Set Speed"}), nullptr) << "AutoPan and Ring";
    }
    // (A mixing mode: in the plain modes the knob is bypassed and opens nothing.)
    bench.setStepOrSwitch(FILTER_MODE, 11);
    EXPECT_EQ(bench.openMenu(e.knobFilterVowelMix, {}).find({"Set to Vowel"}), nullptr);

    // A random value lies in the range and differs from time to time.
    std::set<float> randoms;
    for (int i = 0; i < 8; ++i) {
        bench.openMenu(e.knobFilterFrequency, {"Set to Random Value"});
        const float value = plugin.getParameter(FILTER_FREQUENCY);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f && bench.automated(FILTER_FREQUENCY, value)) << value;
        randoms.insert(value);
    }
    EXPECT_GT(randoms.size(), 1u);
    bench.openMenu(e.knobFilterFrequency, {"Set to Value"});
    EXPECT_EQ(bench.observed().typed, std::vector<int>{FILTER_FREQUENCY}) << "the typed entry";
}

TEST(ParameterMenu, LatchedControllerMovesTheParameterUntilUnlatched) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    saveBoolToPrefs(REG_MIDI_CAPTURE_STR, false);  // no soft takeover: every message moves the parameter
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
}

TEST(ParameterMenu, ModulateByFillsTheFirstFreeSlotAndTheSlotCommandsActOnItsRoutesOnly) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.clearRoutes();
    plugin.setModSlotVar(0, false, 0.7f, 17, 1);
    plugin.setModSlotVar(1, true, 0.7f, 18, 8);
    MenuSnapshot shown = bench.openMenu(e.knobFilterFrequency, {"Modulate by MIDI Sources", "Mod Wheel"});
    EXPECT_EQ(shown.entries[3].title, "Not Modulated by Anything");
    EXPECT_FALSE(shown.find({"Clear Modulation"})->enabled) << "nothing to clear yet";
    EXPECT_EQ(plugin.getModSlotDest(2), FILTER_FREQUENCY);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 2), 1) << "Mod Wheel";
    EXPECT_FLOAT_EQ(plugin.getParameter(SLOT_AMOUNT + 2), 0.5f);
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_EQ(plugin.getModSlotDest(1), 8) << "taken slots keep their routes";

    // Fed by slot 3 and "Movement Destination 1": two lines, slots first.
    plugin.setSteppedValue(59, FILTER_FREQUENCY);
    shown = bench.openMenu(e.knobFilterFrequency, {"Bypass Modulation"});
    EXPECT_EQ(shown.entries[3].title, "Modulated by Mod Wheel");
    EXPECT_EQ(shown.entries[4].title, "Modulated by Movement Destination 1");
    EXPECT_TRUE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 0)) << "a slot aimed elsewhere is left alone";
    bench.openMenu(e.knobFilterFrequency, {"Un-Bypass Modulation"});
    EXPECT_FALSE(plugin.getOnOff(SLOT_BYPASS + 2));
    EXPECT_TRUE(plugin.getOnOff(SLOT_BYPASS + 1)) << "a slot aimed elsewhere is left alone";

    // All four slots in use: no source is offered, the slot commands still are.
    plugin.setModSlotVar(3, false, 0.5f, 5, 3);
    shown = bench.openMenu(e.knobFilterFrequency, {"Clear Modulation"});
    EXPECT_EQ(shown.find({"Modulate by MIDI Sources"}), nullptr);
    EXPECT_EQ(plugin.getModSlotDest(2), 0);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 2), 0);
    EXPECT_EQ(plugin.getModSlotDest(3), 3) << "only the parameter's routes are cleared";
    EXPECT_EQ(plugin.getSteppedValue(59), FILTER_FREQUENCY) << "Movement's destination is not a slot";
}

TEST(ParameterMenu, RibbonRoutesToTheChosenDestinationAndNoneRoutesNothing) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.clearRoutes();
    plugin.setModSlotVar(0, false, 0.5f, 17, 1);
    // "None" would fill slots with routes that modulate nothing.
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "None"});
    for (int slot = 1; slot < 4; ++slot)
        EXPECT_TRUE(plugin.getModSlotDest(slot) == 0 && plugin.getSteppedValue(SLOT_SOURCE + slot) == 0) << slot;

    plugin.setParameter(SLOT_AMOUNT + 1, 0.9f);
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "Filter", "Filter Frequency"});
    EXPECT_EQ(plugin.getModSlotDest(1), FILTER_FREQUENCY);
    EXPECT_EQ(plugin.getSteppedValue(SLOT_SOURCE + 1), 49) << "the ribbon";
    EXPECT_FLOAT_EQ(plugin.getParameter(SLOT_AMOUNT + 1), plugin.getDefaultValue(SLOT_AMOUNT + 1));
    // The Mod FX destinations carry the names of the mode in use.
    bench.setStepOrSwitch(MOD_FX_MODE, MOD_FX_GATOR_MODE);
    bench.openMenu(e.ribbonSlider, {"Set To Destination", "Mod FX", MOD_FX_VAR_STR[5 * MOD_FX_GATOR_MODE + 1]});
    EXPECT_EQ(plugin.getModSlotDest(2), 47);
}

// ---------------------------------------------------------------- drag-and-drop

TEST(DragAndDrop, DroppingAKnobOnADestinationMenuRoutesItAndRestoresTheKnob) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    const CPoint knob = centreOf(e.knobFilterFrequency);
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
        plugin.setParameter(FILTER_FREQUENCY, 0.4f);
        bench.idle();
        bench.clock.advance(1000);
        bench.target.mouseDown(knob, kgui::kLButton);
        bench.target.mouseMoved(CPoint(knob.x, knob.y - 40), kgui::kLButton);
        bench.target.mouseUp(centreOf(e.destMenus[0]), kgui::kLButton);
        EXPECT_FLOAT_EQ(plugin.getParameter(FILTER_FREQUENCY), 0.6f) << "dragged up a fifth of the range";
        if (c.switchOffBeforeDrop)
            bench.openMenu(e.controlMenuButton, {"Drag And Drop: On"}, kgui::kLButton);
        e.dropMod(SLOT_DEST);
        EXPECT_EQ(plugin.getModSlotDest(0), c.routed ? FILTER_FREQUENCY : 0) << c.reason;
        EXPECT_FLOAT_EQ(plugin.getParameter(FILTER_FREQUENCY), c.routed ? 0.4f : 0.6f) << c.reason;
        EXPECT_EQ(e.dropTag, -1) << "the gesture is over";
    }
    // A parameter without a destination gets its value back and routes nothing.
    e.dragAndDropOn = true;
    plugin.setParameter(SAMPLE_VOLUME, 0.3f);
    e.setDropTag(SAMPLE_VOLUME);
    plugin.setParameter(SAMPLE_VOLUME, 0.8f);
    e.dropMod(SLOT_DEST);
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_VOLUME), 0.3f);
    EXPECT_EQ(plugin.getModSlotDest(0), 0);
}

// The drop happens on the release over the menu, and only there: not where
// the pointer has got to by the next idle pass, not while the knob is still
// held, not when the toolkit cuts the gesture short.
TEST(DragAndDrop, OnlyAReleaseOverADestinationMenuDropsTheKnob) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    const CPoint knob = centreOf(e.knobFilterFrequency), menu = centreOf(e.destMenus[0]);
    const CPoint dragged(knob.x, knob.y - 40);
    struct Case {
        const char* what;
        std::function<void()> gesture;
        bool routed;
    };
    const Case cases[] = {
        {"let go over the menu", [&] { bench.target.mouseUp(menu, kgui::kLButton); }, true},
        {"let go beside it, the pointer on the menu by the next pass",
         [&] {
             bench.target.mouseUp(dragged, kgui::kLButton);
             bench.target.mouseMoved(menu, 0);
         },
         false},
        {"held over the menu after a wheel turn on another knob ended that knob's edit",
         [&] {
             bench.target.wheel(centreOf(e.knobMainVolume), 1);
             bench.target.mouseMoved(menu, kgui::kLButton);
         },
         false},
        {"cut short by a grab while over the menu",
         [&] {
             bench.target.mouseMoved(menu, kgui::kLButton);
             bench.target.getFrame()->platformOnMouseCancel();
         },
         false},
    };
    for (const Case& c : cases) {
        bench.clearRoutes();
        plugin.setParameter(FILTER_FREQUENCY, 0.4f);
        bench.idle();
        bench.clock.advance(1000);
        bench.target.mouseDown(knob, kgui::kLButton);
        bench.target.mouseMoved(dragged, kgui::kLButton);
        c.gesture();
        bench.idle();
        bench.idle();
        EXPECT_EQ(plugin.getModSlotDest(0), c.routed ? FILTER_FREQUENCY : 0) << c.what;
        if (c.routed)
            EXPECT_FLOAT_EQ(plugin.getParameter(FILTER_FREQUENCY), 0.4f) << c.what << ": the knob's value is back";
        else
            EXPECT_NE(plugin.getParameter(FILTER_FREQUENCY), 0.4f) << c.what << ": the knob keeps its drag";
        bench.target.mouseUp(dragged, kgui::kLButton);  // whatever still holds the mouse
        bench.idle();
        EXPECT_EQ(e.dropTag, -1) << c.what << ": the gesture is over";
    }
}

// ---------------------------------------------------------------- the ECS and Movement speed menus

TEST(CommandMenus, MovementSpeedMenuListsThePeriodsOnlyWhileSynced) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    bench.plugin->setOn(MOVEMENT_SYNC);
    MenuSnapshot shown = bench.openMenu(e.moveSpeedMenuButton, {"Off"}, kgui::kLButton);
    ASSERT_EQ(shown.entries.size(), 3 + LFO_PERIOD_STR.size());
    EXPECT_NE(shown.find({"Movement Speed Menu Information", "Scroll Wheel: Change Value"}), nullptr);
    for (size_t i = 0; i < LFO_PERIOD_STR.size(); ++i)
        EXPECT_EQ(shown.entries[3 + i].title, LFO_PERIOD_STR[i]);
    EXPECT_TRUE(bench.automated(MOVEMENT_SPEED, 0.1f / 33.99f)) << "the host records the choice";
    bench.openMenu(e.moveSpeedMenuButton, {LFO_PERIOD_STR[33]}, kgui::kLButton);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(MOVEMENT_SPEED), 33.1f / 33.99f);

    // A free speed is typed instead.
    bench.plugin->setOff(MOVEMENT_SYNC);
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

    const MenuSnapshot shown = bench.openMenu(e.ecsMenuButton, {"Save ECS"}, kgui::kLButton);
    EXPECT_EQ(shown.describe(), "(off)ECS Menu|-|Load ECS|Save ECS|Clear All MIDI");
    // A file that ends early: refused, the map stays.
    const std::string badFile = bench.settings.root + "/short.ecs";
    {
        std::ofstream file(badFile);
        for (int controller = 0; controller < 127; ++controller)
            file << "0\n";
    }
    bench.settings.requests.clear();
    bench.settings.chosenFiles = {badFile};
    bench.openMenu(e.ecsMenuButton, {"Load ECS"}, kgui::kLButton);
    EXPECT_EQ(bench.observed().ecsCalls, (std::vector<std::string>{"save", "load"}));
    const bool refused = std::any_of(bench.settings.requests.begin(), bench.settings.requests.end(), [](auto& r) {
        return r.kind == platform::TDesktopKind::messageBox && r.text == "Problem with ECS File";
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(getMIDICC(7), FILTER_FREQUENCY) << "a refused file changes nothing";

    // "Clear All MIDI" unbinds every controller, in the store and in the plug-in.
    bench.plugin->setParameter(FILTER_FREQUENCY, 0.2f);
    bench.openMenu(e.ecsMenuButton, {"Clear All MIDI"}, kgui::kLButton);
    for (int controller = 0; controller < 128; ++controller)
        EXPECT_EQ(getMIDICC(controller), 0) << controller;
    bench.controller(7, 127);
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(FILTER_FREQUENCY), 0.2f);
}

// ---------------------------------------------------------------- the settings menu

TEST(SettingsMenu, ShowsEachSettingsStateAndWritesTheEditorsSixOnClosing) {
    TMenuBench bench;
    uEditor& e = *bench.editor;
    MenuSnapshot shown = bench.openMenu(e.controlMenuButton, {}, kgui::kLButton);
    EXPECT_EQ(shown.entries.size(), 45u);
    EXPECT_EQ(shown.entries[2].title, "Screen Size: 100% Screen");
    const std::pair<const char*, const char*> states[] = {
        {"Dial Animation", "Dial Animation: On"},
        {"Output Display Speed", "Output Display Slow Speed"},
        {"Computer Keyboard", "Computer Keyboard: On"},
        {"MIDI Bank Change", "MIDI Bank: On"},
        {"MIDI Input Channel: Omni", "Set MIDI Input Channel"},
        {"External MIDI Capture Mode", "External MIDI Capture Mode: On"},
        {"MIDI Spring Back", "MIDI Spring Back: On"},
    };
    for (auto [heading, state] : states)
        EXPECT_EQ(entryAfter(shown, heading), state) << heading;
    // Dismissed, the menu still wrote the editor's six settings.
    for (auto [key, value] : {std::pair{&REG_DIAL_ANIMATION_STR, "Y"}, {&REG_OUTPUT_DISPLAY_STR, "Y"},
                              {&REG_OUTPUT_DISPLAY_SPEED_STR, "N"}, {&REG_TOOL_TIP_STR, "Y"},
                              {&REG_KEYBOARD_STR, "Y"}, {&REG_DRAG_AND_DROP_STR, "Y"}})
        EXPECT_EQ(storedText(*key), value) << *key;

    // Each state entry turns its setting the other way, at once.
    vst::VstKeyCode up{0, vst::VKEY_UP, 0};
    struct Case {
        const char* choice;
        const std::string* key;
        const char* stored;
        std::function<bool()> applied;
    } cases[] = {
        {"Computer Keyboard: On", &REG_KEYBOARD_STR, "N", [&] { return e.onKeyDown(up, e.getFrame()) == -1; }},
        {"Output Display: On", &REG_OUTPUT_DISPLAY_STR, "N", [&] { return !e.waveScreen->isOn(); }},
        {"Output Display: Off", &REG_OUTPUT_DISPLAY_STR, "Y", [&] { return e.waveScreen->isOn(); }},
        {"Output Display Slow Speed", &REG_OUTPUT_DISPLAY_SPEED_STR, "Y", [&] { return e.getOutputDisplaySpeed(); }},
        {"Drag And Drop: On", &REG_DRAG_AND_DROP_STR, "N", [&] { return !e.getDragAndDropOn(); }},
        {"MIDI Bank: On", &REG_MIDI_BANK_STR, "N", [] { return true; }},
        {"External MIDI Capture Mode: On", &REG_MIDI_CAPTURE_STR, "N", [] { return true; }},
        {"External MIDI Capture Mode: Off", &REG_MIDI_CAPTURE_STR, "Y", [] { return true; }},
    };
    for (const Case& c : cases) {
        bench.openMenu(e.controlMenuButton, {c.choice}, kgui::kLButton);
        EXPECT_EQ(storedText(*c.key), c.stored) << c.choice;
        EXPECT_TRUE(c.applied()) << c.choice;
    }
    shown = bench.openMenu(e.controlMenuButton, {}, kgui::kLButton);
    EXPECT_EQ(entryAfter(shown, "Computer Keyboard"), "Computer Keyboard: Off") << "the next opening shows it";
    EXPECT_EQ(entryAfter(shown, "MIDI Bank Change"), "MIDI Bank: Off");
}

TEST(SettingsMenu, ScreenSizeIsStoredForTheNextOpening) {
    TMenuBench bench;
    bench.settings.requests.clear();
    bench.openMenu(bench.editor->controlMenuButton, {"Set To 150% Screen Size"}, kgui::kLButton);
    const char* expected[] = {"N", "N", "Y", "N"};
    for (size_t size = 0; size < 4; ++size)
        EXPECT_EQ(storedText(REG_SCREEN_SIZE[size]), expected[size]) << REG_SCREEN_SIZE[size];
    ASSERT_EQ(bench.settings.requests.size(), 1u);
    EXPECT_EQ(bench.settings.requests[0].text, "When you next open Kolbri, it'll open in 150% Screen Mode");
    EXPECT_EQ(bench.editor->getBig(), 0) << "the open window keeps its size";

    auto next = std::make_unique<APlugin>(automationHost);
    auto* nextEditor = dynamic_cast<uEditor*>(next->getEditor());
    kgui::OffscreenTarget nextTarget;
    ASSERT_TRUE(nextEditor && nextEditor->open(nextTarget.parentHandle()));
    EXPECT_EQ(nextEditor->getFrame()->getViewSize(), kgui::CRect(0, 0, 1698, 1168));
    nextTarget.dismissNext();
    nextEditor->showControlMenu();
    EXPECT_EQ(nextTarget.getShownMenus().back().entries[2].title, "Screen Size: 150% Screen");
    nextEditor->close();
}

TEST(SettingsMenu, InputChannelTakesZeroToSixteenOnly) {
    TMenuBench bench;
    kgui::CView* button = bench.editor->controlMenuButton;
    struct Case {
        const char* typed;
        int stored;
        const char* heading;
    } cases[] = {
        {"10", 10, "MIDI Input Channel: CH 10"}, {"17", 10, "MIDI Input Channel: CH 10"},
        {"abc", 10, "MIDI Input Channel: CH 10"}, {"16", 16, "MIDI Input Channel: CH 16"},
        {"1", 1, "MIDI Input Channel: CH 01"},   {"0", 0, "MIDI Input Channel: Omni"},
    };
    for (const Case& c : cases) {
        bench.settings.requests.clear();
        bench.settings.typedAnswers = {c.typed};
        bench.openMenu(button, {"Set MIDI Input Channel"}, kgui::kLButton);
        ASSERT_EQ(bench.settings.requests.size(), 1u);
        EXPECT_EQ(bench.settings.requests[0].headline, "MIDI Channel");
        EXPECT_EQ(bench.settings.requests[0].text, "Set MIDI Input Channel (0 for Omni)");
        EXPECT_EQ(loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR), c.stored) << c.typed;
        EXPECT_EQ(enginepreferences::receiveChannel(), c.stored - 1) << c.typed;
        EXPECT_EQ(bench.openMenu(button, {}, kgui::kLButton).entries[32].title, c.heading) << c.typed;
    }
    // A channel stored by other means never reads past the names.
    for (auto [stored, heading] : {std::pair{99, "MIDI Input Channel: CH 16"}, {-5, "MIDI Input Channel: Omni"}}) {
        saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, stored);
        EXPECT_EQ(bench.openMenu(button, {}, kgui::kLButton).entries[32].title, heading);
    }
}

TEST(SettingsMenu, ResetAboutAndWebPage) {
    TMenuBench bench;
    kgui::CView* button = bench.editor->controlMenuButton;
    bench.settings.requests.clear();
    const int resets = bench.observed().hardResets;
    for (const char* choice : {"About Kolbri", "Goto Orventa Website", "Download Latest", "Reset Everything"})
        bench.openMenu(button, {choice}, kgui::kLButton);
    EXPECT_EQ(bench.observed().hardResets, resets + 1);
    ASSERT_EQ(bench.settings.requests.size(), 2u) << "Download Latest asks nothing";
    EXPECT_EQ(bench.settings.requests[0].kind, platform::TDesktopKind::messageBox);
    EXPECT_NE(bench.settings.requests[0].text.find("Kolbri"), std::string::npos);
    EXPECT_EQ(bench.settings.requests[1].kind, platform::TDesktopKind::openDocument);
    EXPECT_EQ(bench.settings.requests[1].text, "https://www.orventa.com/");
}
