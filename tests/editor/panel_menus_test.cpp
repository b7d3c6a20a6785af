// The panels' command menus, opened by clicks on their displays and answered
// by script: the Gator patterns, the Movement display, the output scope, the
// sample browser and the waveform view; and the undo rings behind them.
#include <atomic>
#include <cmath>
#include <thread>

#include "menu_test_support.h"
#include "controls/TGatorDisplay.h"
#include "controls/TLFOScreen.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"

using namespace editor_test;
using kgui::MenuSnapshot;

namespace {

constexpr int MOVEMENT_WAVE = 39, MOVEMENT_SPEED = 41, MOVEMENT_SYNC = 42, MOVEMENT_MIDDLE = 43;
constexpr int SHAPE_UP = 44, SHAPE_DOWN = 45, FREE_LFO_SPEED = 63;
constexpr int MOD_FX_MODE = 82, MOD_FX_SYNC = 83, GATOR_MIX = 84, GATOR_SPEED = 85, GATOR_LENGTH = 87;
constexpr int GATOR_LEFT = 88, GATOR_RIGHT = 89;
constexpr int SAMPLE_VOLUME = 245, SAMPLE_START = 246, SAMPLE_LOOP_START = 247, SAMPLE_LOOP_END = 248;
constexpr int PROGRAM_PENDING = 1022;

// The Gator length of n steps as parameter 87 stores it.
float gatorLength(int steps) { return (static_cast<float>(steps - 1) + 0.1f) / 15.99f; }

struct TPanelBench : TMenuBench {
    TPanelBench() {
        setStepOrSwitch(MOD_FX_MODE, MOD_FX_GATOR_MODE);
        clock.advance(1000);
    }

    MenuSnapshot gatorMenu(const std::vector<std::string>& path) {
        return openMenu(editor->gatorDisplays[0], path);
    }
    MenuSnapshot movementMenu(const std::vector<std::string>& path) { return openMenu(editor->lfoScreen, path); }
    MenuSnapshot outputMenu(const std::vector<std::string>& path) {
        return openMenu(editor->waveScreen, path, kgui::kLButton);
    }
    MenuSnapshot sampleCommandMenu(const std::vector<std::string>& path) {
        editor->showSampleScreenControls();
        return openMenu(editor->sampleDisplay, path);
    }
    MenuSnapshot sampleFileMenu(const std::vector<std::string>& path) {
        editor->showSampleScreenControls();
        return openMenu(editor->sampleFileDisplay, path);
    }

    // A program with these values applied by the audio thread, as a host's
    // program change or a loaded chunk does; the editor's idle pass has not
    // run since.
    void applyProgramWith(const std::vector<std::pair<int, float>>& values) {
        for (auto [tag, value] : values)
            plugin->programRecord().values[static_cast<size_t>(tag)] = value;
        plugin->setParameter(PROGRAM_PENDING, 1.0f);
        applyProgram();
    }

    std::uint32_t mask(int tag) { return TGatorDisplay::maskOf(plugin->getParameter(tag)); }
    void setMask(int tag, std::uint32_t mask) { plugin->setParameter(tag, TGatorDisplay::valueOf(mask)); }
    std::vector<std::string>& sampleCalls() { return observed().sampleCalls; }
};

std::vector<float> valuesOf(APlugin& plugin, int first, int last) {
    std::vector<float> values;
    for (int tag = first; tag <= last; ++tag)
        values.push_back(plugin.getParameter(tag));
    return values;
}

// The menu's calls to the plug-in come first, in order (the plug-in may make
// further calls of its own while serving them); none when none are expected.
bool callsBegin(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
    if (expected.empty())
        return calls.empty();
    return calls.size() >= expected.size() && std::equal(expected.begin(), expected.end(), calls.begin());
}

// The last entry of a menu: where each ring's "Undo" stands.
const MenuSnapshot::Entry& lastEntry(const MenuSnapshot& menu) { return menu.entries.back(); }

}  // namespace

// ---------------------------------------------------------------- the undo rings

