// The output scope (zoom, clicks, the bounded read, a trace of the plug-in's
// real output) and the Gator display (the pattern's bits in a parameter value,
// the whole-pattern clicks, what is filled and marked).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "display_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TGatorDisplay.h"
#include "controls/TWaveScreen.h"

using namespace kgui;

namespace {
const CRect SCOPE(178, 3, 178 + 268, 3 + 65);
const CRect GATE(148, 4, 148 + 128, 4 + 16);  // 8 pixels a step
constexpr int PATTERN = 88, LENGTH = 87;

// A stand-in that records how many points the scope asked for and fills them.
struct TScopeServices : TDisplayServices {
    void getWaveDisplay(int points, float, float* out) override {
        asked = points;
        for (int i = 0; i < points; ++i)
            out[i] = i % 4 < 2 ? 0.25f : 0.75f;
    }
    int asked = 0;
};

std::vector<const DrawOp*> linesOf(const std::vector<DrawOp>& ops, const CColor& colour) {
    std::vector<const DrawOp*> lines;
    for (const DrawOp& op : ops)
        if (op.kind == DrawOp::kLine && op.frameColor == colour)
            lines.push_back(&op);
    return lines;
}

}  // namespace

TEST(Scope, ZoomStaysWithinASixteenthAndSixteen) {
    TDisplayBench<TScopeServices> bench;
    auto* scope = bench.host.add(new TWaveScreen(SCOPE, &bench.host, true));
    struct Case {
        float factor;
        int percent;
        const char* why;
    } cases[] = {
        {2, 50, "zoom out"},         {16, 6, "held at 16"},   {2, 6, "2.0 from 16 stays 16"},
        {0, 100, "0 resets"},        {0.01f / 2, 100, "anything under 0.01 resets"},
        {0.0625f, 1600, "zoom in"},  {0.5f, 1600, "0.5 from a sixteenth stays"},
        {NAN, 100, "not a number resets"},
    };
    for (const Case& c : cases) {
        scope->setZoom(c.factor);
        EXPECT_EQ(scope->getZoom(), c.percent) << c.why;
    }
    bench.host.target.wheel(SCOPE.getCenter(), 1);
    EXPECT_EQ(scope->getZoom(), 200) << "the wheel up zooms in";
    bench.host.target.wheel(SCOPE.getCenter(), -1);
    bench.host.target.wheel(SCOPE.getCenter(), -1);
    EXPECT_EQ(scope->getZoom(), 50);
    bench.doubleClick(SCOPE.getCenter());
    EXPECT_EQ(scope->getZoom(), 100) << "a double click resets";
    scope->setZoom(4);
    bench.host.log.clear();
    bench.click(SCOPE.getCenter(), kLButton | kControl);
    EXPECT_EQ(scope->getZoom(), 100) << "so does Ctrl";
    EXPECT_FALSE(bench.host.logged("showOutputMenu"));
    bench.click(SCOPE.getCenter());
    EXPECT_TRUE(bench.host.logged("showOutputMenu")) << "any other click opens the output menu";
}

TEST(Scope, AWideScopeReadsNoMoreThanItsBuffer) {
    TDisplayBench<TScopeServices> bench(CRect(0, 0, 1600, 200));
    const CRect wide(10, 10, 10 + 1500, 110);
    bench.host.add(new TWaveScreen(wide, &bench.host, true));
    const auto lines = linesOf(bench.draw(), look::WAVE_DISPLAY_COLOR);
    EXPECT_EQ(bench.services.asked, TWaveScreen::TRACE_BUFFER_SIZE);
    ASSERT_FALSE(lines.empty());
    EXPECT_GT(lines.back()->points[1].x, wide.right - 5) << "the points spread over the whole width";
}

