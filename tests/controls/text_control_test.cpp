// Readouts and captions: where their text lines sit, their colours and
// fonts, their momentary-button use, and the rules every control keeps about
// the editor (nothing drawn before it has opened, sizes clamped).
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TRadioButton.h"
#include "controls/TReadout.h"
#include "controls/TReadoutString.h"

using namespace kgui;

namespace {
std::vector<DrawOp> textOps(TControlBench& bench) { return bench.drawn(DrawOp::kText); }
}  // namespace

// The text line is int(font + 2) / 2 above and below the middle, one pixel
// lower at 100 %; the big font swaps the size table.
TEST(Readout, TextLine) {
    struct Case {
        int size;
        bool bigFont;
        bool centered;
        CRect expected;
        double fontSize;
    } cases[] = {
        {0, false, true, CRect(10, 24, 110, 34), 9},
        {1, false, false, CRect(10, 22, 110, 34), 11},
        {0, true, true, CRect(10, 22, 110, 36), 12},
        {3, true, true, CRect(10, 18, 110, 38), 18},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.host->big = c.size;
        auto* readout = bench.host->add(new TReadout(CRect(10, 20, 110, 36), bench.host, "Preset", c.centered, true));
        if (c.bigFont)
            readout->setBigFont();
        const auto& ops = bench.draw();
        ASSERT_EQ(ops.size(), 2u);
        EXPECT_EQ(ops[0].fillColor, look::MENU_INNER_COLOR);
        EXPECT_EQ(ops[1].rect, c.expected) << c.size;
        EXPECT_EQ(ops[1].fontSize, c.fontSize);
        EXPECT_EQ(ops[1].align, c.centered ? kCenterText : kLeftText);
        EXPECT_EQ(ops[1].fontColor, look::TEXT_COLOR);
    }
}

// setString redraws only on a change; an empty text still draws the box; a
// readout made to react to the mouse reports 1 pressed and 0 released, any
// other never changes its value.
TEST(Readout, StringsAndMouse) {
    TControlBench bench;
    auto* readout = bench.host->add(new TReadout(CRect(10, 20, 110, 36), bench.host, "A", true, true));
    readout->setDirty(false);
    readout->setString("A");
    EXPECT_FALSE(readout->isDirty());
    readout->setString("");
    EXPECT_TRUE(readout->isDirty());
    const auto& ops = bench.draw();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, DrawOp::kRect);
    EXPECT_EQ(ops[1].text, "");

    bench.click(CPoint(50, 28));
    EXPECT_TRUE(bench.host->values.empty());
    readout->setReactToMouse();
    bench.click(CPoint(50, 28), kRButton);
    EXPECT_TRUE(bench.host->values.empty()) << "only the left button";
    bench.click(CPoint(50, 28));
    EXPECT_EQ(bench.host->values, (std::vector<float>{1, 0}));

    auto* line = bench.host->add(new TReadoutString(CRect(10, 50, 110, 70), bench.host, "440 Hz", true, false, true));
    bench.click(CPoint(50, 60));
    EXPECT_EQ(bench.host->values, (std::vector<float>{1, 0, 1, 0}));
    EXPECT_EQ(line->getString(), "440 Hz");
    bench.draw();
    const DrawOp* text = bench.host->target.getRecorder().findText("440 Hz");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->fontSize, 18);
    EXPECT_EQ(text->fontColor, kBlackCColor);
    EXPECT_EQ(text->rect, CRect(10, 50, 110, 70));
    EXPECT_EQ(text->align, kLeftText);
}

