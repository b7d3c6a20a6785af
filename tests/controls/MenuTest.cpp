// The option menu and the menu button: their mouse zones, modifier clicks,
// wheels, pop-ups and what they draw.
#include <gtest/gtest.h>

#include <algorithm>

#include "ControlTestSupport.h"
#include "controls/ControlLook.h"
#include "controls/TMenuButton.h"
#include "controls/TOptionMenu.h"

using namespace kgui;

namespace {
constexpr int PLAY_MODE = 5;  // 8 steps over 7.99
constexpr int MOVEMENT_SPEED = 41;
constexpr int MOVEMENT_SYNC = 42;
const CRect MENU_RECT(100, 50, 220, 67);

float playModeStep(int step) { return (static_cast<float>(step) + 0.1f) / 7.99f; }

TOptionMenu* addMenu(TControlBench& bench, int tag, const CRect& rect, bool deltaButtons, int entries = 8) {
    auto* menu =
        bench.host.add(new TOptionMenu(rect, &bench.host, tag, nullptr, nullptr, 256, true, deltaButtons));
    for (int i = 0; i < entries; ++i)
        menu->addEntry("Entry " + std::to_string(i));
    return menu;
}

std::vector<std::string> without(std::vector<std::string> log, const std::string& prefix) {
    log.erase(std::remove_if(log.begin(), log.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }),
              log.end());
    return log;
}
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
        bool popup;
        const char* why;
    } cases[] = {
        {MENU_RECT, 0, 105, kLButton, 2, false, "left box steps back"},
        {MENU_RECT, 0, 215, kLButton, 4, false, "right box steps on"},
        {MENU_RECT, 0, 105, kLButton | kShift, 0, false, "Shift on the left box: the first step"},
        {MENU_RECT, 0, 215, kLButton | kShift, 7, false, "Shift on the right box: the last step"},
        {MENU_RECT, 0, 130, kLButton, 3, true, "the middle opens the menu"},
        {MENU_RECT, 3, 130, kLButton, 2, false, "at 200 % the box is 32 wide"},
        {CRect(100, 50, 124, 67), 0, 110, kLButton, 4, false, "narrower than two boxes: the overlap is +"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.host.big = c.size;
        bench.services.put(PLAY_MODE, playModeStep(3));
        addMenu(bench, PLAY_MODE, c.rect, true);
        bench.click(CPoint(c.x, 58), c.buttons);
        EXPECT_EQ(bench.services.getSteppedValue(PLAY_MODE), c.expectedStep) << c.why;
        EXPECT_EQ(bench.host.target.getShownMenus().size(), c.popup ? 1u : 0u) << c.why;
        EXPECT_EQ(bench.services.hostLog.size(), c.expectedStep == 3 ? 0u : 1u) << c.why << ": automated";
    }
}

