// The view tree: reference counting, coordinates, hit testing and event routing.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "toolkit/X11Input.h"
#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

TEST(ReferenceCounting, OwnershipRulesOfContainersAndMenus) {
    LifeCounter::alive = 0;
    {
        CViewContainer container(CRect(0, 0, 100, 100));
        container.remember();  // on the stack: the last forget must never delete it

        // addView takes over the creator's reference: no extra count.
        auto* kept = new ProbeView(CRect(0, 0, 10, 10));
        container.addView(kept);
        EXPECT_EQ(kept->getNbReference(), 1);

        // removeView(v, false) detaches without releasing: the caller still owns it.
        kept->remember();
        container.removeView(kept, false);
        EXPECT_EQ(kept->getNbReference(), 2);
        EXPECT_FALSE(kept->isAttached());
        kept->forget();

        // removeView(v, true) releases the container's reference: the view dies.
        container.addView(kept);
        container.removeView(kept, true);
        EXPECT_EQ(LifeCounter::alive, 0);

        // removeAll(false) keeps every view alive for its owner, who re-adds it later.
        auto* a = new ProbeView(CRect(0, 0, 10, 10));
        auto* b = new ProbeView(CRect(10, 0, 20, 10));
        container.addView(a);
        container.addView(b);
        container.removeAll(false);
        EXPECT_EQ(LifeCounter::alive, 2);
        EXPECT_EQ(container.getNbViews(), 0);
        container.addView(a);  // a view can be shown again after detaching
        container.addView(b);
        EXPECT_FALSE(container.addView(a)) << "a view can only be in one place";
        container.removeAll(true);
        EXPECT_EQ(LifeCounter::alive, 0);
    }

    // A submenu added to a menu is remembered; the caller forgets its own
    // reference and the menu releases the submenu when it goes.
    auto* menu = new COptionMenu(CRect(0, 0, 16, 16), nullptr, 9999);
    auto* submenu = new COptionMenu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu->addEntry(submenu, "Sub");
    EXPECT_EQ(submenu->getNbReference(), 2);
    submenu->forget();
    EXPECT_EQ(submenu->getNbReference(), 1);
    submenu->remember();
    menu->forget();
    EXPECT_EQ(submenu->getNbReference(), 1) << "the menu released its reference";
    submenu->forget();

    // Bitmaps given to views are remembered by them.
    auto* bitmap = new CBitmap(-12345);
    auto* view = new CView(CRect(0, 0, 1, 1));
    view->setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    view->forget();
    EXPECT_EQ(bitmap->getNbReference(), 1);
    bitmap->forget();
}