TEST(UndoRings, SeventeenPushesKeepTheNewestSixteenAndUndoWalksThemBack) {
    TPanelBench bench;
    uEditor& e = *bench.editor;
    for (auto menu : {&TPanelBench::gatorMenu, &TPanelBench::movementMenu}) {
        EXPECT_FALSE(lastEntry((bench.*menu)({})).enabled) << "a fresh editor has nothing to undo";
        const MenuSnapshot shown = (bench.*menu)({});
        EXPECT_EQ(lastEntry(shown).title, "Undo");
        EXPECT_TRUE(lastEntry(shown).enabled) << "the dismissed menu before pushed one snapshot";
    }
    e.clearUndos();
    EXPECT_FALSE(lastEntry(bench.gatorMenu({})).enabled) << "an empty ring: nothing to undo";
    e.clearUndos();

    // Snapshots of mix values 0.01 .. 0.17: the first is pushed out by the 17th.
    for (int i = 1; i <= 17; ++i) {
        bench.plugin->setParameter(GATOR_MIX, static_cast<float>(i) / 100.0f);
        e.setModFXUndo();
    }
    EXPECT_EQ(e.gatorUndo.getPosition(), 15);
    bench.plugin->setParameter(MOD_FX_SYNC, 1.0f);
    for (int i = 17; i >= 2; --i) {
        const MenuSnapshot shown = bench.gatorMenu({"Undo"});
        EXPECT_TRUE(lastEntry(shown).enabled) << i;
        EXPECT_FLOAT_EQ(bench.plugin->getParameter(GATOR_MIX), static_cast<float>(i) / 100.0f);
        EXPECT_TRUE(bench.automated(GATOR_MIX, static_cast<float>(i) / 100.0f)) << "the host hears the undo";
    }
    EXPECT_EQ(e.gatorUndo.getPosition(), -1);
    EXPECT_FALSE(lastEntry(bench.gatorMenu({})).enabled) << "the first snapshot is out of reach";
    EXPECT_EQ(bench.plugin->getParameter(MOD_FX_SYNC), 1.0f) << "undo writes the ring's parameters only";
    EXPECT_EQ(bench.plugin->getSteppedValue(MOD_FX_MODE), MOD_FX_GATOR_MODE);

    // An editor without a plug-in pushes nothing.
    uEditor orphan(nullptr, nullptr);
    orphan.setModFXUndo();
    orphan.setMoveUndo();
    orphan.setSampleUndo();
    EXPECT_TRUE(orphan.gatorUndo.empty() && orphan.moveUndo.empty() && orphan.sampleUndo.empty());
}

TEST(UndoRings, AProgramAppliedBeforeTheNextPushOrPopEmptiesEveryRing) {
    TPanelBench bench;
    uEditor& e = *bench.editor;
    bench.gatorMenu({"Set All On"});
    bench.movementMenu({"Reset Movement"});
    e.setSampleUndo();
    ASSERT_FALSE(e.gatorUndo.empty() || e.moveUndo.empty() || e.sampleUndo.empty());

    // The program lands while the menu is open: "Undo" was offered and is
    // chosen, but the snapshot belongs to the program before, so nothing is written.
    bench.target.setPopupProvider([&](const MenuSnapshot& shown) {
        bench.applyProgramWith({{GATOR_LEFT, TGatorDisplay::valueOf(0x0F0F)}});
        EXPECT_TRUE(lastEntry(shown).enabled);
        return kgui::PopupResult{{static_cast<kgui::int32>(shown.entries.size() - 1)}};
    });
    e.showModFXMenu();
    bench.target.setPopupProvider({});
    EXPECT_EQ(bench.mask(GATOR_LEFT), 0x0F0Fu) << "the program's pattern stands";
    EXPECT_TRUE(e.gatorUndo.empty() && e.moveUndo.empty() && e.sampleUndo.empty());

    // Applied with the idle pass to follow: every menu shows "Undo" disabled.
    bench.gatorMenu({"Set All On"});
    bench.applyProgramWith({});
    bench.idle();
    EXPECT_FALSE(lastEntry(bench.gatorMenu({})).enabled);
    bench.applyProgramWith({});
    bench.idle();
    EXPECT_FALSE(lastEntry(bench.movementMenu({})).enabled);

    // Closed, the window keeps its rings through a program change: after
    // reopening, "Undo" brings back the pattern from before it.
    bench.setMask(GATOR_LEFT, 0x00FF);
    bench.gatorMenu({"Set All Off"});
    e.close();
    bench.applyProgramWith({{GATOR_LEFT, TGatorDisplay::valueOf(0x0F0F)}});
    ASSERT_TRUE(bench.open());
    e.hideBackScreen();
    bench.setStepOrSwitch(MOD_FX_MODE, MOD_FX_GATOR_MODE);
    bench.gatorMenu({"Undo"});
    EXPECT_EQ(bench.mask(GATOR_LEFT), 0x00FFu);
}

