// The Movement selector and display: clicks set the symmetry (snapped in
// floating point), Shift drags bend the shape on the clicked side, the
// modifier clicks, the markers fed by the idle pass, and what is drawn.
#include <gtest/gtest.h>

#include <cmath>

#include "display_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TLFOScreen.h"
#include "controls/TLFOSelector.h"
#include "engine/ModTables.h"

using namespace kgui;

namespace {
constexpr int WAVE = 39, SYMMETRY = 43, SHAPE_UP = 44, SHAPE_DOWN = 45;
// The display at its 100 % place: 1057 x 132, markers of radius 6.
const CRect SCREEN(37, 119, 37 + 1057, 119 + 132);

struct MovementBench : TDisplayBench<TDisplayServices> {
    MovementBench() : TDisplayBench(CRect(0, 0, 1200, 300)) {
        screen = host.add(new TLFOScreen(SCREEN, &host, true, true, true));
        selector = host.add(new TLFOSelector(CRect(414, 95, 414 + 304, 95 + 18), &host));
    }
    double atFraction(double t) const { return SCREEN.left + t * screen->getShapeWidth(); }
    int linesIn(const CColor& colour) {
        int count = 0;
        for (const DrawOp& op : draw())
            count += op.kind == DrawOp::kLine && op.frameColor == colour;
        return count;
    }
    TLFOScreen* screen;
    TLFOSelector* selector;
};
}  // namespace

TEST(Movement, ShapeTagsAreTheEngines) {
    for (size_t w = 0; w < 4; ++w) {
        EXPECT_EQ(TLFOScreen::MOVE_SHAPE_UP_TAGS[w], MOVE_SHAPE_UP_TAGS[w]);
        EXPECT_EQ(TLFOScreen::MOVE_SHAPE_DOWN_TAGS[w], MOVE_SHAPE_DOWN_TAGS[w]);
    }
}

TEST(Movement, ClicksAndDragsSetTheSymmetrySnappedToTheGrid) {
    struct Case {
        int snap;
        double at;
        float expected;
        const char* why;
    } cases[] = {
        {0, 0.3, 0.3f, "no grid: where the pointer is"},
        {3, 0.3, 0.25f, "four divisions: the nearest quarter, not 0 as whole-number division gave"},
        {3, 0.4, 0.5f, "four divisions: the middle"},
        {9, 0.51, 0.5f, "32 divisions"},
        {4, 0.9, 5.0f / 6, "six divisions"},
        {9, 1.1, 1.0f, "a drag past the end snaps to 35/32, held to 1"},
    };
    for (const Case& c : cases) {
        MovementBench bench;
        bench.screen->setSnap(c.snap);
        bench.drag(CPoint(bench.atFraction(0.5), 180), CPoint(bench.atFraction(c.at), 180));
        EXPECT_NEAR(bench.services.getParameter(SYMMETRY), c.expected, 2e-3) << c.why;
        EXPECT_EQ(bench.hostLog.front(), "begin 43") << "the host hears a gesture";
    }
}

TEST(Movement, ShiftDragsBendTheShapeOnTheClickedSide) {
    struct Case {
        int wave;
        double at;
        int tag;
    } cases[] = {
        {0, 0.25, SHAPE_UP}, {0, 0.75, SHAPE_DOWN}, {1, 0.25, SHAPE_DOWN}, {1, 0.75, SHAPE_UP},
        {2, 0.25, SHAPE_UP}, {2, 0.75, SHAPE_UP},   {3, 0.25, SHAPE_DOWN}, {3, 0.75, SHAPE_DOWN},
    };
    for (const Case& c : cases) {
        MovementBench bench;
        bench.services.setSteppedValue(WAVE, c.wave);
        const int other = c.tag == SHAPE_UP ? SHAPE_DOWN : SHAPE_UP;
        bench.drag(CPoint(bench.atFraction(c.at), 150), CPoint(bench.atFraction(c.at), 119 + 33), kLButton | kShift);
        EXPECT_EQ(bench.screen->getEditTag(), c.tag) << "wave " << c.wave << " at " << c.at;
        EXPECT_NEAR(bench.services.getParameter(c.tag), 0.75f, 1e-6) << "a quarter down the display";
        EXPECT_FLOAT_EQ(bench.services.getParameter(other), 0.5f);
        EXPECT_FLOAT_EQ(bench.services.getParameter(SYMMETRY), 0.5f) << "a Shift drag leaves the symmetry";
        EXPECT_TRUE(bench.host.logged("setMoveUndo"));
        EXPECT_TRUE(bench.host.logged("setMainScreenDirty"));
    }
}

