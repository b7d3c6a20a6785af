// The knob driven through the frame as a user drives it: drags at both
// speeds, the semitone-stepped amounts, modifier clicks, the parameter menu,
// the drag-and-drop start, the modulation arc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ControlTestSupport.h"
#include "controls/ControlLook.h"
#include "controls/TKnob.h"

using namespace kgui;

namespace {
constexpr int SOURCE_SEMI = 12;  // a continuous parameter
constexpr int MOVEMENT_AMOUNT_1 = 57;
constexpr int MOVEMENT_DESTINATION_1 = 59;
const CPoint CENTRE(50, 150);

TKnob* addKnob(TControlBench& bench, int tag, float value, int knobSize = 60, int style = 0) {
    CPoint offset(0, 0);
    auto* knob = bench.host.add(new TKnob(CRect(20, 120, 20 + knobSize, 120 + knobSize), &bench.host, tag, offset,
                                          style == 1 || style == 3 || style == 5, knobSize, style));
    knob->setDefaultValue(0.5f);
    knob->setValue(value);
    bench.services.put(tag, value);
    bench.draw();  // shown once, as the window shows it after opening
    return knob;
}

bool contains(const std::vector<std::string>& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}
}  // namespace

// A vertical drag moves the value by the range over 200 pixels, over 10000
// with Shift; upward raises it; the value stops at the ends.
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
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-5) << c.why;
        EXPECT_NEAR(bench.services.getParameter(SOURCE_SEMI), c.expected, 1e-5) << c.why;
        bench.release(CPoint(CENTRE.x, CENTRE.y - c.pixelsUp));
        // The gesture reaches the host as one bracket around the automation.
        const auto& log = bench.services.hostLog;
        ASSERT_GE(log.size(), 3u) << c.why;
        EXPECT_EQ(log.front(), "begin 12") << c.why;
        EXPECT_EQ(log.back(), "end 12") << c.why;
        for (size_t i = 1; i + 1 < log.size(); ++i)
            EXPECT_EQ(log[i].rfind("automate 12 ", 0), 0u) << log[i];
    }
}

// Pressing or releasing Shift mid-drag changes the speed from where the value
// is: no jump.
TEST(Knob, ShiftChangingMidDragKeepsTheValue) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f);
    bench.press(CPoint(50, 170), kLButton | kShift);
    bench.move(CPoint(50, 70), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.31f, 1e-5);
    // Shift let go: the move that sees it change still runs at the old speed,
    // the following ones at the coarse speed from there.
    bench.move(CPoint(50, 69), kLButton);
    EXPECT_NEAR(knob->getValue(), 0.3101f, 1e-5);
    bench.move(CPoint(50, 49), kLButton);
    EXPECT_NEAR(knob->getValue(), 0.4101f, 1e-5);
    bench.move(CPoint(50, 48), kLButton | kShift);  // Shift again
    EXPECT_NEAR(knob->getValue(), 0.4151f, 1e-5);
    bench.move(CPoint(50, 38), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.4161f, 1e-5);
    bench.release(CPoint(50, 48));
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
        {8, kLButton, 37.0f / 72.0f, "Source Semi: 0.515 lands on step 37 (an integer division would give 0)"},
        {24, kLButton, 37.0f / 72.0f, "Sub Semi steps the same way"},
        {8, kLButton | kShift, 0.5f + 3.0f / 10000.0f, "Shift moves freely"},
        {9, kLButton, 0.515f, "Source Fine is no semitone destination"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.services.put(MOVEMENT_DESTINATION_1, (static_cast<float>(c.destinationStep) + 0.1f) / 199.99f);
        TKnob* knob = addKnob(bench, MOVEMENT_AMOUNT_1, 0.5f);
        bench.press(CENTRE, c.buttons);
        bench.move(CPoint(CENTRE.x, CENTRE.y - 3), c.buttons);
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-6) << c.why;
        EXPECT_NEAR(bench.services.getParameter(MOVEMENT_AMOUNT_1), c.expected, 1e-6) << c.why;
        bench.release(CENTRE);
    }
}