// A program applied by the audio thread since the last idle pass has emptied
// the rings: the next menu already shows "Undo" disabled.
TEST(UndoRings, AMenuOpenedRightAfterAProgramChangeOffersNoUndo) {
    TPanelBench bench;
    bench.observed().pretendLoaded = true;
    const struct {
        const char* menu;
        MenuSnapshot (TPanelBench::*open)(const std::vector<std::string>&);
        std::vector<std::string> command;
    } cases[] = {
        {"Gator", &TPanelBench::gatorMenu, {"Set All On"}},
        {"Movement", &TPanelBench::movementMenu, {"Reset Movement"}},
        {"sample commands", &TPanelBench::sampleCommandMenu, {"Loop All"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.menu);
        (bench.*c.open)(c.command);
        ASSERT_TRUE(lastEntry((bench.*c.open)({})).enabled) << "a command was pushed";
        bench.applyProgramWith({});
        const MenuSnapshot shown = (bench.*c.open)({});
        EXPECT_EQ(lastEntry(shown).title, "Undo");
        EXPECT_FALSE(lastEntry(shown).enabled);
        bench.editor->showMainScreen();
    }
}

// The audio thread applies programs while the editor's thread pushes and
// pops: every ring stays within its 16 slots, and a program's clear is done
// by the editor's thread alone.
TEST(UndoRingThreads, ProgramsAppliedByTheAudioThreadWhileTheEditorPushesAndPops) {
    TPanelBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; !stop.load(); ++block) {
            if (block % 8 == 0 && !plugin.getIsSettingPreset())
                plugin.setParameter(PROGRAM_PENDING, 1.0f);
            plugin.processReplacing(nullptr, outputs, 256);
        }
    });
    for (int pass = 0; pass < 300; ++pass) {
        e.setModFXUndo();
        e.setMoveUndo();
        e.setSampleUndo();
        if (pass % 3 == 0) {
            bench.target.chooseNext({"Undo"});
            e.showModFXMenu();
        }
        if (pass % 10 == 0)
            bench.idle();
        for (const TUndoRing* ring : {&e.gatorUndo, &e.moveUndo, &e.sampleUndo})
            ASSERT_TRUE(ring->getPosition() >= -1 && ring->getPosition() <= 15) << ring->getPosition();
    }
    stop = true;
    audio.join();
}

// ---------------------------------------------------------------- the Gator menu

TEST(GatorMenu, PatternCommandsRewriteBothPatternsAsTheyShould) {
    TPanelBench bench;
    struct Case {
        const char* command;
        int length;
        std::uint32_t left, right;
        std::uint32_t expectedLeft, expectedRight;
        const char* reason;
        float hostLeft = -1;  // a value a host wrote over the left pattern
    } cases[] = {
        {"Set All On", 16, 0x0001, 0x0000, 0xFFFF, 0xFFFF, "every step of both"},
        {"Set All Off", 16, 0x1234, 0xFFFF, 0x0000, 0x0000, "no step"},
        {"Alternate", 16, 0x0000, 0xFFFF, 0x5555, 0x5555, "even steps on both sides"},
        {"Alternate Left/Right", 16, 0x0000, 0x0000, 0x5555, 0xAAAA, "left even, right odd"},
        {"Copy Left to Right", 16, 0x00F3, 0x1234, 0x00F3, 0x00F3, "right takes left"},
        {"Copy Left to Right", 16, 0x0000, 0x1234, 0x80C0, 0x80C0,
         "a host's value (x 65535.9 is 32960.96): the steps the effect plays, not step 0 as well", 16480.0f / 32767},
        {"Copy Right to Left", 16, 0x00F3, 0x1234, 0x1234, 0x1234, "left takes right"},
        {"Swap Left and Right", 16, 0x00F3, 0x1234, 0x1234, 0x00F3, "exchanged"},
        {"Move Right", 16, 0x0003, 0x8000, 0x0006, 0x0001, "steps 0, 1 to 1, 2; step 15 wraps to 0"},
        {"Move Left", 16, 0x0003, 0x0001, 0x8001, 0x8000, "steps 0, 1 to 15, 0"},
        {"Move Left", 4, 0x0061, 0x0000, 0x0068, 0x0000, "the first four rotate, 4..15 stay"},
        {"Move Right", 4, 0x0061, 0x0000, 0x2222, 0x0000, "the rotated four repeat over 4..15"},
        {"Reverse", 1, 0x0061, 0x0002, 0x0061, 0x0002, "one step mirrors onto itself"},
        {"Reverse", 16, 0x0001, 0x0003, 0x8000, 0xC000, "all sixteen mirrored"},
        {"Reverse", 3, 0x0011, 0x0000, 0x0014, 0x0000, "steps 0..2 mirrored, step 4 stays"},
        {"Inverse", 16, 0x00F3, 0x0000, 0xFF0C, 0xFFFF, "every step flipped"},
        {"Reset Gator", 5, 0x0000, 0x0000, 0xE155, 0x1D55, "the two reset patterns"},
    };
    for (const Case& c : cases) {
        bench.plugin->setParameter(GATOR_LENGTH, gatorLength(c.length));
        bench.setMask(GATOR_LEFT, c.left);
        bench.setMask(GATOR_RIGHT, c.right);
        if (c.hostLeft >= 0)
            bench.plugin->setParameter(GATOR_LEFT, c.hostLeft);
        bench.heard.clear();
        bench.gatorMenu({c.command});
        EXPECT_EQ(bench.mask(GATOR_LEFT), c.expectedLeft) << c.command << ": " << c.reason;
        EXPECT_EQ(bench.mask(GATOR_RIGHT), c.expectedRight) << c.command << ": " << c.reason;
        EXPECT_FALSE(bench.automated(GATOR_LEFT)) << c.command << ": a pattern is stored quietly";
        EXPECT_FLOAT_EQ(bench.editor->gatorDisplays[1]->getValue(), bench.plugin->getParameter(GATOR_RIGHT))
            << "the display shows the new pattern";
    }
    // The reset's length and speed; twice inverted or swapped is unchanged.
    EXPECT_EQ(bench.plugin->getSteppedValue(GATOR_LENGTH, 15.99f, 16), 15) << "16 steps";
    EXPECT_FLOAT_EQ(bench.plugin->getParameter(GATOR_SPEED), 0.5f);
    for (const char* command : {"Inverse", "Swap Left and Right"}) {
        bench.setMask(GATOR_LEFT, 0x0F31);
        bench.setMask(GATOR_RIGHT, 0x8001);
        bench.gatorMenu({command});
        bench.gatorMenu({command});
        EXPECT_EQ(bench.mask(GATOR_LEFT), 0x0F31u) << command;
        EXPECT_EQ(bench.mask(GATOR_RIGHT), 0x8001u) << command;
    }
    // A random pattern: two draws that are rarely both the same as before.
    int changed = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t before = bench.mask(GATOR_LEFT);
        bench.gatorMenu({"Randomize Gator"});
        changed += bench.mask(GATOR_LEFT) != before ? 1 : 0;
    }
    EXPECT_GE(changed, 3);
}