TEST(Movement, ModifierClicksMenusAndTheWheel) {
    MovementBench bench;
    for (int tag : {SYMMETRY, SHAPE_UP, SHAPE_DOWN}) {
        bench.services.put(tag, 0.9f);
        bench.services.setOrigValue(tag, 0.2f);
    }
    bench.click(CPoint(500, 180), kLButton | kControl);
    for (int tag : {SYMMETRY, SHAPE_UP, SHAPE_DOWN})
        EXPECT_FLOAT_EQ(bench.services.getParameter(tag), 0.5f) << "Ctrl: the defaults of " << tag;
    bench.click(CPoint(500, 180), kLButton | kControl | kShift);
    for (int tag : {SYMMETRY, SHAPE_UP, SHAPE_DOWN})
        EXPECT_FLOAT_EQ(bench.services.getParameter(tag), 0.2f) << "Ctrl+Shift: the program's " << tag;
    bench.click(CPoint(500, 180), kLButton | kAlt);
    EXPECT_TRUE(bench.services.called("typed 43"));
    bench.click(CPoint(500, 180), kRButton);
    EXPECT_TRUE(bench.host.logged("showMovementMenu"));

    // The selector: a click (any button) picks the cell; the wheel steps, up going back.
    bench.click(CPoint(414 + 304 * 0.6, 100));
    EXPECT_EQ(bench.services.getSteppedValue(WAVE), 2);
    bench.click(CPoint(414 + 304 * 0.9, 100), kRButton);
    EXPECT_EQ(bench.services.getSteppedValue(WAVE), 3);
    bench.host.target.wheel(CPoint(500, 100), 1);
    EXPECT_EQ(bench.services.getSteppedValue(WAVE), 2);
    bench.host.target.wheel(CPoint(500, 180), -1);
    EXPECT_EQ(bench.services.getSteppedValue(WAVE), 3);
}

TEST(Movement, MarkersFromTheIdlePassAreHeldToTheShape) {
    MovementBench bench;
    struct Case {
        float pos, pan;
        int key, movePos, panPos;
        const char* why;
    } cases[] = {
        {0.5f, 0.0f, 1, 64, 0, "the middle of the cycle, panned left"},
        {0.9f, 1.0f, 1, 64, 0, "the same key changes nothing"},
        {1.7f, 1.0f, 2, 128, 132 - 2 * 5, "a phase past the end is held to the last point"},
        {NAN, NAN, 3, -1, -1, "a phase that is not a number hides the markers"},
        {-1.0f, 0.5f, 4, -1, 61, "no note: no position marker"},
    };
    for (const Case& c : cases) {
        bench.screen->setPos(c.pos, c.pan, c.key);
        EXPECT_EQ(bench.screen->getMovePos(), c.movePos) << c.why;
        EXPECT_EQ(bench.screen->getPanPos(), c.panPos) << c.why;
    }
    bench.draw();
    bench.screen->setPos(-1.0f, 0.5f, 5);
    EXPECT_FALSE(bench.screen->isDirty()) << "a new key with the same markers is no redraw";

    // The grid: none when off, 33 lines at 32 divisions.
    EXPECT_EQ(bench.linesIn(look::LFO_SNAP_COLOR), 0);
    bench.screen->setSnap(9);
    EXPECT_EQ(bench.linesIn(look::LFO_SNAP_COLOR), 33);
    // The "L" and "R" letters stay while the pan marker is hidden.
    EXPECT_NE(bench.host.target.getRecorder().findText("L"), nullptr);
    EXPECT_NE(bench.host.target.getRecorder().findText("R"), nullptr);

    // A symmetry of 0 puts its marker on the second point, not the first.
    bench.services.put(SYMMETRY, 0);
    bool found = false;
    for (const DrawOp& op : bench.draw())
        if (op.kind == DrawOp::kEllipse && op.fillColor == look::LFO_MID_COLOR)
            found = std::lround(op.rect.getCenter().x) == bench.screen->shapeX(1);
    EXPECT_TRUE(found);
}

TEST(Movement, NarrowSelectorCellsShowOnlyTheHighlight) {
    MovementBench bench;
    auto* narrow = bench.host.add(new TLFOSelector(CRect(10, 10, 29, 20), &bench.host));
    int waveLines = 0, fills = 0;
    for (const DrawOp& op : bench.draw()) {
        if (!narrow->getViewSize().pointInside(op.rect.getCenter()))
            continue;
        waveLines += op.kind == DrawOp::kLine;
        fills += op.kind == DrawOp::kRect && op.fillColor == look::LFO_SELECTED_BACK_COLOR;
    }
    EXPECT_EQ(waveLines, 0) << "cells of 4 pixels have no wave";
    EXPECT_EQ(fills, 1) << "the chosen cell is highlighted";
}
