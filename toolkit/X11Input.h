// What X11 input means to the toolkit: modifier and button bits, wheel
// buttons, keys as VstKeyCode, the display's event times on the toolkit clock
// and the pointer events of a frame's window. Plain functions of the event
// fields, so that they are tested without a display.
//
// Modifiers on Linux: Ctrl is the toolkit's kControl (the default-value click;
// MODIFIER_COMMAND in a VstKeyCode), Super is kApple (the parameter menu;
// MODIFIER_CONTROL), Alt is kAlt (typed value and preview; MODIFIER_ALTERNATE)
// and Shift is kShift.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "toolkit/CBase.h"
#include "vst/vst2_abi.h"

namespace kgui {
class CFrame;
}

namespace kgui::x11 {

// The key and button bits of an X event's state field.
enum StateBit : uint16_t {
    kStateShift = 1 << 0,
    kStateLock = 1 << 1,
    kStateControl = 1 << 2,
    kStateMod1 = 1 << 3,  // Alt
    kStateMod4 = 1 << 6,  // Super
    kStateButton1 = 1 << 8,
    kStateButton2 = 1 << 9,
    kStateButton3 = 1 << 10,
};

// kShift, kControl, kAlt and kApple from the state.
int32 modifiersFromState(uint16_t state);
// The buttons held and the modifiers.
int32 buttonsFromState(uint16_t state);
// kLButton, kMButton or kRButton for X buttons 1, 2 and 3; 0 for the others.
int32 buttonFromDetail(uint8_t detail);

// X buttons 4 to 7 are wheel notches: up, down, left, right.
struct WheelStep {
    CMouseWheelAxis axis = kMouseWheelAxisY;
    float distance = 0;  // +1 up or right, -1 down or left
};
bool wheelFromDetail(uint8_t detail, WheelStep& step);

// MODIFIER_SHIFT, MODIFIER_ALTERNATE, MODIFIER_COMMAND and MODIFIER_CONTROL.
unsigned char keyModifiersFromState(uint16_t state);
// A key as the toolkit and hosts describe it: a virtual code for keys that
// have one, else the character (the keysym's Unicode character), and the
// modifiers. False for keys that mean nothing here (dead keys, compose,
// media keys).
bool keyCodeFromKeysym(uint32_t keysym, uint16_t state, vst::VstKeyCode& key);

// Display time (milliseconds of the server) to toolkit ticks. Events arrive in
// batches at each idle pass, late by varying amounts; the smallest lateness
// seen is the best estimate of the clocks' offset. A batch is observed whole
// before any of its times is converted, so events keep the spacing they
// really had.
class ServerClock {
public:
    void observe(uint32 serverTime, uint32 nowTicks);
    uint32 toTicks(uint32 serverTime) const { return serverTime + static_cast<uint32>(offset); }

private:
    bool known = false;
    int32 offset = 0;  // ticks minus server time
};

// Hands a pointer event of the frame's window to the frame: a press (with its
// time on the toolkit clock), a release, a move, a wheel notch or a crossing.
// A crossing is never a drag, whatever buttons it carries: a click-to-focus
// window manager grabs the pointer at each press and lets it go again, so the
// window sees a leave (mode Grab) and an enter (mode Ungrab) with the button
// already down before the press itself. Entering is a hover; a leave by a
// grab ends the gesture that holds the mouse, whose release goes to the grab.
// False for other events and for events of other windows.
bool deliverPointerEvent(CFrame& frame, xcb_window_t window, const xcb_generic_event_t& event,
                         const ServerClock& clock);

}  // namespace kgui::x11