TEST(GatorMenu, SetAllOnIsUndoneAndTheSubmenusSetLengthAndSpeed) {
    TPanelBench bench;
    APlugin& plugin = *bench.plugin;
    bench.setMask(GATOR_LEFT, 0x1234);
    bench.setMask(GATOR_RIGHT, 0x0F0F);
    plugin.setParameter(GATOR_MIX, 0.3f);
    const std::vector<float> before = valuesOf(plugin, 84, 89);

    MenuSnapshot shown = bench.gatorMenu({"Set All On"});
    ASSERT_EQ(shown.entries.size(), 24u);
    EXPECT_EQ(shown.entries[0].title, "Gator Command Menu");
    EXPECT_NE(shown.find({"Gator Display Information", "Left Click + Opt: Set All Off"}), nullptr);
    EXPECT_EQ(shown.find({"Set Length"})->submenu->entries[2].title, "Set Length to 3 Steps");
    EXPECT_EQ(shown.find({"Set Speed"})->submenu->entries.size(), 34u);
    EXPECT_FALSE(lastEntry(shown).enabled) << "a fresh editor has nothing to undo";
    EXPECT_EQ(bench.mask(GATOR_LEFT), 0xFFFFu);
    EXPECT_EQ(bench.mask(GATOR_RIGHT), 0xFFFFu);

    bench.heard.clear();
    shown = bench.gatorMenu({"Undo"});
    EXPECT_TRUE(lastEntry(shown).enabled);
    EXPECT_EQ(valuesOf(plugin, 84, 89), before);
    for (int tag = 84; tag <= 89; ++tag)
        EXPECT_TRUE(bench.automated(tag)) << tag;
    EXPECT_FALSE(lastEntry(bench.gatorMenu({})).enabled) << "the one snapshot is used up";

    bench.gatorMenu({"Set Length", "Set Length to 1 Step"});
    EXPECT_FLOAT_EQ(plugin.getParameter(GATOR_LENGTH), 0.1f / 15.99f);
    EXPECT_EQ(plugin.getSteppedValue(GATOR_LENGTH, 15.99f, 16), 0);
    bench.gatorMenu({"Set Speed", GATER_PERIOD_STR[7]});
    EXPECT_FLOAT_EQ(plugin.getParameter(GATOR_SPEED), 7.1f / 33.99f);

    // After a program change, nothing to undo.
    bench.gatorMenu({"Set All Off"});
    bench.applyProgramWith({});
    bench.idle();
    EXPECT_FALSE(lastEntry(bench.gatorMenu({})).enabled);
}

