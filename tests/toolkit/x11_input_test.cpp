// What X11 input means to the toolkit, checked without a display: modifiers,
// buttons, wheel notches, keys and the display's event times.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include "toolkit/X11Input.h"

using namespace kgui;
using namespace kgui::x11;

TEST(X11Input, ModifiersAndButtonsFollowTheLinuxConventions) {
    struct Case {
        uint16_t state;
        int32 buttons;
        unsigned char keyModifiers;
        const char* why;
    };
    const Case cases[] = {
        {0, 0, 0, "nothing held"},
        {kStateControl, kControl, vst::MODIFIER_COMMAND, "Ctrl: the default-value click"},
        {kStateMod4, kApple, vst::MODIFIER_CONTROL, "Super: the parameter menu"},
        {kStateMod1, kAlt, vst::MODIFIER_ALTERNATE, "Alt: typed value and preview"},
        {kStateShift, kShift, vst::MODIFIER_SHIFT, "Shift: fine steps"},
        {kStateLock, 0, 0, "Caps Lock is no modifier"},
        {kStateButton1 | kStateControl | kStateShift, kLButton | kControl | kShift,
         vst::MODIFIER_COMMAND | vst::MODIFIER_SHIFT, "a drag with Ctrl and Shift"},
        {kStateButton2 | kStateButton3, kMButton | kRButton, 0, "middle and right held"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(buttonsFromState(c.state), c.buttons) << c.why;
        EXPECT_EQ(modifiersFromState(c.state), c.buttons & (kShift | kControl | kAlt | kApple)) << c.why;
        EXPECT_EQ(keyModifiersFromState(c.state), c.keyModifiers) << c.why;
    }
    EXPECT_EQ(buttonFromDetail(1), kLButton);
    EXPECT_EQ(buttonFromDetail(2), kMButton);
    EXPECT_EQ(buttonFromDetail(3), kRButton);
    EXPECT_EQ(buttonFromDetail(8), 0) << "the back button is no toolkit button";
}

TEST(X11Input, WheelButtonsAreNotchesOnTheirAxis) {
    struct Case {
        uint8_t detail;
        bool wheel;
        CMouseWheelAxis axis;
        float distance;
    };
    const Case cases[] = {
        {4, true, kMouseWheelAxisY, 1},  {5, true, kMouseWheelAxisY, -1}, {6, true, kMouseWheelAxisX, -1},
        {7, true, kMouseWheelAxisX, 1},  {1, false, kMouseWheelAxisY, 0}, {8, false, kMouseWheelAxisY, 0},
    };
    for (const Case& c : cases) {
        WheelStep step;
        ASSERT_EQ(wheelFromDetail(c.detail, step), c.wheel) << int(c.detail);
        if (c.wheel) {
            EXPECT_EQ(step.axis, c.axis) << int(c.detail);
            EXPECT_EQ(step.distance, c.distance) << int(c.detail);
        }
    }
}

TEST(X11Input, KeysBecomeTheCodesHostsSend) {
    struct Case {
        uint32_t keysym;
        uint16_t state;
        bool known;
        int32 character;
        unsigned char virt;
        unsigned char modifier;
        const char* why;
    };
    const Case cases[] = {
        {XKB_KEY_a, 0, true, 'a', 0, 0, "a letter"},
        {XKB_KEY_A, kStateShift, true, 'A', 0, vst::MODIFIER_SHIFT, "shifted: the keysym's own character"},
        {XKB_KEY_a, kStateControl, true, 'a', 0, vst::MODIFIER_COMMAND, "Ctrl+A is 'a', never a control character"},
        {XKB_KEY_udiaeresis, 0, true, 0xfc, 0, 0, "a letter beyond ASCII keeps its Unicode value"},
        {XKB_KEY_Up, 0, true, 0, vst::VKEY_UP, 0, "program step up"},
        {XKB_KEY_Down, 0, true, 0, vst::VKEY_DOWN, 0, "program step down"},
        {XKB_KEY_Page_Up, 0, true, 0, vst::VKEY_PAGEUP, 0, "page up is not 'next'"},
        {XKB_KEY_Page_Down, 0, true, 0, vst::VKEY_PAGEDOWN, 0, "page down"},
        {XKB_KEY_KP_Up, 0, true, 0, vst::VKEY_UP, 0, "keypad arrow with Num Lock off"},
        {XKB_KEY_KP_7, 0, true, '7', vst::VKEY_NUMPAD7, 0, "keypad digit"},
        {XKB_KEY_Return, 0, true, 0, vst::VKEY_RETURN, 0, "commits a typed value"},
        {XKB_KEY_KP_Enter, 0, true, 0, vst::VKEY_ENTER, 0, "keypad enter"},
        {XKB_KEY_Escape, 0, true, 0, vst::VKEY_ESCAPE, 0, "cancels typing"},
        {XKB_KEY_BackSpace, 0, true, 0, vst::VKEY_BACK, 0, "deletes back"},
        {XKB_KEY_space, 0, true, ' ', vst::VKEY_SPACE, 0, "space has code and character"},
        {XKB_KEY_F12, kStateMod1, true, 0, vst::VKEY_F12, vst::MODIFIER_ALTERNATE, "function key with Alt"},
        {XKB_KEY_Control_L, kStateControl, true, 0, vst::VKEY_CONTROL, vst::MODIFIER_COMMAND, "the Ctrl key itself"},
        {XKB_KEY_dead_acute, 0, false, 0, 0, 0, "a dead key means nothing alone"},
        {XKB_KEY_XF86AudioPlay, 0, false, 0, 0, 0, "media keys are the desktop's"},
    };
    for (const Case& c : cases) {
        vst::VstKeyCode key{};
        ASSERT_EQ(keyCodeFromKeysym(c.keysym, c.state, key), c.known) << c.why;
        if (!c.known)
            continue;
        EXPECT_EQ(key.character, c.character) << c.why;
        EXPECT_EQ(key.virt, c.virt) << c.why;
        EXPECT_EQ(key.modifier, c.modifier) << c.why;
    }
}

TEST(X11Input, EventTimesKeepTheirSpacingWhenDeliveredInABatch) {
    ServerClock clock;
    // Two presses 300 ms apart on the server, read together 500 ms after the
    // first: on the toolkit clock they stay 300 ms apart, the later one now.
    clock.observe(10000, 50500);
    clock.observe(10300, 50500);
    EXPECT_EQ(clock.toTicks(10300) - clock.toTicks(10000), 300u);
    EXPECT_EQ(clock.toTicks(10300), 50500u);
    // An event that arrives later than others does not move the estimate...
    clock.observe(20000, 60900);
    EXPECT_EQ(clock.toTicks(20000), 60200u);
    // ...one that arrives sooner makes it smaller.
    clock.observe(30000, 70100);
    EXPECT_EQ(clock.toTicks(30000), 70100u);
    // Both clocks wrap at 2^32 without a jump.
    ServerClock wrapping;
    wrapping.observe(0xfffffff0u, 100);
    EXPECT_EQ(wrapping.toTicks(0x10u), 132u);
}