TEST(ViewTree, CoordinatesAndGetViewAt) {
    OffscreenFrame f(CRect(0, 0, 400, 300));
    auto* panel = new CViewContainer(CRect(100, 50, 300, 250));
    auto* inner = new CViewContainer(CRect(10, 10, 110, 110));
    auto* deepest = new ProbeView(CRect(5, 5, 25, 25), "deepest");
    auto* top = new ProbeView(CRect(0, 0, 400, 20), "top");
    inner->addView(deepest);
    panel->addView(inner);
    f.frame->addView(panel);
    f.frame->addView(top);

    // deepest sits at (100+10+5, 50+10+5) in the frame.
    EXPECT_EQ(deepest->getFrameRect(), CRect(115, 65, 135, 85));
    CPoint p(120, 70);
    panel->frameToLocal(p);
    EXPECT_EQ(p, CPoint(20, 20));
    CPoint back(20, 20);
    panel->localToFrame(back);
    EXPECT_EQ(back, CPoint(120, 70));

    struct Case {
        CPoint where;
        bool deep;
        CView* expected;
        const char* why;
    };
    const Case cases[] = {
        {{120, 70}, true, deepest, "deep search descends through two containers"},
        {{120, 70}, false, panel, "a shallow search stops at the frame's child"},
        {{190, 140}, true, inner, "inside a container but on none of its children: the container"},
        {{250, 200}, true, panel, "on the panel only"},
        {{120, 10}, true, top, "the view added last is on top"},
        {{5, 290}, true, nullptr, "nothing under the point"},
        {{300, 100}, true, nullptr, "right edge belongs to the neighbour"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(f.frame->getViewAt(c.where, c.deep), c.expected) << c.why;

    // getCurrentView follows the last pointer position the frame saw.
    f.target.mouseMoved({121, 71});
    EXPECT_EQ(f.frame->getCurrentView(), deepest);
    CPoint location;
    f.frame->getCurrentMouseLocation(location);
    EXPECT_EQ(location, CPoint(121, 71));
    f.target.mouseMoved({5, 290});
    EXPECT_EQ(f.frame->getCurrentView(), nullptr);
}

TEST(EventRouting, PressGoesToTopmostViewAndHandledCaptures) {
    OffscreenFrame f(CRect(0, 0, 200, 200));
    auto* panel = new CViewContainer(CRect(50, 50, 150, 150));
    auto* below = new ProbeView(CRect(0, 0, 60, 60), "below");
    auto* above = new ProbeView(CRect(20, 20, 80, 80), "above");
    auto* disabled = new ProbeView(CRect(30, 30, 50, 50), "disabled");
    disabled->setMouseEnabled(false);
    panel->addView(below);
    panel->addView(above);
    panel->addView(disabled);
    f.frame->addView(panel);

    // On the overlap of all three: the disabled view is skipped, "above" wins.
    EXPECT_EQ(f.target.mouseDown({85, 85}), kMouseEventHandled);
    ASSERT_EQ(above->events.size(), 1u);
    EXPECT_EQ(above->events[0].where, CPoint(35, 35)) << "points arrive in the parent's coordinates";
    EXPECT_EQ(below->count("down"), 0);
    EXPECT_EQ(disabled->count("down"), 0);

    // Captured: moves and the release reach "above" even far outside it.
    f.target.mouseMoved({190, 5}, kLButton);
    f.target.mouseUp({195, 3});
    EXPECT_EQ(above->count("moved"), 1);
    EXPECT_EQ(above->count("up"), 1);
    EXPECT_EQ(above->events.back().where, CPoint(145, -47));
    EXPECT_EQ(below->count("moved") + below->count("up"), 0);

    // After the release a hover move goes to the view under the pointer.
    f.target.mouseMoved({55, 55});
    EXPECT_EQ(below->count("moved"), 1);

    // Result 3: handled, but no capture: the release goes nowhere.
    above->downResult = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    f.target.mouseDown({85, 85});
    f.target.mouseUp({85, 85});
    EXPECT_EQ(above->count("up"), 1) << "no further release after result 3";

    // A view that does not handle the press lets the one below have it.
    above->downResult = kMouseEventNotHandled;
    f.target.mouseDown({75, 75});
    EXPECT_EQ(below->count("down"), 1);
    f.target.mouseUp({75, 75});
    EXPECT_EQ(below->count("up"), 1);
}

TEST(EventRouting, WheelGoesToViewUnderMouseThenToViewsBelow) {
    OffscreenFrame f;
    auto* below = new ProbeView(CRect(0, 0, 100, 100), "below");
    auto* above = new ProbeView(CRect(10, 10, 50, 50), "above");
    f.frame->addView(below);
    f.frame->addView(above);

    EXPECT_TRUE(f.target.wheel({20, 20}, 2.0f, kShift));
    ASSERT_EQ(above->count("wheel"), 1);
    EXPECT_EQ(above->events.back().distance, 2.0f);
    EXPECT_EQ(above->events.back().buttons, kShift);
    EXPECT_EQ(below->count("wheel"), 0);

    above->wheelResult = false;
    EXPECT_TRUE(f.target.wheel({20, 20}, -1.0f));
    EXPECT_EQ(below->count("wheel"), 1) << "declined by the top view, offered below";

    below->wheelResult = false;
    EXPECT_FALSE(f.target.wheel({20, 20}, 1.0f));
    EXPECT_FALSE(f.target.wheel({150, 120}, 1.0f)) << "nothing under the mouse";
}

TEST(EventRouting, DoubleClickDetection) {
    TestClock clock(5000);
    OffscreenFrame f;
    auto* view = new ProbeView(CRect(0, 0, 100, 100));
    f.frame->addView(view);

    struct Step {
        uint32 advance;
        CPoint where;
        int32 buttons;
        bool expectDouble;
        const char* why;
    };
    const Step steps[] = {
        {0, {10, 10}, kLButton, false, "first press"},
        {200, {12, 13}, kLButton, true, "second press soon and close by"},
        {100, {12, 13}, kLButton, false, "a third press starts over"},
        {500, {12, 13}, kLButton, false, "too late for a double click"},
        {100, {20, 13}, kLButton, false, "too far away"},
        {100, {20, 13}, kRButton, false, "another button"},
        {100, {20, 13}, kRButton, true, "the right button double-clicks too"},
    };
    for (const auto& step : steps) {
        clock.advance(step.advance);
        f.target.mouseDown(step.where, step.buttons);
        f.target.mouseUp(step.where, step.buttons);
        EXPECT_EQ((view->events[view->events.size() - 2].buttons & kDoubleClick) != 0, step.expectDouble) << step.why;
        EXPECT_EQ(view->events[view->events.size() - 2].buttons & (kLButton | kRButton), step.buttons) << step.why;
    }
}

TEST(EventRouting, ViewRemovingItselfInItsHandlerIsNotTouchedAfterwards) {
    LifeCounter::alive = 0;
    OffscreenFrame f;
    auto* panel = new CViewContainer(CRect(0, 0, 200, 150));
    auto* self = new ProbeView(CRect(10, 10, 60, 60));
    panel->addView(self);
    f.frame->addView(panel);

    // Removed and released inside its own press handler: dispatch keeps it alive
    // until the handler returns, then it is gone and holds no capture.
    self->onDown = [panel](ProbeView* v) { panel->removeView(v, true); };
    EXPECT_EQ(f.target.mouseDown({20, 20}), kMouseEventHandled);
    EXPECT_EQ(LifeCounter::alive, 0);
    EXPECT_EQ(panel->getMouseDownView(), nullptr);
    f.target.mouseMoved({30, 30}, kLButton);
    f.target.mouseUp({30, 30});

    // The whole panel taken out of the frame by a view inside it (a screen switch).
    auto* switcher = new ProbeView(CRect(10, 10, 60, 60));
    panel->addView(switcher);
    switcher->onDown = [&f, panel](ProbeView*) { f.frame->removeView(panel, false); };
    f.target.mouseDown({20, 20});
    EXPECT_FALSE(panel->isAttached());
    EXPECT_EQ(f.frame->getMouseDownView(), nullptr);
    f.target.mouseUp({20, 20});
    EXPECT_EQ(switcher->count("up"), 0) << "the release of a detached view is not delivered";
    panel->forget();  // removed without forgetting: the reference is ours now
    EXPECT_EQ(LifeCounter::alive, 0);
}

TEST(EventRouting, CapturedViewLeavingTheTreeDropsTheCapture) {
    LifeCounter::alive = 0;
    OffscreenFrame f;
    auto* panel = new CViewContainer(CRect(0, 0, 200, 150));
    auto* captured = new ProbeView(CRect(10, 10, 60, 60));
    panel->addView(captured);
    f.frame->addView(panel);

    f.target.mouseDown({20, 20});
    ASSERT_EQ(panel->getMouseDownView(), captured);
    // An idle pass (not an event of the view) rebuilds the panel.
    panel->removeAll(true);
    EXPECT_EQ(LifeCounter::alive, 0) << "the capture held no reference beyond the tree's";
    f.target.mouseMoved({25, 25}, kLButton);
    f.target.mouseUp({25, 25});

    // A view released while another press holds nothing: nothing else is touched.
    auto* fresh = new ProbeView(CRect(10, 10, 60, 60));
    panel->addView(fresh);
    f.target.mouseMoved({20, 20});
    EXPECT_EQ(fresh->count("moved"), 1);
}

namespace {
// A view that ends its own gesture by taking itself (or its panel) out.
class SelfRemovingView : public ProbeView {
public:
    using ProbeView::ProbeView;
    CMouseEventResult onMouseCancel() override {
        events.push_back({"cancel", {}, 0, 0});
        if (onCancel)
            onCancel(this);
        return kMouseEventHandled;
    }
    std::function<void(SelfRemovingView*)> onCancel;
};

struct CountedPanel : CViewContainer {
    explicit CountedPanel(const CRect& size) : CViewContainer(size) { ++LifeCounter::alive; }
    ~CountedPanel() override { --LifeCounter::alive; }
};
}  // namespace

// However its gesture is cut short, a view whose cancel handler removes it
// (or the panel it sits in) is released once, and nothing touches it or its
// panel afterwards.
TEST(EventRouting, AViewThatRemovesItselfWhenItsGestureIsCutShortIsReleasedOnce) {
    struct Case {
        const char* how;
        bool takesPanel;  // the handler takes the panel out of the frame, itself with it
        std::function<void(OffscreenFrame&, CViewContainer*, CView*)> cut;
        bool panelStays;
    };
    auto grab = [](OffscreenFrame& f, CViewContainer*, CView*) {
        // The window's leave when another client grabs the pointer.
        xcb_leave_notify_event_t leave{};
        leave.response_type = XCB_LEAVE_NOTIFY;
        leave.event = 1;
        leave.mode = XCB_NOTIFY_MODE_GRAB;
        leave.detail = XCB_NOTIFY_DETAIL_NONLINEAR;
        x11::deliverPointerEvent(*f.frame, 1, reinterpret_cast<const xcb_generic_event_t&>(leave), x11::ServerClock());
    };
    auto press = [](OffscreenFrame& f, CViewContainer*, CView*) { f.target.mouseDown({150, 140}); };
    auto removal = [](OffscreenFrame&, CViewContainer* panel, CView* view) { panel->removeView(view, true); };
    auto panelRemoval = [](OffscreenFrame& f, CViewContainer* panel, CView*) { f.frame->removeView(panel, true); };
    auto emptying = [](OffscreenFrame&, CViewContainer* panel, CView*) { panel->removeAll(true); };
    auto closing = [](OffscreenFrame& f, CViewContainer*, CView*) {
        f.frame->close();
        f.frame = nullptr;
    };
    const Case cases[] = {
        {"a grab", false, grab, true},
        {"another press", false, press, true},
        {"its removal by an idle pass", false, removal, true},
        {"its panel's removal", false, panelRemoval, false},
        {"its panel emptied", false, emptying, true},
        {"the window closing", false, closing, false},
        {"a grab, the handler taking the panel", true, grab, false},
        {"its removal, the handler taking the panel", true, removal, false},
        {"its panel emptied, the handler taking the panel", true, emptying, false},
        {"the window closing, the handler taking the panel", true, closing, false},
    };
    for (const Case& c : cases) {
        LifeCounter::alive = 0;
        {
            OffscreenFrame f;
            auto* panel = new CountedPanel(CRect(0, 0, 100, 100));
            auto* view = new SelfRemovingView(CRect(10, 10, 60, 60));
            panel->addView(view);
            f.frame->addView(panel);
            view->onCancel = [&f, panel, &c](SelfRemovingView* self) {
                if (c.takesPanel) {
                    if (f.frame && panel->isAttached())
                        f.frame->removeView(panel, true);
                } else if (self->getParentView()) {
                    self->getParentView()->removeView(self, true);
                }
            };
            f.target.mouseDown({20, 20});
            ASSERT_EQ(panel->getMouseDownView(), view) << c.how;
            c.cut(f, panel, view);
            EXPECT_EQ(LifeCounter::alive, c.panelStays ? 1 : 0) << c.how << ": the view (and its panel) released";
        }
        EXPECT_EQ(LifeCounter::alive, 0) << c.how;
    }
}

TEST(EventRouting, ModalLoopInsidePressLeavesNoCapture) {
    OffscreenFrame f;
    auto* opener = new ProbeView(CRect(0, 0, 100, 100));
    f.frame->addView(opener);
    auto* menu = new COptionMenu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu->addEntry("One");
    opener->onDown = [menu](ProbeView*) { menu->popup(); };
    f.frame->addView(menu, opener);  // below the opener

    f.target.dismissNext();
    EXPECT_EQ(f.target.mouseDown({50, 50}), kMouseEventHandled);
    EXPECT_EQ(f.target.getShownMenus().size(), 1u);
    EXPECT_EQ(f.frame->getMouseDownView(), nullptr) << "the menu's own loop ended the gesture";
    f.target.mouseUp({50, 50});
    EXPECT_EQ(opener->count("up"), 0);
}

TEST(DirtyRegion, RedrawRepaintsEverythingUnderTheDirtyViewOnly) {
    OffscreenFrame f(CRect(0, 0, 100, 100));
    auto* back = new ProbeView(CRect(0, 0, 100, 100), "back");
    back->color = CColor(0, 0, 200, 255);
    auto* left = new ProbeView(CRect(10, 10, 30, 30), "left");
    auto* right = new ProbeView(CRect(60, 60, 90, 90), "right");
    f.frame->addView(back);
    f.frame->addView(left);
    f.frame->addView(right);
    f.target.idle();
    EXPECT_EQ(left->drawCount, 1);
    EXPECT_EQ(right->drawCount, 1);

    // Nothing dirty: nothing drawn.
    f.target.idle();
    EXPECT_EQ(back->drawCount, 1);

    // A dirty view is drawn with what lies under it, the rest is left alone.
    left->color = CColor(0, 200, 0, 255);
    left->setDirty(true);
    f.target.getRecorder().clear();
    f.target.idle();
    EXPECT_EQ(left->drawCount, 2);
    EXPECT_EQ(back->drawCount, 2) << "the view below is repainted under the dirty one";
    EXPECT_EQ(right->drawCount, 1);
    EXPECT_EQ(f.target.getPixel(20, 20), CColor(0, 200, 0, 255));
    EXPECT_EQ(f.target.getPixel(75, 75), CColor(200, 0, 0, 255));

    // A removed view leaves the background behind.
    f.frame->removeView(left, true);
    f.target.idle();
    EXPECT_EQ(f.target.getPixel(20, 20), CColor(0, 0, 200, 255));

    // An invisible view neither draws nor takes the mouse.
    right->setVisible(false);
    f.target.idle();
    EXPECT_EQ(f.target.getPixel(75, 75), CColor(0, 0, 200, 255));
    f.target.mouseDown({75, 75});
    EXPECT_EQ(right->count("down"), 0);
    EXPECT_EQ(back->count("down"), 1);
}

TEST(Tooltip, ShownAfterThePointerRestsOnAView) {
    TestClock clock;
    OffscreenFrame f;
    auto* view = new ProbeView(CRect(0, 0, 50, 50));
    const char tip[] = "Filter Frequency: 1000 Hz";
    view->setAttribute(kCViewTooltipAttribute, sizeof(tip), tip);
    f.frame->addView(view);

    uint32 size = 0;
    ASSERT_TRUE(view->getAttributeSize(kCViewTooltipAttribute, size));
    EXPECT_EQ(size, sizeof(tip));
    char small[4];
    uint32 outSize = 0;
    EXPECT_FALSE(view->getAttribute(kCViewTooltipAttribute, sizeof(small), small, outSize))
        << "a buffer too small gets nothing";

    f.target.mouseMoved({10, 10});
    f.target.idle();
    EXPECT_TRUE(f.target.getShownTooltips().empty());
    clock.advance(599);
    f.target.idle();
    EXPECT_TRUE(f.target.getShownTooltips().empty());
    clock.advance(1);
    f.target.idle();
    ASSERT_EQ(f.target.getShownTooltips().size(), 1u);
    EXPECT_EQ(f.target.getShownTooltips()[0], tip);
    EXPECT_TRUE(f.target.isTooltipVisible());
    f.target.mouseMoved({12, 10});
    EXPECT_FALSE(f.target.isTooltipVisible());
    f.target.mouseMoved({100, 100});
    clock.advance(1000);
    f.target.idle();
    EXPECT_EQ(f.target.getShownTooltips().size(), 1u) << "no tooltip where no view has one";
}