TEST(GatorMenu, ShowPositionSwitchIsStoredAndShownTheOtherWayNextTime) {
    TPanelBench bench;
    EXPECT_EQ(entryAfter(bench.gatorMenu({"Show Position: On"}), "Show Position"), "Show Position: On");
    EXPECT_FALSE(bench.editor->displayGaterPos);
    EXPECT_EQ(storedText(REG_GATER_DISPLAY_POS_STR), "N");
    EXPECT_EQ(entryAfter(bench.gatorMenu({}), "Show Position"), "Show Position: Off");
    EXPECT_EQ(storedText(REG_GATER_DISPLAY_POS_STR), "N") << "written again on a dismissal";
    bench.gatorMenu({"Show Position: Off"});
    EXPECT_TRUE(bench.editor->displayGaterPos);
    EXPECT_EQ(storedText(REG_GATER_DISPLAY_POS_STR), "Y");
}

// ---------------------------------------------------------------- the Movement menu

TEST(MovementMenu, CommandsSetTheirParametersAndTellTheHostAsTheyShould) {
    TPanelBench bench;
    APlugin& plugin = *bench.plugin;
    const float UP = 0.2f, DOWN = 0.7f;
    struct Case {
        const char* command;
        std::vector<std::pair<int, float>> expected;
        bool automated;
        const char* reason;
    } cases[] = {
        {"Clear Movement Amount", {{50, 0.5f}, {51, 0.5f}, {52, 0.0f}, {53, 0.5f}}, false, "the neutral points"},
        {"Reset Movement Amount",
         {{50, plugin.getDefaultValue(50)}, {53, plugin.getDefaultValue(53)}},
         true,
         "the defaults"},
        {"Clear Movement",
         {{MOVEMENT_MIDDLE, plugin.getDefaultValue(MOVEMENT_MIDDLE)}, {SHAPE_UP, plugin.getDefaultValue(SHAPE_UP)}},
         true,
         "middle and shapes"},
        {"Set Up to Down Shape", {{SHAPE_UP, DOWN}, {SHAPE_DOWN, DOWN}}, false, "up takes down"},
        {"Set Down to Up Shape", {{SHAPE_UP, UP}, {SHAPE_DOWN, UP}}, false, "down takes up"},
        {"Swap Down to Up Shape", {{SHAPE_UP, DOWN}, {SHAPE_DOWN, UP}}, false, "exchanged"},
        {"Inverse Shape", {{SHAPE_UP, 1 - UP}, {SHAPE_DOWN, 1 - DOWN}}, false, "mirrored"},
        {"Set to Saw Up", {{MOVEMENT_WAVE, 2.1f / plugin.getSteppedRange(MOVEMENT_WAVE)}}, true, "wave step 2"},
        {"Reset Movement to Original Value", {{SHAPE_UP, plugin.getOrigValue(SHAPE_UP)}}, true, "the program's"},
    };
    for (const Case& c : cases) {
        plugin.setParameter(SHAPE_UP, UP);
        plugin.setParameter(SHAPE_DOWN, DOWN);
        for (int tag = 50; tag <= 53; ++tag)
            plugin.setParameter(tag, 0.9f);
        bench.heard.clear();
        bench.movementMenu({c.command});
        for (auto [tag, value] : c.expected) {
            EXPECT_NEAR(plugin.getParameter(tag), value, 1e-6) << c.command << " " << tag << ": " << c.reason;
            EXPECT_EQ(bench.automated(tag), c.automated) << c.command << " " << tag;
        }
    }

    // "Reset Movement" and its undo: all 22 back, the Free LFO untouched.
    for (int tag = 39; tag <= 60; ++tag)
        plugin.setParameter(tag, 0.37f);
    plugin.setParameter(FREE_LFO_SPEED, 0.8f);
    const std::vector<float> before = valuesOf(plugin, 39, 60);
    bench.movementMenu({"Reset Movement"});
    EXPECT_NE(valuesOf(plugin, 39, 60), before);
    plugin.setParameter(FREE_LFO_SPEED, 0.1f);
    bench.movementMenu({"Undo"});
    EXPECT_EQ(valuesOf(plugin, 39, 60), before);
    EXPECT_FLOAT_EQ(plugin.getParameter(FREE_LFO_SPEED), 0.1f);
}

