// The knob driven through the frame as a user drives it, against the
// plug-in: drags at both speeds, the semitone-stepped amounts, modifier
// clicks, the parameter menu, the drag-and-drop start, the modulation arc.
#include <gtest/gtest.h>

#include <cmath>

#include "control_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TKnob.h"

using namespace kgui;

namespace {
constexpr int SOURCE_SEMI = 12;  // continuous, default 0.5
constexpr int MOVEMENT_AMOUNT_1 = 57;
constexpr int MOVEMENT_DESTINATION_1 = 59;
const CPoint CENTRE(50, 150);

TKnob* addKnob(TControlBench& bench, int tag, float value, int knobSize = 60, int style = 0) {
    CPoint offset(0, 0);
    auto* knob = bench.host->add(new TKnob(CRect(20, 120, 20 + knobSize, 120 + knobSize), bench.host, tag, offset,
                                           style % 2 == 1, knobSize, style));
    // As the editor registers it: the plug-in's default and value.
    knob->setDefaultValue(bench.plugin->getDefaultValue(tag));
    bench.plugin->setParameter(tag, value);
    knob->setValue(value);
    knob->setModValue(value, 1);
    bench.draw();  // shown once, as the window shows it after opening
    return knob;
}
}  // namespace

// A vertical drag moves the value by the range over 200 pixels, over 10000
// with Shift; upward raises it; the value stops at the ends. The host hears
// one gesture around the automation of every move.
TEST(Knob, DragSpeedsWithAndWithoutShift) {
    struct Case {
        int pixelsUp;
        int32 buttons;
        float expected;
        const char* why;
    } cases[] = {
        {100, kLButton, 0.8f, "100 pixels are half the range"},
        {100, kLButton | kShift, 0.31f, "with Shift 1/50 of that"},
        {-40, kLButton, 0.1f, "downward lowers"},
        {200, kLButton, 1.0f, "200 pixels cross the whole range; the value stops at 1"},
        {-200, kLButton, 0.0f, "and at 0"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f);
        bench.press(CENTRE, c.buttons);
        bench.move(CPoint(CENTRE.x, CENTRE.y - c.pixelsUp / 2.0), c.buttons);
        bench.move(CPoint(CENTRE.x + 3, CENTRE.y - c.pixelsUp), c.buttons);
        bench.release(CPoint(CENTRE.x, CENTRE.y - c.pixelsUp));
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-5) << c.why;
        EXPECT_NEAR(bench.plugin->getParameter(SOURCE_SEMI), c.expected, 1e-5) << c.why;
        ASSERT_EQ(bench.hostLog.size(), 5u) << c.why;
        EXPECT_EQ(bench.hostLog.front(), "begin 12");
        EXPECT_EQ(bench.hostLog[3], "automate 12 " + controls_test::number(knob->getValue()));
        EXPECT_EQ(bench.hostLog.back(), "end 12");
        EXPECT_EQ(bench.host->editTags, (std::vector<int>{SOURCE_SEMI, -1})) << "the editor knew the edited tag";
    }
}

// Pressing or releasing Shift mid-drag changes the speed from where the value
// is: the move that sees the change still runs at the old speed, the
// following ones at the new speed from there.
TEST(Knob, ShiftChangingMidDragKeepsTheValue) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f);
    struct Step {
        double y;
        int32 buttons;
        float expected;
    } steps[] = {
        {70, kLButton | kShift, 0.31f},    // 100 fine pixels
        {69, kLButton, 0.3101f},           // Shift let go
        {49, kLButton, 0.4101f},           // 20 coarse pixels
        {48, kLButton | kShift, 0.4151f},  // Shift again
        {38, kLButton | kShift, 0.4161f},  // 10 fine pixels
    };
    bench.press(CPoint(50, 170), kLButton | kShift);
    for (const Step& s : steps) {
        bench.move(CPoint(50, s.y), s.buttons);
        EXPECT_NEAR(knob->getValue(), s.expected, 1e-5) << s.y;
    }
    bench.release(CPoint(50, 38));
}

