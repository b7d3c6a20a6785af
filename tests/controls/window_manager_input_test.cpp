// The knob and the kick button fed the pointer events of their window as a
// click-to-focus window manager brings them: a leave (mode Grab) and an enter
// (mode Ungrab) with the button already down before every press, and a grab
// that takes the pointer away in the middle of a drag.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "control_test_support.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "engine/dsp/ParameterTags.h"
#include "toolkit/X11Input.h"

using namespace kgui;

namespace {
constexpr xcb_window_t WINDOW = 0x600001;
constexpr uint16_t BUTTON_1 = x11::kStateButton1;
const CPoint KNOB(50, 150);
const CPoint KICK(150, 30);

// Listens as the editor does to its screen buttons: a press runs the command
// and lets the button go at once.
struct CommandListener : IControlListener {
    void valueChanged(CControl* control) override {
        if (control->getValue() > 0.5f) {
            ++runs;
            control->setValue(0);
        }
    }
    int runs = 0;
};

struct XEvent {
    uint8_t type;
    CPoint where;
    uint16_t state = 0;
    uint8_t mode = XCB_NOTIFY_MODE_NORMAL;  // crossings
    uint8_t button = 1;                     // presses and releases
};

// What the window manager's grab and its release bring before a press there.
std::vector<XEvent> grabbedClick(CPoint where) {
    return {{XCB_LEAVE_NOTIFY, where, BUTTON_1, XCB_NOTIFY_MODE_GRAB},
            {XCB_ENTER_NOTIFY, where, BUTTON_1, XCB_NOTIFY_MODE_UNGRAB},
            {XCB_BUTTON_PRESS, where},
            {XCB_BUTTON_RELEASE, where, BUTTON_1}};
}

void deliver(CFrame& frame, const std::vector<XEvent>& events, uint32_t& time) {
    const x11::ServerClock clock;
    for (const XEvent& e : events) {
        // Enter, leave, press, release and motion share this layout.
        xcb_enter_notify_event_t event{};
        event.response_type = e.type;
        event.detail =
            (e.type == XCB_BUTTON_PRESS || e.type == XCB_BUTTON_RELEASE) ? e.button : static_cast<uint8_t>(XCB_NOTIFY_DETAIL_ANCESTOR);
        event.time = time += 1000;  // never a double click
        event.event = WINDOW;
        event.event_x = event.root_x = static_cast<int16_t>(e.where.x);
        event.event_y = event.root_y = static_cast<int16_t>(e.where.y);
        event.state = e.state;
        event.mode = e.mode;
        x11::deliverPointerEvent(frame, WINDOW, reinterpret_cast<const xcb_generic_event_t&>(event), clock);
    }
}
}  // namespace

// Crossings are never a drag, and a grab ends the drag it interrupts: the knob
// moves only by the moves of its own press, the kick button runs its command
// once per press, and every gesture the host heard begin, it heard end.
TEST(WindowManagerInput, CrossingsAreNoDragAndAGrabEndsTheGesture) {
    const std::vector<XEvent> plainDragUp40 = {{XCB_BUTTON_PRESS, KNOB},
                                                {XCB_MOTION_NOTIFY, KNOB - CPoint(0, 40), BUTTON_1},
                                                {XCB_BUTTON_RELEASE, KNOB - CPoint(0, 40), BUTTON_1}};
    std::vector<XEvent> grabbedDragUp20 = grabbedClick(KNOB + CPoint(5, 0));
    grabbedDragUp20.insert(grabbedDragUp20.begin() + 3, {XCB_MOTION_NOTIFY, KNOB + CPoint(5, -20), BUTTON_1});
    struct Case {
        const char* what;
        std::vector<std::vector<XEvent>> steps;
        float knob;
        int commands;
    };
    const Case cases[] = {
        {"a click on the knob", {grabbedClick(KNOB)}, 0.3f, 0},
        {"a drag after an earlier drag starts from the knob's value", {plainDragUp40, grabbedDragUp20}, 0.6f, 0},
        {"a click on the kick button", {grabbedClick(KICK)}, 0.3f, 1},
        {"two clicks on the kick button", {grabbedClick(KICK), grabbedClick(KICK)}, 0.3f, 2},
        {"a grab in mid-drag ends it; moves after it go nowhere",
         {{{XCB_BUTTON_PRESS, KNOB},
           {XCB_MOTION_NOTIFY, KNOB - CPoint(0, 20), BUTTON_1},
           {XCB_LEAVE_NOTIFY, KNOB - CPoint(0, 20), BUTTON_1, XCB_NOTIFY_MODE_GRAB},
           {XCB_ENTER_NOTIFY, KNOB - CPoint(0, 60), BUTTON_1, XCB_NOTIFY_MODE_UNGRAB},
           {XCB_MOTION_NOTIFY, KNOB - CPoint(0, 80), BUTTON_1},
           {XCB_BUTTON_RELEASE, KNOB - CPoint(0, 80), BUTTON_1}}},
         0.4f,
         0},
        {"the right button pressed in mid-drag ends the drag",
         {{{XCB_BUTTON_PRESS, KNOB},
           {XCB_MOTION_NOTIFY, KNOB - CPoint(0, 20), BUTTON_1},
           {XCB_BUTTON_PRESS, KNOB - CPoint(0, 20), BUTTON_1, XCB_NOTIFY_MODE_NORMAL, 3},
           {XCB_MOTION_NOTIFY, KNOB - CPoint(0, 60), BUTTON_1},
           {XCB_BUTTON_RELEASE, KNOB - CPoint(0, 60), BUTTON_1},
           {XCB_BUTTON_RELEASE, KNOB - CPoint(0, 60), 0, XCB_NOTIFY_MODE_NORMAL, 3}}},
         0.4f,
         0},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        CPoint offset(0, 0);
        auto* knob = bench.host->add(
            new TKnob(CRect(20, 120, 80, 180), bench.host, tag::SOURCE_SEMI, offset, false, 60, 0));
        bench.plugin->setParameter(tag::SOURCE_SEMI, 0.3f);
        knob->setValue(0.3f);
        CommandListener listener;
        auto* kick = bench.host->add(new TKickButton(CRect(130, 20, 170, 40), &listener, "GO", TKickButton::kText));
        uint32_t time = 0;
        for (const auto& step : c.steps)
            deliver(*bench.host->getFrame(), step, time);
        EXPECT_NEAR(knob->getValue(), c.knob, 1e-5f) << c.what;
        EXPECT_NEAR(bench.plugin->getParameter(tag::SOURCE_SEMI), c.knob, 1e-5f) << c.what;
        EXPECT_EQ(listener.runs, c.commands) << c.what;
        EXPECT_FALSE(kick->isEditing() || knob->isEditing()) << c.what;
        const auto count = [&](const std::string& what) {
            return std::count(bench.hostLog.begin(), bench.hostLog.end(), what + " " + std::to_string(tag::SOURCE_SEMI));
        };
        EXPECT_EQ(count("begin"), count("end")) << c.what;
    }
}