// The plug-in's own history: a narrow scope gets nothing and draws along its
// bottom edge; a normal one follows the tone's cycles.
TEST(Scope, TracesThePluginsOutput) {
    TDisplayBench<TDisplayServices> bench(CRect(0, 0, 500, 200));
    TDisplayServices& plugin = bench.services;
    auto& host = bench.host;
    auto* scope = host.add(new TWaveScreen(SCOPE, &host, true));
    const CRect narrowRect(10, 100, 50, 140);
    host.add(new TWaveScreen(narrowRect, &host, true));
    plugin.setSteppedValue(10, 3);  // "Source Mode": "Wave"
    plugin.put(40, 1);              // "Movement Loop On/Off": the Movement keeps the volume up
    plugin.render(1);               // a change of source lets sounding notes go: before the note
    plugin.noteOn(57);
    const std::vector<float> output = plugin.render(40);
    scope->setZoom(0.0625f);  // the newest 1,024 frames across
    int cycles = 0;
    for (size_t i = output.size() - 1024; i < output.size(); ++i)
        cycles += output[i - 1] < 0 && output[i] >= 0;
    ASSERT_GE(cycles, 2) << "the tone sounds";

    host.target.getRecorder().clear();
    host.target.renderAll();
    std::vector<double> trace;
    for (const DrawOp& op : host.target.getRecorder().ops) {
        if (op.kind != DrawOp::kLine)
            continue;
        if (narrowRect.pointInside(op.points[0])) {
            EXPECT_EQ(op.points[1].y, narrowRect.bottom) << "a scope under 50 pixels is flat along its bottom";
        } else {
            trace.push_back(op.points[1].y);
        }
    }
    ASSERT_GT(trace.size(), 100u);
    const auto [low, high] = std::minmax_element(trace.begin(), trace.end());
    EXPECT_GT(*high - *low, 10) << "the tone swings the trace";
    EXPECT_GE(*low, SCOPE.top);
    EXPECT_LE(*high, SCOPE.bottom);
    const double middle = (*low + *high) / 2;
    // The trace runs from the top down as the signal rises: it crosses its middle
    // downward once a cycle, as the output crossed zero upward.
    int crossings = 0;
    for (size_t i = 1; i < trace.size(); ++i)
        crossings += trace[i - 1] > middle && trace[i] <= middle;
    EXPECT_NEAR(crossings, cycles, 1) << "one crossing a cycle of the output's last 1,024 frames";
}

TEST(Gator, ClicksFlipTheStepUnderTheMouse) {
    struct Case {
        std::uint32_t before;
        double x;
        std::uint32_t after;
        float written = -1;  // a host's value in place of the pattern before
    } cases[] = {
        {0x0000, 149, 0x0001}, {0x0001, 149, 0x0000}, {0x0000, 148 + 8 * 5 + 3, 0x0020},
        {0xFFFF, 275, 0x7FFF}, {0x00F0, 148 + 8 * 9 + 4, 0x02F0},
        // The effect plays steps 6, 7 and 15 of it (x 65535.9 is 32960.96); step 0 is off.
        {0x80C0, 149, 0x80C1, 16480.0f / 32767},
    };
    for (const Case& c : cases) {
        TDisplayBench<TDisplayServices> bench;
        auto* gate = bench.host.add(new TGatorDisplay(GATE, &bench.host, PATTERN));
        gate->setValue(c.written >= 0 ? c.written : TGatorDisplay::valueOf(c.before));
        bench.click(CPoint(c.x, 10));
        EXPECT_EQ(TGatorDisplay::maskOf(bench.services.getParameter(PATTERN)), c.after) << std::hex << c.before;
        EXPECT_EQ(bench.hostLog.front(), "begin 88");
        EXPECT_EQ(bench.hostLog.back(), "end 88");
        EXPECT_TRUE(bench.host.logged("setModFXUndo")) << "an undo image before the edit";
    }
    // The value encoding: step 0 of an empty pattern, then again.
    EXPECT_EQ(TGatorDisplay::valueOf(1), 1.5f / 65536);
    EXPECT_EQ(TGatorDisplay::maskOf(0.5f / 65536), 0u);
    TDisplayBench<TDisplayServices> bench;
    auto* gate = bench.host.add(new TGatorDisplay(GATE, &bench.host, PATTERN));
    EXPECT_EQ(gate->stepAt(GATE.right + 5), 15) << "past the right edge is the last step";
}