TEST(MovementMenu, SpeedIsTypedWhenFreeAndChosenWhenSynced) {
    TPanelBench bench;
    APlugin& plugin = *bench.plugin;
    plugin.setOff(MOVEMENT_SYNC);
    MenuSnapshot shown = bench.movementMenu({"Set Speed"});
    ASSERT_EQ(shown.entries.size(), 38u);
    EXPECT_EQ(shown.entries[0].title, "Movement Menu");
    EXPECT_EQ(shown.entries[36].submenu, nullptr);
    EXPECT_EQ(bench.observed().typed, std::vector<int>{MOVEMENT_SPEED});

    plugin.setOn(MOVEMENT_SYNC);
    shown = bench.movementMenu({"Set Speed", LFO_PERIOD_STR[5]});
    ASSERT_NE(shown.entries[36].submenu, nullptr);
    EXPECT_FLOAT_EQ(plugin.getParameter(MOVEMENT_SPEED), 5.1f / 33.99f);
    EXPECT_TRUE(bench.automated(MOVEMENT_SPEED, plugin.getParameter(MOVEMENT_SPEED)));
    EXPECT_EQ(bench.observed().typed.size(), 1u) << "no typed entry while synced";
}

TEST(MovementMenu, DisplaySwitchesAreStoredAndShownTheOtherWayNextTime) {
    TPanelBench bench;
    uEditor& e = *bench.editor;
    struct Case {
        const char* heading;
        const char* choice;
        const std::string* key;
        bool* member;
    } cases[] = {
        {"Show Mid Position", "Show Mid Position: On", &REG_MOVE_DISPLAY_MID_STR, &e.displayMoveMid},
        {"Show Position", "Show Position: On", &REG_MOVE_DISPLAY_POS_STR, &e.displayMovePos},
        {"Show Pan Position", "Show Pan Position: On", &REG_MOVE_DISPLAY_PAN_STR, &e.displayMovePan},
    };
    for (const Case& c : cases) {
        bench.movementMenu({c.choice});
        EXPECT_FALSE(*c.member) << c.choice;
        EXPECT_EQ(storedText(*c.key), "N") << c.choice;
        const std::string off = std::string(c.heading) + ": Off";
        EXPECT_EQ(entryAfter(bench.movementMenu({off}), c.heading), off) << "the next menu shows the other state";
        EXPECT_TRUE(*c.member);
        EXPECT_EQ(storedText(*c.key), "Y");
    }
}

// ---------------------------------------------------------------- the output menu

TEST(OutputMenu, ZoomLevelFollowsTheZoomCommandsAndBothSettingsAreWrittenOnClosing) {
    TPanelBench bench;
    uEditor& e = *bench.editor;
    // Any source that draws the scope.
    bench.setStepOrSwitch(10, 0);
    MenuSnapshot shown = bench.outputMenu({});
    ASSERT_EQ(shown.entries.size(), 14u);
    EXPECT_EQ(shown.entries[4].title, "Zoom Level: 100%");
    EXPECT_FALSE(shown.entries[4].enabled);
    EXPECT_EQ(storedText(REG_OUTPUT_DISPLAY_STR), "Y") << "written on a dismissal";
    EXPECT_EQ(storedText(REG_OUTPUT_DISPLAY_SPEED_STR), "N");

    struct Case {
        const char* command;
        int times;
        const char* level;
    } cases[] = {
        {"Zoom In", 5, "Zoom Level: 1600%"},
        {"Reset Zoom", 1, "Zoom Level: 100%"},
        {"Zoom Out", 5, "Zoom Level: 6%"},
        {"Zoom In", 1, "Zoom Level: 12%"},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < c.times; ++i)
            bench.outputMenu({c.command});
        EXPECT_EQ(bench.outputMenu({}).entries[4].title, c.level) << c.command;
    }

    bench.outputMenu({"Output Display: On"});
    EXPECT_FALSE(e.waveScreen->isOn());
    EXPECT_EQ(storedText(REG_OUTPUT_DISPLAY_STR), "N");
    EXPECT_EQ(entryAfter(bench.outputMenu({"Output Display Slow Speed"}), "Output Display"), "Output Display: Off");
    EXPECT_TRUE(e.getOutputDisplaySpeed());
    EXPECT_EQ(storedText(REG_OUTPUT_DISPLAY_SPEED_STR), "Y");
    EXPECT_EQ(entryAfter(bench.outputMenu({}), "Output Display Speed"), "Output Display Fast Speed");
}

// ---------------------------------------------------------------- the sample command menu

TEST(SampleCommandMenu, WithoutASampleOnlyInformationIsOffered) {
    TPanelBench bench;
    ASSERT_FALSE(bench.samples().getSampleLoaded());
    const MenuSnapshot shown = bench.sampleCommandMenu({});
    ASSERT_EQ(shown.entries.size(), 4u);
    EXPECT_EQ(shown.describe().rfind("(off)Sample Commands|Sample Info[(off)No Sample Loaded]|-|Sample Display Info[", 0),
              0u);
    EXPECT_EQ(shown.find({"Sample Display Info"})->submenu->entries.size(), 11u);
    const kgui::CPoint mouse = centreOf(bench.editor->sampleDisplay);
    EXPECT_EQ(shown.anchor, kgui::CRect(mouse.x - 10, mouse.y - 10, mouse.x + 10, mouse.y + 10));
    EXPECT_EQ(bench.editor->sampleUndo.getPosition(), 0) << "a dismissal still pushes";
}