// Ctrl sets the default, Ctrl+Shift the loaded program's value, both without
// telling the host; Alt asks for a typed value; the right button and Super
// open the pop-up, Shift after offering the click to the listener.
TEST(OptionMenu, ModifierClicks) {
    struct Case {
        int32 buttons;
        std::vector<std::string> calls;
        bool popup;
        const char* why;
    } cases[] = {
        {kLButton | kControl, {"set 5 0.262829"}, false, "Ctrl: default (step 2)"},
        {kLButton | kControl | kShift, {"set 5 0.638298"}, false, "Ctrl+Shift: the program's value (step 5)"},
        {kLButton | kAlt, {"typed 5"}, false, "Alt: typed value"},
        {kRButton, {}, true, "right button"},
        {kLButton | kApple, {}, true, "Super"},
        {kLButton | kShift, {}, true, "Shift"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.describe(PLAY_MODE, 0, playModeStep(2), 8, 7.99f, false);
        bench.services.setOrigValue(PLAY_MODE, playModeStep(5));
        auto* menu = addMenu(bench, PLAY_MODE, MENU_RECT, false);
        bench.host.target.chooseNext({"Entry 6"});
        bench.click(CPoint(160, 58), c.buttons);
        EXPECT_EQ(bench.services.calls, c.calls) << c.why;
        // The host hears no value; a choice from the pop-up is a gesture of its own.
        const std::vector<std::string> gesture{"begin 5", "end 5"};
        EXPECT_EQ(bench.services.hostLog, c.popup ? gesture : std::vector<std::string>()) << c.why;
        EXPECT_EQ(bench.host.target.getShownMenus().size(), c.popup ? 1u : 0u) << c.why;
        if (c.popup) {
            ASSERT_EQ(bench.host.reports.size(), 1u) << c.why;
            EXPECT_EQ(bench.host.reports[0], menu);
            EXPECT_EQ(menu->getValue(), 6.0f) << c.why;
            EXPECT_EQ(menu->lastButton.getButtonState(), c.buttons) << c.why;
        }
        EXPECT_EQ(without(bench.host.log, "modifierClick").empty(), true) << c.why;
    }
}

// The wheel steps the parameter, finely with Shift; a preset menu steps the
// programs, except while one is being applied; a folder menu asks its folder
// step; a bypassed menu passes the wheel on.
TEST(OptionMenu, Wheel) {
    struct Case {
        int kind;  // 0 plain, 1 preset, 2 folder
        float distance;
        int32 buttons;
        bool bypassed;
        bool settingPreset;
        bool handled;
        std::vector<std::string> calls;
        std::vector<std::string> editorLog;
        const char* why;
    } cases[] = {
        {0, 1, 0, false, false, true, {"changeDelta 5 -1"}, {}, "up: the previous entry"},
        {0, -2, 0, false, false, true, {"changeDelta 5 1"}, {}, "down: the next"},
        {0, 1, kShift, false, false, true, {"changeDelta 5 -1 fine"}, {}, "Shift: fine"},
        {0, 1, 0, true, false, false, {}, {}, "bypassed: passed on"},
        {1, 1, 0, false, false, true, {}, {"changeProgramDelta -1"}, "preset: the previous program"},
        {1, -1, 0, false, true, true, {}, {}, "preset while a program is applied: nothing"},
        {2, -1, 0, false, false, true, {}, {"changeFolderDelta 1"}, "folder"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.settingPreset = c.settingPreset;
        auto* menu = addMenu(bench, c.kind == 0 ? PLAY_MODE : look::NO_PARAM_TAG, MENU_RECT, false);
        if (c.kind == 1)
            menu->setPresetMenu();
        if (c.kind == 2)
            menu->setFolderMenu();
        menu->setBypassed(c.bypassed);
        EXPECT_EQ(bench.host.target.wheel(CPoint(160, 58), c.distance, c.buttons), c.handled) << c.why;
        EXPECT_EQ(without(bench.services.calls, "set "), c.calls) << c.why;
        EXPECT_EQ(bench.host.log, c.editorLog) << c.why;
    }
}

// A preset menu 17 pixels high at 100 %: k = int(2 * 17 / 3 - 4) = 7; clicks
// right of R - 7 step forward, from R - 17 to R - 7 back, further left open the
// menu. No arrow steps while a program is being applied.
TEST(OptionMenu, ProgramArrows) {
    struct Case {
        double x;
        bool settingPreset;
        std::vector<std::string> editorLog;
        bool popup;
    } cases[] = {
        {249, false, {"changeProgramDelta 1"}, false},
        {244, false, {"changeProgramDelta 1"}, false},
        {243, false, {"changeProgramDelta -1"}, false},
        {234, false, {"changeProgramDelta -1"}, false},
        {233, false, {}, true},
        {249, true, {}, false},
        {240, true, {}, false},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.settingPreset = c.settingPreset;
        auto* menu = addMenu(bench, look::NO_PARAM_TAG, CRect(100, 50, 250, 67), true);
        menu->setPresetMenu();
        EXPECT_FALSE(menu->hasDeltaButtons());
        bench.click(CPoint(c.x, 58));
        EXPECT_EQ(bench.host.log, c.editorLog) << c.x;
        EXPECT_EQ(bench.host.target.getShownMenus().size(), c.popup ? 1u : 0u) << c.x;
    }
}

// A folder menu swallows clicks on its arrows (x < L + 2k) and opens on the rest.
TEST(OptionMenu, FolderArrowsAreConsumed) {
    TControlBench bench;
    auto* menu = addMenu(bench, look::NO_PARAM_TAG, MENU_RECT, false);
    menu->setFolderMenu();
    bench.click(CPoint(113, 58));
    EXPECT_TRUE(bench.host.target.getShownMenus().empty());
    EXPECT_TRUE(bench.host.log.empty());
    bench.click(CPoint(114, 58));
    EXPECT_EQ(bench.host.target.getShownMenus().size(), 1u);
}

// What the box shows: the stacked stages of "FX Path" top to bottom, the
// short names of modulation sources and destinations, the set text (a blank
// for an empty one), or else the current entry's title cut at 255 bytes.
TEST(OptionMenu, Texts) {
    struct Case {
        int tag;
        float value;
        const char* setText;  // null: none set
        std::vector<std::string> expected;
        const char* why;
    } cases[] = {
        {75, (0 + 0.1f) / 23.99f, nullptr, {"LOW-FI", "MOD FX", "DELAY", "REVERB"}, "FX Path, first order"},
        {75, (7 + 0.1f) / 23.99f, "ignored", {"MOD FX", "LOW-FI", "REVERB", "DELAY"}, "FX Path, order 7"},
        {75, (23 + 0.1f) / 23.99f, nullptr, {"REVERB", "DELAY", "MOD FX", "LOW-FI"}, "FX Path, last order"},
        {111, (5 + 0.1f) / 199.99f, "Long Name", {"Src5"}, "source menu: the short name"},
        {115, (30 + 0.1f) / 199.99f, nullptr, {"Dst30"}, "destination menu: the editor's short name"},
        {PLAY_MODE, 0, nullptr, {"Entry 2"}, "the current entry"},
        {PLAY_MODE, 0, "", {" "}, "an empty text shows a blank"},
        {PLAY_MODE, 0, "Poly", {"Poly"}, "a set text"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.put(c.tag, c.value);
        auto* menu = addMenu(bench, c.tag, CRect(100, 50, 200, 90), false);
        menu->setValue(2);
        if (c.setText)
            menu->setString(c.setText);
        EXPECT_EQ(bench.drawnTexts(), c.expected) << c.why;
    }
    // The stages each take a quarter of the box's height.
    TControlBench bench;
    addMenu(bench, 75, CRect(100, 50, 200, 90), false);
    std::vector<CRect> rects;
    for (const auto& op : bench.draw())
        if (op.kind == DrawOp::kText)
            rects.push_back(op.rect);
    EXPECT_EQ(rects, (std::vector<CRect>{{100, 50, 200, 60}, {100, 60, 200, 70}, {100, 70, 200, 80}, {100, 80, 200, 90}}));

    TControlBench longTitle;
    auto* menu = addMenu(longTitle, PLAY_MODE, MENU_RECT, false, 0);
    menu->addEntry(std::string(300, 'x'));
    menu->setValue(0);
    EXPECT_EQ(longTitle.drawnTexts(), std::vector<std::string>{std::string(255, 'x')});
}

// The box, its arrows, step buttons, text line and indicator square, placed
// as at 100 % and 125 %.
TEST(OptionMenu, Geometry) {
    TControlBench bench;
    auto* preset = addMenu(bench, look::NO_PARAM_TAG, MENU_RECT, false, 0);
    preset->setPresetMenu();
    preset->setString("Program");
    std::vector<DrawOp> ops = bench.draw();
    // a = 4, h = int(8.5 - 4) = 4; no box behind a preset menu.
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].points, (std::vector<CPoint>{{220, 58.5}, {216, 62.5}, {216, 54.5}}));
    EXPECT_EQ(ops[1].points, (std::vector<CPoint>{{212, 62.5}, {212, 54.5}, {208, 58.5}}));
    // Font 9: k = 5; one pixel below the middle at 100 %.
    EXPECT_EQ(ops[2].rect, CRect(100, 54, 220, 64));

    TControlBench stepped;
    stepped.host.big = 1;
    auto* menu = addMenu(stepped, PLAY_MODE, CRect(100, 50, 220, 71), true);
    menu->setIndicator(true, 2);
    ops = stepped.draw();
    ASSERT_EQ(ops.size(), 7u);
    EXPECT_EQ(ops[0].rect, CRect(100, 50, 220, 71));
    EXPECT_EQ(ops[0].fillColor, look::MENU_INNER_COLOR);
    EXPECT_EQ(ops[1].rect, CRect(100, 50, 120, 71));
    EXPECT_EQ(ops[2].rect, CRect(200, 50, 220, 71));
    EXPECT_EQ(ops[1].fillColor, look::MENU_ARROW_COLOR);
    EXPECT_EQ(ops[3].text, "-");
    EXPECT_EQ(ops[3].rect, CRect(106, 50, 126, 71));
    EXPECT_EQ(ops[4].text, "+");
    EXPECT_EQ(ops[4].rect, CRect(195, 51, 215, 72));
    EXPECT_EQ(ops[4].align, kRightText);
    // Font 11: k = 6 around the middle 60.5.
    EXPECT_EQ(ops[5].rect, CRect(100, 54, 220, 66));
    // The indicator at 125 %: side 21 - 2 * 7, from L + 25 + 7.
    EXPECT_EQ(ops[6].rect, CRect(132, 57, 139, 64));
    EXPECT_EQ(ops[6].fillColor, look::INDICATOR_COLOR);
}

// The indicator square (5 by 5, 26 from the left at 100 % for a height of 17)
// shows for even phases; setIndicator redraws only when the look changes; a
// bypassed menu draws its text dimmed.
TEST(OptionMenu, IndicatorAndBypass) {
    TControlBench bench;
    auto* menu = addMenu(bench, PLAY_MODE, MENU_RECT, false);
    auto square = [&]() -> const DrawOp* {
        static DrawOp found;
        for (const auto& op : bench.draw())
            if (op.kind == DrawOp::kRect && op.fillColor == look::INDICATOR_COLOR) {
                found = op;
                return &found;
            }
        return nullptr;
    };
    EXPECT_EQ(square(), nullptr);
    menu->setIndicator(true, 4);
    ASSERT_NE(square(), nullptr);
    EXPECT_EQ(square()->rect, CRect(126, 56, 131, 61));
    menu->setIndicator(true, 5);
    EXPECT_EQ(square(), nullptr);

    struct Step {
        bool on;
        int phase;
        bool redraw;
    } steps[] = {{true, 5, false}, {true, 6, true}, {false, 6, true}, {false, 7, false}, {true, 7, true}};
    for (const Step& s : steps) {
        menu->setDirty(false);
        menu->setIndicator(s.on, s.phase);
        EXPECT_EQ(menu->isDirty(), s.redraw) << s.on << " " << s.phase;
    }

    menu->setBypassed(true);
    for (const auto& op : bench.draw()) {
        if (op.kind == DrawOp::kText) {
            EXPECT_EQ(op.fontColor, look::TEXT_BYPASSED_COLOR);
        }
    }
    bench.click(CPoint(160, 58));
    EXPECT_TRUE(bench.host.target.getShownMenus().empty()) << "a bypassed menu opens nothing";
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
        bench.services.put(MOVEMENT_SYNC, c.synced ? 1.0f : 0.0f);
        bench.services.put(MOVEMENT_SPEED, c.synced ? (10 + 0.1f) / 33.99f : 0.5f);
        bench.host.add(new TMenuButton(MENU_RECT, &bench.host, "1/4", TMenuButton::kMoveSpeedMenu, false, true));
        bench.click(CPoint(c.x, 58), c.buttons);
        EXPECT_NEAR(bench.services.getParameter(MOVEMENT_SPEED), c.expected, 1e-6) << c.why;
        ASSERT_EQ(bench.services.hostLog.size(), 1u) << c.why << ": the host hears it";
        EXPECT_TRUE(bench.host.log.empty()) << c.why << ": no menu";
    }
}