// An amount paired with a semitone destination moves in steps of 1/72 while
// dragged without Shift, freely with it; other destinations never step.
TEST(Knob, AmountsOfSemitoneDestinationsDragInSeventyTwoSteps) {
    struct Case {
        int destinationStep;
        int32 buttons;
        float expected;
        const char* why;
    } cases[] = {
        {8, kLButton, 40.0f / 72.0f, "Source Semi: 0.555 lands on step 40 (an integer division would give 0)"},
        {24, kLButton, 40.0f / 72.0f, "Sub Semi steps the same way"},
        {8, kLButton | kShift, 0.5f + 11.0f / 10000.0f, "Shift moves freely"},
        {9, kLButton, 0.555f, "Source Fine is no semitone destination"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.plugin->setSteppedValue(MOVEMENT_DESTINATION_1, c.destinationStep);
        TKnob* knob = addKnob(bench, MOVEMENT_AMOUNT_1, 0.5f);
        bench.press(CENTRE, c.buttons);
        bench.move(CPoint(CENTRE.x, CENTRE.y - 11), c.buttons);
        bench.release(CPoint(CENTRE.x, CENTRE.y - 11));
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-6) << c.why;
        EXPECT_NEAR(bench.plugin->getParameter(MOVEMENT_AMOUNT_1), c.expected, 1e-6) << c.why;
    }
}

// Clicks that set a value at once, each bracketed by begin and end edit; the
// menu click begins no edit; a bypassed knob and a knob without a parameter
// ignore every click. On Linux Ctrl stands for the default, Super for the menu,
// Alt for the typed value.
TEST(Knob, ModifierClicks) {
    struct Case {
        int32 buttons;
        bool doubleClick;
        bool bypassed;
        int tag;
        float expected;
        std::vector<std::string> hostLog;
        std::vector<std::string> editorLog;
        bool typed;
        const char* why;
    } cases[] = {
        {kLButton, true, false, 12, 0.5f, {"begin 12", "automate 12 0.5", "end 12"}, {}, false, "double click: default"},
        {kLButton | kControl, false, false, 12, 0.5f, {"begin 12", "automate 12 0.5", "end 12"}, {}, false, "Ctrl"},
        {kLButton | kControl | kShift, false, false, 12, 0.7f, {"begin 12", "automate 12 0.7", "end 12"}, {}, false,
         "Ctrl+Shift: the loaded program's value"},
        {kLButton | kAlt, false, false, 12, 0.3f, {"begin 12", "end 12"}, {}, true, "Alt: typed value"},
        {kRButton, false, false, 12, 0.3f, {}, {"showMIDIMenu 12"}, false, "right button: parameter menu"},
        {kLButton | kApple, false, false, 12, 0.3f, {}, {"showMIDIMenu 12"}, false, "Super: parameter menu"},
        {kLButton | kControl, false, true, 12, 0.3f, {}, {}, false, "bypassed: ignored"},
        {kRButton, false, true, 12, 0.3f, {}, {}, false, "bypassed: no menu either"},
        {kLButton, true, false, NO_PARAM_TAG, 0.3f, {}, {}, false, "no parameter: ignored"},
        {kRButton, false, false, NO_PARAM_TAG, 0.3f, {}, {}, false, "no parameter: no menu"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.setLoadedValue(SOURCE_SEMI, 0.7f);
        TKnob* knob = addKnob(bench, c.tag, 0.3f);
        knob->setDefaultValue(0.5f);
        knob->setBypassed(c.bypassed);
        if (c.doubleClick)
            bench.doubleClick(CENTRE, c.buttons);
        else
            bench.click(CENTRE, c.buttons);
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-6) << c.why;
        EXPECT_EQ(bench.hostLog, c.hostLog) << c.why;
        EXPECT_EQ(bench.host->log, c.editorLog) << c.why;
        EXPECT_EQ(bench.plugin->calls.size(), c.typed ? 1u : 0u) << c.why;
    }
}