TEST(Gator, WholePatternClicksAndMenu) {
    struct Case {
        CButtonState buttons;
        float expected;
        const char* why;
    } cases[] = {
        {kLButton | kAlt, 0, "Alt: all steps off"},
        {kLButton | kShift, 1, "Shift: all on"},
        {kLButton | kControl, 0.36f, "Ctrl: the default"},
        {kLButton | kControl | kShift, 0.7f, "Ctrl+Shift: the program's pattern"},
        {kLButton | kMButton, 0.25f, "another combination changes nothing"},
    };
    for (const Case& c : cases) {
        TDisplayBench<TDisplayServices> bench;
        auto* gate = bench.host.add(new TGatorDisplay(GATE, &bench.host, PATTERN));
        gate->setValue(0.25f);
        bench.services.put(PATTERN, 0.25f);
        bench.services.setOrigValue(PATTERN, 0.7f);
        bench.click(CPoint(200, 10), c.buttons);
        EXPECT_FLOAT_EQ(bench.services.getParameter(PATTERN), c.expected) << c.why;
    }
    TDisplayBench<TDisplayServices> bench;
    bench.host.add(new TGatorDisplay(GATE, &bench.host, PATTERN));
    bench.click(CPoint(200, 10), kRButton);
    EXPECT_TRUE(bench.host.logged("showModFXMenu"));
    EXPECT_FALSE(bench.host.logged("setModFXUndo")) << "the menu pushes its own undo";
}

TEST(Gator, FillsTheStepsPlayedAndMarksThePlayingOne) {
    TDisplayBench<TDisplayServices> bench;
    auto* gate = bench.host.add(new TGatorDisplay(GATE, &bench.host, PATTERN));
    gate->setValue(TGatorDisplay::valueOf(0x5555));
    struct Case {
        float length;
        bool on;
        int position;
        int filled;
        int markerAt;
        const char* why;
    } cases[] = {
        {0, true, 3, 1, 3, "length 0: only the first step is filled"},
        {1, true, 15, 16, 15, "length 1: all sixteen"},
        {0.44f, false, 2, 8, -1, "off: bypassed colours and no marker"},
        {0.44f, true, -1, 8, -1, "no step playing"},
    };
    for (const Case& c : cases) {
        bench.services.put(LENGTH, c.length);
        gate->setOn(c.on);
        gate->setGaterPos(c.position);
        int filled = 0, markerAt = -1, onCells = 0;
        for (const DrawOp& op : bench.draw()) {
            if (op.kind == DrawOp::kRect && op.style == kDrawFilledAndStroked) {
                ++filled;
                onCells += op.fillColor == (c.on ? look::GATER_ON_COLOR : look::GATER_ON_BYPASS_COLOR);
            }
            if (op.kind == DrawOp::kLine && op.frameColor == look::GATER_POS_COLOR)
                markerAt = static_cast<int>((op.points[0].x - GATE.left) / 8);
        }
        EXPECT_EQ(filled, c.filled) << c.why;
        EXPECT_EQ(onCells, (c.filled + 1) / 2) << c.why << ": the even steps are set";
        EXPECT_EQ(markerAt, c.markerAt) << c.why;
    }
    // A host's value shows the steps the effect plays: 6, 7 and 15 of this one
    // (x 65535.9 is 32960.96), not step 0 as well.
    bench.services.put(LENGTH, 1);
    gate->setOn(true);
    gate->setValue(16480.0f / 32767);
    std::vector<int> onSteps;
    for (const DrawOp& op : bench.draw())
        if (op.kind == DrawOp::kRect && op.style == kDrawFilledAndStroked && op.fillColor == look::GATER_ON_COLOR)
            onSteps.push_back(static_cast<int>((op.rect.left - GATE.left) / 8));
    EXPECT_EQ(onSteps, (std::vector<int>{6, 7, 15}));
}