// The middle of the speed field: double click or Ctrl the default, Ctrl+Shift
// the program's value (the host is not told); only a plain left Alt-click
// types a value; every other click opens the speed menu.
TEST(MenuButton, SpeedFieldMiddle) {
    struct Case {
        int32 buttons;
        bool doubleClick;
        std::vector<std::string> calls;
        bool menu;
        const char* why;
    } cases[] = {
        {kLButton, true, {"set 41 0.5"}, false, "double click: default"},
        {kLButton | kControl, false, {"set 41 0.5"}, false, "Ctrl: default"},
        {kLButton | kControl | kShift, false, {"set 41 0.25"}, false, "Ctrl+Shift: the program's value"},
        {kLButton | kAlt, false, {"typed 41"}, false, "Alt: typed value"},
        {kRButton | kAlt, false, {}, true, "right button with Alt: the menu"},
        {kLButton | kAlt | kShift, false, {}, true, "Alt+Shift: the menu"},
        {kLButton, false, {}, true, "a plain click: the menu"},
        {kRButton, false, {}, true, "right button: the menu"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.setOrigValue(MOVEMENT_SPEED, 0.25f);
        bench.host.add(new TMenuButton(MENU_RECT, &bench.host, "1/4", TMenuButton::kMoveSpeedMenu, false, true));
        if (c.doubleClick) {
            bench.click(CPoint(160, 58));
            bench.host.log.clear();
            bench.clock.advance(100);
            bench.host.target.click(CPoint(160, 58), c.buttons);
        } else {
            bench.click(CPoint(160, 58), c.buttons);
        }
        EXPECT_EQ(bench.services.calls, c.calls) << c.why;
        EXPECT_TRUE(bench.services.hostLog.empty()) << c.why;
        const std::vector<std::string> menu{"showMoveSpeedMenu"};
        EXPECT_EQ(bench.host.log, c.menu ? menu : std::vector<std::string>()) << c.why;
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
        bench.host.add(new TMenuButton(MENU_RECT, &bench.host, "", c.kind, c.kind == 1, false));
        bench.click(CPoint(160, 58), c.buttons);
        EXPECT_EQ(bench.host.log, std::vector<std::string>{c.menu});
        EXPECT_FALSE(bench.host.target.wheel(CPoint(160, 58), 1)) << "not handled";
        EXPECT_TRUE(bench.services.calls.empty());
    }
    TControlBench bench;
    bench.host.add(new TMenuButton(MENU_RECT, &bench.host, "", TMenuButton::kMoveSpeedMenu, false, true));
    EXPECT_TRUE(bench.host.target.wheel(CPoint(160, 58), 1));
    EXPECT_TRUE(bench.host.target.wheel(CPoint(160, 58), -1, kShift));
    EXPECT_EQ(without(bench.services.calls, "set "),
              (std::vector<std::string>{"changeDelta 41 1", "changeDelta 41 -1 fine"}));
}

// The boxed field draws its box, step buttons and text; the LED look a lit
// LED; a button with neither draws nothing.
TEST(MenuButton, Looks) {
    TControlBench bench;
    auto* field = bench.host.add(new TMenuButton(MENU_RECT, &bench.host, "1/4 QB", 2, false, true));
    bench.host.add(new TMenuButton(CRect(10, 10, 30, 30), &bench.host, "", 1, true, false));
    bench.host.add(new TMenuButton(CRect(300, 10, 330, 30), &bench.host, "", 0, false, false));
    const auto& ops = bench.draw();
    ASSERT_EQ(ops.size(), 8u);
    EXPECT_EQ(ops[0].rect, MENU_RECT);
    EXPECT_EQ(ops[3].text, "-");
    EXPECT_EQ(ops[4].text, "+");
    EXPECT_EQ(ops[5].text, "1/4 QB");
    EXPECT_EQ(ops[5].rect, CRect(100, 54, 220, 64));
    EXPECT_EQ(ops[5].fontColor, look::TEXT_COLOR);
    EXPECT_EQ(ops[6].frameColor, look::LED_ON.ring);
    EXPECT_EQ(ops[7].fillColor, look::LED_ON.dot);
    field->setDirty(false);
    field->setString("1/4 QB");
    EXPECT_FALSE(field->isDirty());
    field->setString("1/8 QB");
    EXPECT_TRUE(field->isDirty());
}