TEST(SampleCommandMenu, PointCommandsAskThePlugInForThePointsTheyName) {
    TPanelBench bench;
    bench.observed().pretendLoaded = true;
    const std::string points = "Sample Start / Loop Start / Loop End";
    struct Case {
        std::vector<std::string> path;
        std::vector<std::string> typed;
        std::vector<std::string> expected;
    } cases[] = {
        {{points, "Reset Sample Start"}, {}, {"setSampleStart 0"}},
        {{points, "Reset Sample Loop End"}, {}, {"setSampleLoopEnd 1"}},
        // The sample start's loaded value is its first frame.
        {{points, "Reset Sample Start to Loaded Value"}, {}, {"setSampleStart 0"}},
        {{points, "Reset Sample Loop Start to Loaded Value"}, {}, {"setSamplePositions 1"}},
        {{points, "Decrease Sample Start"}, {}, {"setSampleStartDelta -0.02"}},
        {{points, "Increase Sample Loop End"}, {}, {"setSampleLoopEndDelta 0.02"}},
        {{points, "Next Sample Loop End Zero Cross"}, {}, {"setZeroCross 2 1"}},
        {{points, "Enter Sample Loop End"}, {"frame 1,234"}, {"setSampleLoopEndBySample 1234"}},
        {{points, "Enter Sample Start"}, {"12.7"}, {"setSampleStartBySample 12"}},
        {{points, "Enter Sample Loop Start"}, {"99999999999"}, {"setSampleLoopStartBySample 2147483647"}},
        {{points, "Enter Sample Loop Start"}, {"none"}, {"setSampleLoopStartBySample 0"}},
        {{"Loop All"}, {}, {"setSampleLoop 0 1"}},
        {{"Reset Sample Positions"}, {}, {"setSampleStart 0", "setSampleLoop 0 1"}},
        {{"Reload Sample Positions"}, {}, {"setDefaultSamplePositions", "updateLoadedSamples"}},
    };
    for (const Case& c : cases) {
        bench.settings.typedAnswers = c.typed;
        bench.settings.requests.clear();
        bench.sampleCalls().clear();
        bench.sampleCommandMenu(c.path);
        EXPECT_TRUE(callsBegin(bench.sampleCalls(), c.expected)) << c.path.back();
    }
    // A cancelled entry asks and changes nothing.
    bench.settings.requests.clear();
    bench.sampleCalls().clear();
    bench.sampleCommandMenu({points, "Enter Sample Start"});
    EXPECT_TRUE(bench.sampleCalls().empty());
    ASSERT_EQ(bench.settings.requests.size(), 1u);
    EXPECT_EQ(bench.settings.requests[0].headline, "Sample Start Position");
    EXPECT_EQ(bench.settings.requests[0].text, "Sample Start");
}

