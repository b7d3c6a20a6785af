#include "toolkit/X11Input.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include "toolkit/CFrame.h"

namespace kgui::x11 {

int32 modifiersFromState(uint16_t state) {
    int32 modifiers = 0;
    if (state & kStateShift)
        modifiers |= kShift;
    if (state & kStateControl)
        modifiers |= kControl;
    if (state & kStateMod1)
        modifiers |= kAlt;
    if (state & kStateMod4)
        modifiers |= kApple;
    return modifiers;
}

int32 buttonsFromState(uint16_t state) {
    int32 buttons = modifiersFromState(state);
    if (state & kStateButton1)
        buttons |= kLButton;
    if (state & kStateButton2)
        buttons |= kMButton;
    if (state & kStateButton3)
        buttons |= kRButton;
    return buttons;
}

int32 buttonFromDetail(uint8_t detail) {
    switch (detail) {
        case 1: return kLButton;
        case 2: return kMButton;
        case 3: return kRButton;
        default: return 0;
    }
}

bool wheelFromDetail(uint8_t detail, WheelStep& step) {
    switch (detail) {
        case 4: step = {kMouseWheelAxisY, 1}; return true;
        case 5: step = {kMouseWheelAxisY, -1}; return true;
        case 6: step = {kMouseWheelAxisX, -1}; return true;
        case 7: step = {kMouseWheelAxisX, 1}; return true;
        default: return false;
    }
}

unsigned char keyModifiersFromState(uint16_t state) {
    unsigned char modifiers = 0;
    if (state & kStateShift)
        modifiers |= vst::MODIFIER_SHIFT;
    if (state & kStateMod1)
        modifiers |= vst::MODIFIER_ALTERNATE;
    if (state & kStateControl)
        modifiers |= vst::MODIFIER_COMMAND;
    if (state & kStateMod4)
        modifiers |= vst::MODIFIER_CONTROL;
    return modifiers;
}

namespace {
// Keys with a virtual code. Keypad keys with Num Lock off arrive as their
// navigation keysyms and take the navigation codes.
struct VirtualKey {
    uint32_t keysym;
    unsigned char virt;
    char32_t character;  // the character hosts send with the code, or 0
};

constexpr VirtualKey kVirtualKeys[] = {
    {XKB_KEY_BackSpace, vst::VKEY_BACK, 0},
    {XKB_KEY_Tab, vst::VKEY_TAB, 0},
    {XKB_KEY_ISO_Left_Tab, vst::VKEY_TAB, 0},
    {XKB_KEY_Clear, vst::VKEY_CLEAR, 0},
    {XKB_KEY_Return, vst::VKEY_RETURN, 0},
    {XKB_KEY_Pause, vst::VKEY_PAUSE, 0},
    {XKB_KEY_Escape, vst::VKEY_ESCAPE, 0},
    {XKB_KEY_space, vst::VKEY_SPACE, U' '},
    {XKB_KEY_KP_Space, vst::VKEY_SPACE, U' '},
    {XKB_KEY_End, vst::VKEY_END, 0},
    {XKB_KEY_KP_End, vst::VKEY_END, 0},
    {XKB_KEY_Home, vst::VKEY_HOME, 0},
    {XKB_KEY_KP_Home, vst::VKEY_HOME, 0},
    {XKB_KEY_Left, vst::VKEY_LEFT, 0},
    {XKB_KEY_KP_Left, vst::VKEY_LEFT, 0},
    {XKB_KEY_Up, vst::VKEY_UP, 0},
    {XKB_KEY_KP_Up, vst::VKEY_UP, 0},
    {XKB_KEY_Right, vst::VKEY_RIGHT, 0},
    {XKB_KEY_KP_Right, vst::VKEY_RIGHT, 0},
    {XKB_KEY_Down, vst::VKEY_DOWN, 0},
    {XKB_KEY_KP_Down, vst::VKEY_DOWN, 0},
    {XKB_KEY_Page_Up, vst::VKEY_PAGEUP, 0},
    {XKB_KEY_KP_Page_Up, vst::VKEY_PAGEUP, 0},
    {XKB_KEY_Page_Down, vst::VKEY_PAGEDOWN, 0},
    {XKB_KEY_KP_Page_Down, vst::VKEY_PAGEDOWN, 0},
    {XKB_KEY_Select, vst::VKEY_SELECT, 0},
    {XKB_KEY_Print, vst::VKEY_PRINT, 0},
    {XKB_KEY_KP_Enter, vst::VKEY_ENTER, 0},
    {XKB_KEY_Insert, vst::VKEY_INSERT, 0},
    {XKB_KEY_KP_Insert, vst::VKEY_INSERT, 0},
    {XKB_KEY_Delete, vst::VKEY_DELETE, 0},
    {XKB_KEY_KP_Delete, vst::VKEY_DELETE, 0},
    {XKB_KEY_Help, vst::VKEY_HELP, 0},
    {XKB_KEY_KP_0, vst::VKEY_NUMPAD0, U'0'},
    {XKB_KEY_KP_1, vst::VKEY_NUMPAD1, U'1'},
    {XKB_KEY_KP_2, vst::VKEY_NUMPAD2, U'2'},
    {XKB_KEY_KP_3, vst::VKEY_NUMPAD3, U'3'},
    {XKB_KEY_KP_4, vst::VKEY_NUMPAD4, U'4'},
    {XKB_KEY_KP_5, vst::VKEY_NUMPAD5, U'5'},
    {XKB_KEY_KP_6, vst::VKEY_NUMPAD6, U'6'},
    {XKB_KEY_KP_7, vst::VKEY_NUMPAD7, U'7'},
    {XKB_KEY_KP_8, vst::VKEY_NUMPAD8, U'8'},
    {XKB_KEY_KP_9, vst::VKEY_NUMPAD9, U'9'},
    {XKB_KEY_KP_Multiply, vst::VKEY_MULTIPLY, U'*'},
    {XKB_KEY_KP_Add, vst::VKEY_ADD, U'+'},
    {XKB_KEY_KP_Separator, vst::VKEY_SEPARATOR, 0},
    {XKB_KEY_KP_Subtract, vst::VKEY_SUBTRACT, U'-'},
    {XKB_KEY_KP_Decimal, vst::VKEY_DECIMAL, U'.'},
    {XKB_KEY_KP_Divide, vst::VKEY_DIVIDE, U'/'},
    {XKB_KEY_F1, vst::VKEY_F1, 0},
    {XKB_KEY_F2, vst::VKEY_F2, 0},
    {XKB_KEY_F3, vst::VKEY_F3, 0},
    {XKB_KEY_F4, vst::VKEY_F4, 0},
    {XKB_KEY_F5, vst::VKEY_F5, 0},
    {XKB_KEY_F6, vst::VKEY_F6, 0},
    {XKB_KEY_F7, vst::VKEY_F7, 0},
    {XKB_KEY_F8, vst::VKEY_F8, 0},
    {XKB_KEY_F9, vst::VKEY_F9, 0},
    {XKB_KEY_F10, vst::VKEY_F10, 0},
    {XKB_KEY_F11, vst::VKEY_F11, 0},
    {XKB_KEY_F12, vst::VKEY_F12, 0},
    {XKB_KEY_Num_Lock, vst::VKEY_NUMLOCK, 0},
    {XKB_KEY_Scroll_Lock, vst::VKEY_SCROLL, 0},
    {XKB_KEY_Shift_L, vst::VKEY_SHIFT, 0},
    {XKB_KEY_Shift_R, vst::VKEY_SHIFT, 0},
    {XKB_KEY_Control_L, vst::VKEY_CONTROL, 0},
    {XKB_KEY_Control_R, vst::VKEY_CONTROL, 0},
    {XKB_KEY_Alt_L, vst::VKEY_ALT, 0},
    {XKB_KEY_Alt_R, vst::VKEY_ALT, 0},
    {XKB_KEY_ISO_Level3_Shift, vst::VKEY_ALT, 0},
    {XKB_KEY_KP_Equal, vst::VKEY_EQUALS, U'='},
};
}  // namespace

bool keyCodeFromKeysym(uint32_t keysym, uint16_t state, vst::VstKeyCode& key) {
    key = vst::VstKeyCode{};
    key.modifier = keyModifiersFromState(state);
    for (const VirtualKey& entry : kVirtualKeys) {
        if (entry.keysym == keysym) {
            key.virt = entry.virt;
            key.character = static_cast<int32>(entry.character);
            return true;
        }
    }
    // Printable keys carry their character. It comes from the keysym, never
    // from the control transformation: Ctrl+A stays 'a' with MODIFIER_COMMAND.
    uint32_t character = xkb_keysym_to_utf32(keysym);
    if (character < 0x20 || character == 0x7f || (character >= 0x80 && character < 0xa0))
        return false;
    key.character = static_cast<int32>(character);
    return true;
}

void ServerClock::observe(uint32 serverTime, uint32 nowTicks) {
    int32 lateness = static_cast<int32>(nowTicks - serverTime);
    if (!known || lateness < offset) {
        offset = lateness;
        known = true;
    }
}

bool deliverPointerEvent(CFrame& frame, xcb_window_t window, const xcb_generic_event_t& event,
                         const ServerClock& clock) {
    switch (event.response_type & 0x7f) {
        case XCB_BUTTON_PRESS: {
            const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
            if (press.event != window)
                return false;
            const CPoint where(press.event_x, press.event_y);
            WheelStep step;
            if (wheelFromDetail(press.detail, step)) {
                frame.platformOnWheel(where, step.axis, step.distance, buttonsFromState(press.state));
                return true;
            }
            const int32 button = buttonFromDetail(press.detail);
            if (!button)
                return false;
            frame.platformOnMouseDown(where, CButtonState(button | modifiersFromState(press.state)),
                                      clock.toTicks(press.time));
            return true;
        }
        case XCB_BUTTON_RELEASE: {
            const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
            const int32 button = buttonFromDetail(release.detail);
            if (release.event != window || !button)
                return false;
            frame.platformOnMouseUp(CPoint(release.event_x, release.event_y),
                                    CButtonState(button | modifiersFromState(release.state)));
            return true;
        }
        case XCB_MOTION_NOTIFY: {
            const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
            if (motion.event != window)
                return false;
            frame.platformOnMouseMoved(CPoint(motion.event_x, motion.event_y),
                                       CButtonState(buttonsFromState(motion.state)));
            return true;
        }
        case XCB_ENTER_NOTIFY: {
            const auto& enter = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
            if (enter.event != window)
                return false;
            frame.platformOnMouseEntered(CPoint(enter.event_x, enter.event_y),
                                         CButtonState(buttonsFromState(enter.state)));
            return true;
        }
        case XCB_LEAVE_NOTIFY: {
            const auto& leave = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
            if (leave.event != window)
                return false;
            if (leave.mode == XCB_NOTIFY_MODE_GRAB)
                frame.platformOnMouseCancel();
            // Leaving into one of our own children is no leaving.
            if (leave.detail != XCB_NOTIFY_DETAIL_INFERIOR)
                frame.platformOnMouseExited();
            return true;
        }
        default: return false;
    }
}

}  // namespace kgui::x11
