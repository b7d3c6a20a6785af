// The option menu and the menu button against the plug-in: their mouse
// zones, modifier clicks, wheels, pop-ups and what they draw.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TMenuButton.h"
#include "controls/TOptionMenu.h"

using namespace kgui;

namespace {
constexpr int PLAY_MODE = 5;  // 8 steps
constexpr int MOVEMENT_SPEED = 41;
constexpr int MOVEMENT_SYNC = 42;
const CRect MENU_RECT(100, 50, 220, 67);
const CPoint MIDDLE(160, 58);

enum MenuKind { kPlain, kPreset, kFolder };

TOptionMenu* addMenu(TControlBench& bench, int tag, const CRect& rect, bool deltaButtons, MenuKind kind = kPlain,
                     int entries = 8) {
    auto* menu = bench.host->add(new TOptionMenu(rect, bench.host, tag, nullptr, nullptr, 256, true, deltaButtons));
    for (int i = 0; i < entries; ++i)
        menu->addEntry("Entry " + std::to_string(i));
    if (kind == kPreset)
        menu->setPresetMenu();
    if (kind == kFolder)
        menu->setFolderMenu();
    return menu;
}

size_t popups(TControlBench& bench) { return bench.host->target.getShownMenus().size(); }
}  // namespace

// The "-" and "+" boxes step the parameter, with Shift to its first or last
// step; the boxes are wider at larger sizes; where a narrow menu's boxes
// overlap, "+" wins; between them the pop-up opens.
TEST(OptionMenu, StepButtonZones) {
    struct Case {
        CRect rect;
        int size;
        double x;
        int32 buttons;
        int expectedStep;
        const char* why;
    } cases[] = {
        {MENU_RECT, 0, 105, kLButton, 2, "left box steps back"},
        {MENU_RECT, 0, 215, kLButton, 4, "right box steps on"},
        {MENU_RECT, 0, 105, kLButton | kShift, 0, "Shift on the left box: the first step"},
        {MENU_RECT, 0, 215, kLButton | kShift, 7, "Shift on the right box: the last step"},
        {MENU_RECT, 0, 130, kLButton, 3, "the middle opens the menu"},
        {MENU_RECT, 3, 130, kLButton, 2, "at 200 % the box is 32 wide"},
        {CRect(100, 50, 124, 67), 0, 110, kLButton, 4, "narrower than two boxes: the overlap is +"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.host->big = c.size;
        bench.plugin->setSteppedValue(PLAY_MODE, 3);
        addMenu(bench, PLAY_MODE, c.rect, true);
        bench.hostLog.clear();
        bench.click(CPoint(c.x, 58), c.buttons);
        EXPECT_EQ(bench.plugin->getSteppedValue(PLAY_MODE), c.expectedStep) << c.why;
        EXPECT_EQ(popups(bench), c.expectedStep == 3 ? 1u : 0u) << c.why;
        EXPECT_EQ(bench.hostLog.size(), c.expectedStep == 3 ? 0u : 1u) << c.why << ": the host hears the step";
    }
}

// Ctrl sets the default, Ctrl+Shift the loaded program's value, both without
// telling the host; Alt asks for a typed value; the right button, Super and
// Shift open the pop-up, whose choice reaches the listener as one gesture.
TEST(OptionMenu, ModifierClicks) {
    struct Case {
        int32 buttons;
        int expectedStep;
        bool typed;
        bool popup;
        const char* why;
    } cases[] = {
        {kLButton | kControl, 0, false, false, "Ctrl: default"},
        {kLButton | kControl | kShift, 5, false, false, "Ctrl+Shift: the program's value"},
        {kLButton | kAlt, 3, true, false, "Alt: typed value"},
        {kRButton, 3, false, true, "right button"},
        {kLButton | kApple, 3, false, true, "Super"},
        {kLButton | kShift, 3, false, true, "Shift, offered to the listener first"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.setLoadedValue(PLAY_MODE, (5 + 0.1f) / 7.99f);
        bench.plugin->setSteppedValue(PLAY_MODE, 3);
        auto* menu = addMenu(bench, PLAY_MODE, MENU_RECT, false);
        bench.hostLog.clear();
        bench.host->target.chooseNext({"Entry 6"});
        bench.click(MIDDLE, c.buttons);
        EXPECT_EQ(bench.plugin->getSteppedValue(PLAY_MODE), c.expectedStep) << c.why;
        EXPECT_EQ(bench.plugin->calls.size(), c.typed ? 1u : 0u) << c.why;
        const std::vector<std::string> gesture{"begin 5", "end 5"};
        EXPECT_EQ(bench.hostLog, c.popup ? gesture : std::vector<std::string>()) << c.why;
        EXPECT_EQ(popups(bench), c.popup ? 1u : 0u) << c.why;
        if (c.popup) {
            EXPECT_EQ(bench.host->reports, std::vector<CControl*>{menu}) << c.why;
            EXPECT_EQ(menu->getValue(), 6.0f) << c.why;
            EXPECT_EQ(menu->lastButton.getButtonState(), c.buttons) << c.why;
        }
        EXPECT_EQ(bench.host->log.size(), (c.buttons & (kShift | kApple)) && c.popup ? 1u : 0u) << c.why;
    }
}

// The wheel steps the parameter, finely with Shift; a preset menu steps the
// programs, except while one is being applied; a folder menu asks its folder
// step; a bypassed menu passes the wheel on.
TEST(OptionMenu, Wheel) {
    struct Case {
        MenuKind kind;
        float distance;
        int32 buttons;
        bool bypassed;
        bool applying;
        bool handled;
        std::vector<std::string> calls;
        std::vector<std::string> editorLog;
        const char* why;
    } cases[] = {
        {kPlain, 1, 0, false, false, true, {"changeDelta 5 -1"}, {}, "up: the previous entry"},
        {kPlain, -2, 0, false, false, true, {"changeDelta 5 1"}, {}, "down: the next"},
        {kPlain, 1, kShift, false, false, true, {"changeDelta 5 -1 fine"}, {}, "Shift: fine"},
        {kPlain, 1, 0, true, false, false, {}, {}, "bypassed: passed on"},
        {kPreset, 1, 0, false, false, true, {}, {"changeProgramDelta -1"}, "preset: the previous program"},
        {kPreset, -1, 0, false, true, true, {}, {}, "preset while a program is applied: nothing"},
        {kFolder, -1, 0, false, false, true, {}, {"changeFolderDelta 1"}, "folder"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        if (c.applying)
            bench.plugin->setProgram(0);
        auto* menu = addMenu(bench, c.kind == kPlain ? PLAY_MODE : NO_PARAM_TAG, MENU_RECT, false, c.kind);
        menu->setBypassed(c.bypassed);
        EXPECT_EQ(bench.host->target.wheel(MIDDLE, c.distance, c.buttons), c.handled) << c.why;
        EXPECT_EQ(bench.plugin->calls, c.calls) << c.why;
        EXPECT_EQ(bench.host->log, c.editorLog) << c.why;
    }
}

// A preset menu 17 pixels high at 100 %: k = int(2 * 17 / 3 - 4) = 7; clicks
// right of R - 7 step forward, from R - 17 to R - 7 back, further left open the
// menu. No arrow steps while a program is being applied, and they step again
// once the audio thread has applied it.
TEST(OptionMenu, ProgramArrows) {
    struct Case {
        double x;
        std::vector<std::string> editorLog;
        bool popup;
    } cases[] = {
        {249, {"changeProgramDelta 1"}, false}, {244, {"changeProgramDelta 1"}, false},
        {243, {"changeProgramDelta -1"}, false}, {234, {"changeProgramDelta -1"}, false},
        {233, {}, true},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        auto* menu = addMenu(bench, NO_PARAM_TAG, CRect(100, 50, 250, 67), true, kPreset);
        EXPECT_FALSE(menu->hasDeltaButtons());
        bench.click(CPoint(c.x, 58));
        EXPECT_EQ(bench.host->log, c.editorLog) << c.x;
        EXPECT_EQ(popups(bench), c.popup ? 1u : 0u) << c.x;
    }
    TControlBench bench;
    addMenu(bench, NO_PARAM_TAG, CRect(100, 50, 250, 67), false, kPreset);
    bench.plugin->setProgram(0);
    bench.click(CPoint(249, 58));
    bench.click(CPoint(240, 58));
    EXPECT_TRUE(bench.host->log.empty());
    bench.applyProgram();
    ASSERT_FALSE(bench.plugin->getIsSettingPreset());
    bench.click(CPoint(249, 58));
    EXPECT_EQ(bench.host->log, std::vector<std::string>{"changeProgramDelta 1"});
}

// A folder menu swallows clicks on its arrows (x < L + 2k) and opens on the rest.
TEST(OptionMenu, FolderArrowsAreConsumed) {
    TControlBench bench;
    addMenu(bench, NO_PARAM_TAG, MENU_RECT, false, kFolder);
    bench.click(CPoint(113, 58));
    EXPECT_EQ(popups(bench), 0u);
    EXPECT_TRUE(bench.host->log.empty());
    bench.click(CPoint(114, 58));
    EXPECT_EQ(popups(bench), 1u);
}

// What the box shows: the stacked stages of "FX Path" top to bottom, each in a
// quarter of the height; the short names of modulation sources and
// destinations; the set text (a blank for an empty one); or else the current
// entry's title, cut to the callers' 255 bytes.
TEST(OptionMenu, Texts) {
    struct Case {
        int tag;
        int step;
        const char* setText;  // null: none set
        std::vector<std::string> expected;
        const char* why;
    } cases[] = {
        {75, 0, nullptr, {"LOW-FI", "MOD FX", "DELAY", "REVERB"}, "FX Path, first order"},
        {75, 7, "ignored", {"MOD FX", "LOW-FI", "REVERB", "DELAY"}, "FX Path, order 7"},
        {75, 23, nullptr, {"REVERB", "DELAY", "MOD FX", "LOW-FI"}, "FX Path, last order"},
        {111, 5, "Long Name", {"Note"}, "source menu: the plug-in's short name"},
        {115, 30, nullptr, {"Dst30"}, "destination menu: the editor's short name"},
        {PLAY_MODE, 0, nullptr, {"Entry 2"}, "the current entry"},
        {PLAY_MODE, 0, "", {" "}, "an empty text shows a blank"},
        {PLAY_MODE, 0, "Poly", {"Poly"}, "a set text"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.plugin->setSteppedValue(c.tag, c.step);
        auto* menu = addMenu(bench, c.tag, CRect(100, 50, 200, 90), false);
        menu->setValue(2);
        if (c.setText)
            menu->setString(c.setText);
        EXPECT_EQ(bench.drawnTexts(), c.expected) << c.why;
        if (c.tag == 75) {
            std::vector<CRect> rects;
            for (const auto& op : bench.drawn(DrawOp::kText))
                rects.push_back(op.rect);
            EXPECT_EQ(rects, (std::vector<CRect>{{100, 50, 200, 60}, {100, 60, 200, 70}, {100, 70, 200, 80},
                                                  {100, 80, 200, 90}}));
        }
    }
    TControlBench bench;
    auto* menu = addMenu(bench, PLAY_MODE, MENU_RECT, false, kPlain, 0);
    menu->addEntry(std::string(300, 'x'));
    menu->setValue(0);
    EXPECT_EQ(bench.drawnTexts(), std::vector<std::string>{std::string(255, 'x')});
}

// The box, its arrows, step buttons, text line and indicator square, placed
// as at 100 % and 125 %; the square shows for even phases only; the bypassed
// look.
TEST(OptionMenu, Geometry) {
    TControlBench bench;
    auto* preset = addMenu(bench, NO_PARAM_TAG, MENU_RECT, false, kPreset, 0);
    preset->setString("Program");
    std::vector<DrawOp> ops = bench.draw();
    // a = 4, h = int(8.5 - 4) = 4; no box behind a preset menu.
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].points, (std::vector<CPoint>{{220, 58.5}, {216, 62.5}, {216, 54.5}}));
    EXPECT_EQ(ops[1].points, (std::vector<CPoint>{{212, 62.5}, {212, 54.5}, {208, 58.5}}));
    // Font 9: k = 5; one pixel below the middle at 100 %.
    EXPECT_EQ(ops[2].rect, CRect(100, 54, 220, 64));

    TControlBench stepped;
    stepped.host->big = 1;
    auto* menu = addMenu(stepped, PLAY_MODE, CRect(100, 50, 220, 71), true);
    menu->setIndicator(true, 2);
    ops = stepped.draw();
    ASSERT_EQ(ops.size(), 7u);  // box, two step boxes, "-", "+", text, square
    EXPECT_EQ(ops[2].rect, CRect(200, 50, 220, 71));
    EXPECT_EQ(ops[4].rect, CRect(195, 51, 215, 72)) << "+: 5 in from the right, 1 down";
    // Font 11: k = 6 around the middle 60.5.
    EXPECT_EQ(ops[5].rect, CRect(100, 54, 220, 66));
    // The indicator at 125 %: side 21 - 2 * 7, from L + 25 + 7.
    EXPECT_EQ(ops[6].rect, CRect(132, 57, 139, 64));
    EXPECT_EQ(ops[6].fillColor, look::INDICATOR_COLOR);
    menu->setIndicator(true, 3);
    EXPECT_EQ(stepped.draw().size(), 6u) << "odd phase: no square";

    // setIndicator redraws only when the look changes.
    struct Step {
        bool on;
        int phase;
        bool redraw;
    } steps[] = {{true, 3, false}, {true, 4, true}, {false, 4, true}, {false, 5, false}, {true, 5, true}};
    for (const Step& s : steps) {
        menu->setDirty(false);
        menu->setIndicator(s.on, s.phase);
        EXPECT_EQ(menu->isDirty(), s.redraw) << s.on << " " << s.phase;
    }
    // Bypassed: the text dimmed, no menu opens.
    menu->setBypassed(true);
    EXPECT_EQ(stepped.drawn(DrawOp::kText)[2].fontColor, look::TEXT_BYPASSED_COLOR);
    stepped.click(CPoint(160, 60));
    EXPECT_EQ(popups(stepped), 0u);
}

// The Movement speed field's step buttons: plain clicks step through the
// plug-in; Shift goes to the first or last period with tempo sync, to the
// slowest or fastest speed without it (the speed is continuous, so stepped
// setters would leave it alone).
TEST(MenuButton, SpeedFieldSteps) {
    struct Case {
        bool synced;
        double x;
        int32 buttons;
        float expected;
        const char* why;
    } cases[] = {
        {true, 105, kLButton, (9 + 0.1f) / 33.99f, "synced: one period back"},
        {true, 215, kLButton, (11 + 0.1f) / 33.99f, "synced: one period on"},
        {true, 105, kLButton | kShift, 0.1f / 33.99f, "synced, Shift: the first"},
        {true, 215, kLButton | kShift, (33 + 0.1f) / 33.99f, "synced, Shift: the last"},
        {false, 105, kLButton, 0.49f, "free: a hundredth down"},
        {false, 105, kLButton | kShift, 0.0f, "free, Shift: the slowest"},
        {false, 215, kLButton | kShift, 1.0f, "free, Shift: the fastest"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.plugin->setParameter(MOVEMENT_SYNC, c.synced ? 1.0f : 0.0f);
        bench.plugin->setParameter(MOVEMENT_SPEED, c.synced ? (10 + 0.1f) / 33.99f : 0.5f);
        bench.host->add(new TMenuButton(MENU_RECT, bench.host, "1/4", TMenuButton::kMoveSpeedMenu, false, true));
        bench.click(CPoint(c.x, 58), c.buttons);
        EXPECT_NEAR(bench.plugin->getParameter(MOVEMENT_SPEED), c.expected, 1e-6) << c.why;
        EXPECT_EQ(bench.hostLog, std::vector<std::string>{"automate 41 " + controls_test::number(c.expected)})
            << c.why;
        EXPECT_TRUE(bench.host->log.empty()) << c.why << ": no menu";
    }
}

// The middle of the speed field: double click or Ctrl the default, Ctrl+Shift
// the program's value (the host is not told); only a plain left Alt-click
// types a value; every other click opens the speed menu.
TEST(MenuButton, SpeedFieldMiddle) {
    struct Case {
        int32 buttons;
        bool doubleClick;
        float expected;
        bool typed;
        bool menu;
        const char* why;
    } cases[] = {
        {kLButton, true, 0.5f, false, false, "double click: default"},
        {kLButton | kControl, false, 0.5f, false, false, "Ctrl: default"},
        {kLButton | kControl | kShift, false, 0.25f, false, false, "Ctrl+Shift: the program's value"},
        {kLButton | kAlt, false, 0.9f, true, false, "Alt: typed value"},
        {kRButton | kAlt, false, 0.9f, false, true, "right button with Alt: the menu"},
        {kLButton | kAlt | kShift, false, 0.9f, false, true, "Alt+Shift: the menu"},
        {kRButton, false, 0.9f, false, true, "right button: the menu"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.setLoadedValue(MOVEMENT_SPEED, 0.25f);
        bench.plugin->setParameter(MOVEMENT_SPEED, 0.9f);
        bench.host->add(new TMenuButton(MENU_RECT, bench.host, "1/4", TMenuButton::kMoveSpeedMenu, false, true));
        if (c.doubleClick)
            bench.doubleClick(MIDDLE, c.buttons);
        else
            bench.click(MIDDLE, c.buttons);
        EXPECT_FLOAT_EQ(bench.plugin->getParameter(MOVEMENT_SPEED), c.expected) << c.why;
        EXPECT_EQ(bench.plugin->calls.size(), c.typed ? 1u : 0u) << c.why;
        EXPECT_TRUE(bench.hostLog.empty()) << c.why;
        const std::vector<std::string> menu{"showMoveSpeedMenu"};
        EXPECT_EQ(bench.host->log, c.menu ? menu : std::vector<std::string>()) << c.why;
    }
}

// The settings and ECS buttons open their menus with any button; only the
// speed field takes the wheel (up raises the speed).
TEST(MenuButton, KindsAndWheel) {
    struct Case {
        int kind;
        int32 buttons;
        const char* menu;
    } cases[] = {
        {TMenuButton::kSettingsMenu, kLButton, "showControlMenu"},
        {TMenuButton::kSettingsMenu, kRButton | kShift, "showControlMenu"},
        {TMenuButton::kECSMenu, kRButton, "showECSMenu"},
        {TMenuButton::kECSMenu, kLButton | kControl, "showECSMenu"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.host->add(new TMenuButton(MENU_RECT, bench.host, "", c.kind, c.kind == 1, false));
        bench.click(MIDDLE, c.buttons);
        EXPECT_EQ(bench.host->log, std::vector<std::string>{c.menu});
        EXPECT_FALSE(bench.host->target.wheel(MIDDLE, 1)) << "not handled";
        EXPECT_TRUE(bench.plugin->calls.empty());
    }
    TControlBench bench;
    bench.host->add(new TMenuButton(MENU_RECT, bench.host, "", TMenuButton::kMoveSpeedMenu, false, true));
    EXPECT_TRUE(bench.host->target.wheel(MIDDLE, 1));
    EXPECT_TRUE(bench.host->target.wheel(MIDDLE, -1, kShift));
    EXPECT_EQ(bench.plugin->calls, (std::vector<std::string>{"changeDelta 41 1", "changeDelta 41 -1 fine"}));
}

// The boxed field draws its box, step buttons and text; the LED look a lit
// LED; a button with neither draws nothing.
TEST(MenuButton, Looks) {
    TControlBench bench;
    auto* field = bench.host->add(new TMenuButton(MENU_RECT, bench.host, "1/4 QB", 2, false, true));
    bench.host->add(new TMenuButton(CRect(10, 10, 30, 30), bench.host, "", 1, true, false));
    bench.host->add(new TMenuButton(CRect(300, 10, 330, 30), bench.host, "", 0, false, false));
    const auto& ops = bench.draw();
    // The LED is its ring and dot, nothing more.
    ASSERT_EQ(ops.size(), 8u);
    EXPECT_EQ(ops[0].rect, MENU_RECT);
    EXPECT_EQ(ops[3].text, "-");
    EXPECT_EQ(ops[4].text, "+");
    EXPECT_EQ(ops[5].text, "1/4 QB");
    EXPECT_EQ(ops[5].rect, CRect(100, 54, 220, 64));
    EXPECT_EQ(ops[6].frameColor, look::LED_ON.ring);
    EXPECT_EQ(ops[7].fillColor, look::LED_ON.dot);
    field->setDirty(false);
    field->setString("1/4 QB");
    EXPECT_FALSE(field->isDirty());
    field->setString("1/8 QB");
    EXPECT_TRUE(field->isDirty());
}