// A plain press offers the knob as a drag-and-drop modulation source when the
// setting is on and its parameter may be one; the release ends the gesture.
TEST(Knob, DragAndDropStartsOnlyFromAPlainPress) {
    struct Case {
        bool dragAndDropOn;
        bool dropAllowed;
        int32 buttons;
        bool expected;
    } cases[] = {
        {true, true, kLButton, true},
        {false, true, kLButton, false},
        {true, false, kLButton, false},
        {true, true, kLButton | kControl, false},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        addKnob(bench, SOURCE_SEMI, 0.3f);
        bench.host->dragAndDropOn = c.dragAndDropOn;
        bench.host->dropAllowed[SOURCE_SEMI] = c.dropAllowed;
        bench.click(CENTRE, c.buttons);
        const std::vector<std::string> gesture{"setDropTag 12", "releasedDropDial"};
        EXPECT_EQ(bench.host->log, c.expected ? gesture : std::vector<std::string>());
    }
}

// The modulation arc: drawn from the lower to the higher angle on the disc of
// the size's factor, only with dial animation on, beyond 0.01 and unbypassed.
TEST(Knob, ModulationArc) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f, 44, 2);
    EXPECT_TRUE(bench.drawn(DrawOp::kArc).empty());

    knob->setModValue(0.7f, 2);
    auto arcs = bench.drawn(DrawOp::kArc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_NEAR(arcs[0].startAngle, TKnob::valueAngle(0.3f), 1e-4);
    EXPECT_NEAR(arcs[0].endAngle, TKnob::valueAngle(0.7f), 1e-4);
    // The middle knobs at 100 %: 0.84 of the radius 22 (18.48) around 42, rounded.
    EXPECT_EQ(arcs[0].rect, CRect(24, 124, 60, 160));
    EXPECT_EQ(arcs[0].frameColor, look::KNOB_INNER_COLOR);
    bench.host->big = 3;
    EXPECT_EQ(bench.drawn(DrawOp::kArc)[0].rect, CRect(23, 123, 61, 161)) << "0.87 at 200 %";
    bench.host->big = 0;

    knob->setModValue(0.1f, 2);  // the same stamp: ignored
    EXPECT_FLOAT_EQ(knob->getModValue(), 0.7f);
    knob->setModValue(0.309f, 3);  // within 0.01 of the value: no arc
    EXPECT_TRUE(bench.drawn(DrawOp::kArc).empty());

    knob->setModValue(0.9f, 4);
    knob->setBypassed(true);
    EXPECT_TRUE(bench.drawn(DrawOp::kArc).empty()) << "a bypassed knob shows no modulation";
    knob->setBypassed(false);
    bench.host->dialAnimationOn = false;
    EXPECT_TRUE(bench.drawn(DrawOp::kArc).empty());
    knob->setModValue(0.9f, 5);
    EXPECT_FLOAT_EQ(knob->getModValue(), 0.3f) << "animation off stores the knob's own value";
}

// The dial: the pointer dot at the value's angle, the centre mark only when
// asked for, the dot dimmed when bypassed.
TEST(Knob, DialParts) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.5f, 60, 1);
    const auto& ops = bench.draw();
    ASSERT_EQ(ops.size(), 4u);  // disc, centre mark, hub, dot
    EXPECT_EQ(ops[0].rect, CRect(23, 123, 77, 177));
    EXPECT_EQ(ops[1].kind, DrawOp::kLine);
    EXPECT_EQ(ops[1].lineWidth, 3);
    EXPECT_EQ(ops[1].points[1], CPoint(50, 126));
    // Value 0.5 points 1.8 degrees right of straight up, 0.57 r from the centre.
    const CRect dot = ops[3].rect;
    EXPECT_NEAR((dot.left + dot.right) / 2, 50 + 17.1 * std::sin(1.8 * M_PI / 180), 0.6);
    EXPECT_NEAR((dot.top + dot.bottom) / 2, 150 - 17.1 * std::cos(1.8 * M_PI / 180), 0.6);
    EXPECT_EQ(ops[3].fillColor, look::KNOB_DOT_COLOR);
    knob->setBypassed(true);
    EXPECT_EQ(bench.draw().back().fillColor, look::KNOB_DOT_BYPASSED_COLOR);
}