// Clicks that set a value at once, each bracketed by begin and end edit; the
// menu click begins no edit; a bypassed knob and a knob without a parameter
// ignore every click.
TEST(Knob, ModifierClicks) {
    struct Case {
        int32 buttons;
        bool doubleClick;
        bool bypassed;
        int tag;
        float expected;
        std::vector<std::string> hostLog;
        std::vector<std::string> editorLog;
        const char* why;
    } cases[] = {
        {kLButton, true, false, 12, 0.5f, {"begin 12", "automate 12 0.5", "end 12"}, {}, "double click: default"},
        {kLButton | kControl, false, false, 12, 0.5f, {"begin 12", "automate 12 0.5", "end 12"}, {},
         "Ctrl: default"},
        {kLButton | kControl | kShift, false, false, 12, 0.7f, {"begin 12", "automate 12 0.7", "end 12"}, {},
         "Ctrl+Shift: the loaded program's value"},
        {kLButton | kAlt, false, false, 12, 0.3f, {"begin 12", "end 12"}, {}, "Alt: typed value"},
        {kRButton, false, false, 12, 0.3f, {}, {"showMIDIMenu 12"}, "right button: parameter menu"},
        {kLButton | kApple, false, false, 12, 0.3f, {}, {"showMIDIMenu 12"}, "Super: parameter menu"},
        {kLButton | kControl, false, true, 12, 0.3f, {}, {}, "bypassed: ignored"},
        {kRButton, false, true, 12, 0.3f, {}, {}, "bypassed: no menu either"},
        {kLButton, true, false, look::NO_PARAM_TAG, 0.3f, {}, {}, "no parameter: ignored"},
        {kRButton, false, false, look::NO_PARAM_TAG, 0.3f, {}, {}, "no parameter: no menu"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        TKnob* knob = addKnob(bench, c.tag, 0.3f);
        bench.services.setOrigValue(SOURCE_SEMI, 0.7f);
        knob->setBypassed(c.bypassed);
        if (c.doubleClick) {
            bench.click(CENTRE);
            bench.services.hostLog.clear();
            bench.host.log.clear();
            bench.clock.advance(100);
            bench.host.target.click(CENTRE, c.buttons);
        } else {
            bench.click(CENTRE, c.buttons);
        }
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-6) << c.why;
        EXPECT_EQ(bench.services.hostLog, c.hostLog) << c.why;
        std::vector<std::string> editorLog;
        for (const auto& entry : bench.host.log)
            if (entry.rfind("showMIDIMenu", 0) == 0)
                editorLog.push_back(entry);
        EXPECT_EQ(editorLog, c.editorLog) << c.why;
        EXPECT_EQ(contains(bench.services.calls, "typed 12"), c.why == std::string("Alt: typed value")) << c.why;
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
        bench.host.dragAndDropOn = c.dragAndDropOn;
        bench.host.dropAllowed[SOURCE_SEMI] = c.dropAllowed;
        bench.click(CENTRE, c.buttons);
        EXPECT_EQ(contains(bench.host.log, "setDropTag 12"), c.expected);
        EXPECT_EQ(contains(bench.host.log, "releasedDropDial"), c.expected);
    }
}

// The modulation arc: drawn from the lower to the higher angle on the disc of
// the size's factor, only with dial animation on, beyond 0.01 and unbypassed.
TEST(Knob, ModulationArc) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f, 44, 2);
    auto arcs = [&] {
        std::vector<DrawOp> found;
        for (const auto& op : bench.draw())
            if (op.kind == DrawOp::kArc)
                found.push_back(op);
        return found;
    };
    knob->setModValue(0.3f, 1);
    EXPECT_TRUE(arcs().empty());

    knob->setModValue(0.7f, 2);
    auto drawn = arcs();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_NEAR(drawn[0].startAngle, TKnob::valueAngle(0.3f), 1e-4);
    EXPECT_NEAR(drawn[0].endAngle, TKnob::valueAngle(0.7f), 1e-4);
    // The middle knobs at 100 %: 0.84 of the radius 22 (18.48) around 42, rounded.
    EXPECT_EQ(drawn[0].rect, CRect(24, 124, 60, 160));
    EXPECT_EQ(drawn[0].frameColor, look::KNOB_INNER_COLOR);

    knob->setModValue(0.1f, 2);  // the same stamp: ignored
    EXPECT_FLOAT_EQ(knob->getModValue(), 0.7f);
    knob->setModValue(0.309f, 3);  // within 0.01 of the value: no arc
    EXPECT_TRUE(arcs().empty());

    knob->setModValue(0.9f, 4);
    knob->setBypassed(true);
    EXPECT_TRUE(arcs().empty()) << "a bypassed knob shows no modulation";
    knob->setBypassed(false);
    bench.host.dialAnimationOn = false;
    EXPECT_TRUE(arcs().empty());
    knob->setModValue(0.9f, 5);
    EXPECT_FLOAT_EQ(knob->getModValue(), 0.3f) << "animation off stores the knob's own value";
}

// The dial: the pointer dot at the value's angle, the centre mark only when
// asked for, the dot dimmed when bypassed.
TEST(Knob, DialParts) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.5f, 60, 1);
    knob->setModValue(0.5f, 1);
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

// The wheel is the toolkit knob's own: a hundredth per notch, reported and
// bracketed like any change.
TEST(Knob, WheelStepsAHundredth) {
    TControlBench bench;
    TKnob* knob = addKnob(bench, SOURCE_SEMI, 0.3f);
    EXPECT_TRUE(bench.host.target.wheel(CENTRE, 2));
    EXPECT_NEAR(knob->getValue(), 0.32f, 1e-6);
    EXPECT_EQ(bench.services.hostLog, (std::vector<std::string>{"begin 12", "automate 12 0.32", "end 12"}));
}