TEST(SampleCommandMenu, VolumeStepsStayInRangeAndUndoReloadsTheSample) {
    TPanelBench bench;
    bench.observed().pretendLoaded = true;
    APlugin& plugin = *bench.plugin;
    MenuSnapshot shown = bench.sampleCommandMenu({});
    ASSERT_EQ(shown.entries.size(), 26u);
    EXPECT_EQ(shown.find({"Sample Info"})->submenu->entries[3].title, "Sample Length: 48000");
    bench.observed().pretendStart = std::nan("");
    EXPECT_EQ(bench.sampleCommandMenu({}).find({"Sample Info"})->submenu->entries[2].title, "Sample Start: 0")
        << "a start that is no number";
    bench.observed().pretendStart.reset();
    EXPECT_EQ(shown.find({"Sample Start / Loop Start / Loop End"})->submenu->entries.size(), 26u);
    EXPECT_FALSE(lastEntry(shown).enabled) << "nothing to undo yet";

    struct Case {
        const char* command;
        float start;
        float expected;
    } cases[] = {
        {"Increase Sample Volume by 5dB", 0.5f, 0.5625f},
        {"Decrease Sample Volume by 5db", 0.5f, 0.4375f},
        {"Increase Sample Volume by 5dB", 0.97f, 1.0f},
        {"Decrease Sample Volume by 5db", 0.03f, 0.0f},
    };
    for (const Case& c : cases) {
        plugin.setParameter(SAMPLE_VOLUME, c.start);
        bench.heard.clear();
        bench.sampleCommandMenu({c.command});
        EXPECT_NEAR(plugin.getParameter(SAMPLE_VOLUME), c.expected, 1e-6) << c.command << " from " << c.start;
        EXPECT_FALSE(bench.automated(SAMPLE_VOLUME)) << "the host is not told";
    }

    bench.settings.typedAnswers = {"6"};
    bench.sampleCommandMenu({"Set Sample Volume"});
    EXPECT_EQ(bench.observed().typed, std::vector<int>{SAMPLE_VOLUME}) << "the volume's typed entry";
    EXPECT_NEAR(plugin.getParameter(SAMPLE_VOLUME) * 80 - 40, 6.0, 0.01) << "6 dB typed";

    plugin.setParameter(SAMPLE_VOLUME, 0.5f);
    plugin.setParameter(SAMPLE_START, 0.25f);
    plugin.setParameter(SAMPLE_LOOP_END, 0.75f);
    bench.sampleCommandMenu({"Clear Sample"});
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_START), plugin.getDefaultValue(SAMPLE_START));
    EXPECT_TRUE(bench.automated(SAMPLE_LOOP_START));
    bench.sampleCalls().clear();
    bench.sampleCommandMenu({"Undo"});
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_VOLUME), 0.5f);
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_START), 0.25f);
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_LOOP_END), 0.75f);
    EXPECT_EQ(bench.sampleCalls(), std::vector<std::string>{"updateLoadedSamples"}) << "the sample reloads";

    // Zoom on the waveform view, down to one frame per pixel.
    TSampleDisplay& view = *bench.editor->sampleDisplay;
    bench.sampleCommandMenu({"Zoom In"});
    EXPECT_FLOAT_EQ(view.getZoom(), 0.75f);
    for (int i = 0; i < 30 && view.getCanZoom(true); ++i)
        bench.sampleCommandMenu({"Zoom In"});
    EXPECT_FALSE(bench.sampleCommandMenu({"Reset Zoom"}).find({"Zoom In"})->enabled) << "one frame per pixel";
    EXPECT_FLOAT_EQ(view.getZoom(), 1.0f);
}

// ---------------------------------------------------------------- the sample file menu

TEST(SampleFileMenu, EachCommandReachesThePlugInAndEveryOutcomeRescans) {
    TPanelBench bench;
    struct Case {
        const char* command;
        std::vector<std::string> expected;
    } cases[] = {
        {"Previous Folder", {"goUpAFolder"}},
        {"Goto Base Folder", {"gotoHomeSampleFolder"}},
        {"Goto Sample Folder", {"gotoSampleFolder"}},
        {"Import Sample", {"importSampleFromMenu"}},
        {"Set External Sample Folder", {"setExternalSampleDir", "showExternalSamples"}},
        {"Show Default Samples Folder", {"showKolbriSample"}},
        {"Show External Samples Folder", {"showExternalSamples"}},
        {"Create Folder", {"createSampleFolder"}},
        {"Clear Sample", {"updateLoadedSamples"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        bench.sampleCalls().clear();
        bench.editor->sampleScreenDirty = false;
        const MenuSnapshot shown =
            bench.sampleFileMenu(*c.command ? std::vector<std::string>{c.command} : std::vector<std::string>{});
        std::vector<std::string> calls = bench.sampleCalls();
        ASSERT_FALSE(calls.empty()) << c.command;
        EXPECT_EQ(calls.back(), "scanSampleFolder") << c.command << ": every outcome rescans";
        calls.pop_back();
        EXPECT_TRUE(callsBegin(calls, c.expected)) << c.command;
        EXPECT_EQ(shown.entries.size(), 19u);
        EXPECT_EQ(shown.entries[12].title, bench.samples().getExternalSampleDirStr());
        EXPECT_FALSE(shown.entries[12].enabled);
    }
    EXPECT_TRUE(bench.automated(314)) << "the path's last characters were cleared through automation";
}

TEST(SampleFileMenu, OpensTheBrowseFolderAsOneArgumentWithoutAShell) {
    TPanelBench bench;
    struct Case {
        std::string folder;
        bool opened;
    } cases[] = {
        {bench.settings.root + "/My \"Drum\" Samples; rm -rf ~", true},
        {std::string(300, 'x'), true},
        {"", false},
    };
    for (const Case& c : cases) {
        bench.observed().sampleFolder = c.folder;
        bench.settings.requests.clear();
        bench.sampleFileMenu({"Open Explorer / Finder"});
        if (!c.opened) {
            EXPECT_TRUE(bench.settings.requests.empty()) << "no folder, nothing opened";
            continue;
        }
        ASSERT_EQ(bench.settings.requests.size(), 1u);
        EXPECT_EQ(bench.settings.requests[0].kind, platform::TDesktopKind::openDocument);
        EXPECT_EQ(bench.settings.requests[0].text, c.folder) << "the whole path, as it is";
    }
}
