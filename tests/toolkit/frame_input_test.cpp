// Input that a window system hands the frame: wheel turns on both axes and
// presses that carry their own time.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

namespace {
class SidewaysView : public ProbeView {
public:
    using ProbeView::ProbeView;
    bool onMouseWheel(const CPoint& where, CMouseWheelAxis axis, const float& distance,
                      const CButtonState& buttons) override {
        if (axis == kMouseWheelAxisX) {
            sideways += distance;
            return true;
        }
        return ProbeView::onMouseWheel(where, axis, distance, buttons);
    }
    float sideways = 0;
};
}  // namespace

TEST(FrameInput, WheelTurnsReachTheViewsThatTakeTheirAxis) {
    OffscreenFrame f;
    auto* plain = new ProbeView(CRect(0, 0, 50, 50));
    auto* sideways = new SidewaysView(CRect(60, 0, 110, 50));
    auto* panel = new CViewContainer(CRect(0, 60, 100, 120));
    auto* inner = new SidewaysView(CRect(10, 10, 40, 40));
    panel->addView(inner);
    f.frame->addView(plain);
    f.frame->addView(sideways);
    f.frame->addView(panel);

    EXPECT_TRUE(f.frame->platformOnWheel(CPoint(10, 10), kMouseWheelAxisY, 1, 0));
    EXPECT_EQ(plain->count("wheel"), 1) << "vertical turns keep reaching onWheel";
    EXPECT_FALSE(f.frame->platformOnWheel(CPoint(10, 10), kMouseWheelAxisX, 1, 0));
    EXPECT_EQ(plain->count("wheel"), 1) << "a sideways turn is no vertical one";

    EXPECT_TRUE(f.frame->platformOnWheel(CPoint(70, 10), kMouseWheelAxisX, -1, 0));
    EXPECT_EQ(sideways->sideways, -1);
    EXPECT_TRUE(f.frame->platformOnWheel(CPoint(20, 80), kMouseWheelAxisX, 2, 0));
    EXPECT_EQ(inner->sideways, 2) << "through a container, in its coordinates";
    EXPECT_TRUE(f.frame->platformOnWheel(CPoint(70, 10), 1, 0)) << "the host's path is the vertical axis";
    EXPECT_EQ(sideways->count("wheel"), 1);
}

TEST(FrameInput, DoubleClicksFollowThePressTimesNotTheDelivery) {
    TestClock clock(5000);  // delivery: all at once
    OffscreenFrame f;
    auto* view = new ProbeView(CRect(0, 0, 50, 50));
    f.frame->addView(view);
    struct Case {
        uint32 firstTicks, secondTicks;
        CPoint second;
        bool doubleClick;
        const char* why;
    };
    const Case cases[] = {
        {1000, 1300, CPoint(10, 10), true, "300 ms apart"},
        {2000, 2500, CPoint(10, 10), false, "500 ms apart, though delivered together"},
        {3000, 3100, CPoint(20, 10), false, "too far from the first press"},
    };
    for (const Case& c : cases) {
        view->events.clear();
        f.frame->platformOnMouseDown(CPoint(10, 10), kLButton, c.firstTicks);
        f.frame->platformOnMouseUp(CPoint(10, 10), kLButton);
        f.frame->platformOnMouseDown(c.second, kLButton, c.secondTicks);
        f.frame->platformOnMouseUp(c.second, kLButton);
        ASSERT_EQ(view->count("down"), 2) << c.why;
        EXPECT_EQ((view->events[2].buttons & kDoubleClick) != 0, c.doubleClick) << c.why;
        // The next case starts clean: a third press is never a double click.
        f.frame->platformOnMouseDown(CPoint(10, 10), kLButton, c.secondTicks + 10000);
        f.frame->platformOnMouseUp(CPoint(10, 10), kLButton);
    }
}