// A caption splits at "!" into lines sharing the height, bold in its font;
// the indicator blinks between the colour and its dim form and wins over the
// bypassed look.
TEST(Label, LinesColoursAndIndicator) {
    TControlBench bench;
    const CColor white(255, 255, 255, 255);
    auto* label = bench.host->add(new TLabel(CRect(10, 10, 90, 28), "MOVEMENT!>FILTER", kNormalFontVerySmall, white, 5));
    auto ops = textOps(bench);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].text, "MOVEMENT");
    EXPECT_EQ(ops[0].rect, CRect(10, 10, 90, 19));
    EXPECT_EQ(ops[1].text, ">FILTER");
    EXPECT_EQ(ops[1].rect, CRect(10, 19, 90, 28));
    EXPECT_EQ(ops[0].fontStyle, kBoldFace);
    EXPECT_EQ(ops[0].fontSize, 9);
    EXPECT_EQ(ops[0].align, kCenterText) << "any alignment but 0 and 2 centres";

    label->setString("A!B!");
    EXPECT_EQ(textOps(bench).size(), 3u) << "a trailing ! gives an empty last line";

    const CColor dim(255, 255, 255, 63);
    struct Step {
        bool bypassed;
        bool indicator;
        int phase;
        CColor expected;
    } steps[] = {
        {false, false, 0, white}, {false, true, 1, dim},  {false, true, 2, white},
        {false, true, 3, dim},    {true, true, 2, white}, {true, false, 2, dim},
    };
    for (const Step& s : steps) {
        label->setBypassed(s.bypassed);
        label->setIndicator(s.indicator, s.phase);
        EXPECT_EQ(textOps(bench)[0].fontColor, s.expected) << s.bypassed << s.indicator << s.phase;
    }
    label->setDirty(false);
    label->setColor(white);
    label->setOn(false);
    EXPECT_FALSE(label->isDirty());
    label->setColor(look::TEXT_COLOR);
    EXPECT_EQ(textOps(bench)[0].fontColor, look::TEXT_BYPASSED_COLOR);
    label->setInvisible(true);
    EXPECT_TRUE(textOps(bench).empty());
}

// Before the editor has finished opening, and in a frame with no control
// host, no control draws anything and the mouse changes nothing.
TEST(Controls, NothingBeforeTheEditorHasOpened) {
    for (int hostless = 0; hostless < 2; ++hostless) {
        TControlBench bench;
        bench.host->finishedOpening = false;
        CFrame* frame = bench.host->getFrame();
        OffscreenTarget bareTarget;
        if (hostless) {
            frame = new CFrame(CRect(0, 0, 400, 300), nullptr);
            frame->open(bareTarget.parentHandle());
        }
        CPoint offset;
        auto* knob = new TKnob(CRect(0, 0, 30, 30), bench.host, 12, offset, true, 30, 5);
        frame->addView(knob);
        frame->addView(new TOnOff(CRect(40, 0, 53, 13), bench.host, 11, nullptr, false, 0));
        frame->addView(new TRadioButton(CRect(60, 0, 73, 13), bench.host, 0, 0));
        frame->addView(new TKickButton(CRect(80, 0, 100, 20), bench.host, "GO", 1));
        auto* menu = new TOptionMenu(CRect(0, 40, 100, 57), bench.host, 5, nullptr, nullptr, 256, true, true);
        menu->addEntry("Poly");
        frame->addView(menu);
        frame->addView(new TMenuButton(CRect(0, 60, 100, 77), bench.host, "1/4", 2, true, true));
        frame->addView(new TReadout(CRect(0, 80, 100, 97), bench.host, "text", true, true));
        frame->addView(new TReadoutString(CRect(0, 100, 100, 117), bench.host, "text", false, true, false));
        frame->addView(new TLabel(CRect(0, 120, 100, 137), "text", kNormalFont, look::TEXT_COLOR, 1));
        OffscreenTarget& target = hostless ? bareTarget : bench.host->target;
        target.getRecorder().clear();
        target.renderAll();
        EXPECT_TRUE(target.getRecorder().ops.empty()) << hostless;
        if (hostless) {
            target.click(CPoint(15, 15));
            target.click(CPoint(45, 5));
            EXPECT_FLOAT_EQ(knob->getValue(), 0);
            EXPECT_TRUE(bench.host->values.empty());
            EXPECT_TRUE(target.wheel(CPoint(50, 48), 1)) << "a menu without an editor swallows the wheel";
            EXPECT_TRUE(bench.plugin->calls.empty());
            frame->close();
        }
    }
}

// A screen size beyond 3 from the editor still reads the 200 % tables.
TEST(Controls, ScreenSizeIsClampedForEveryLookup) {
    TControlBench bench;
    bench.host->big = 9;
    bench.host->add(new TOptionMenu(CRect(0, 0, 120, 30), bench.host, 5, nullptr, nullptr, 256, true, true));
    bench.host->add(new TReadout(CRect(0, 40, 100, 60), bench.host, "x", true, false));
    for (const auto& op : bench.draw()) {
        if (op.kind == DrawOp::kText) {
            EXPECT_EQ(op.fontSize, 18);
        }
    }
    bench.click(CPoint(30, 15));
    EXPECT_EQ(bench.plugin->calls.front(), "changeDelta 5 -1") << "the 200 % button is 32 wide";
}
