// Columns: member, tag, x, y (with corrections at 125/150/200 %), width,
// height, switch offset, and how the editor makes the control. Switches and
// the LED button are 13 x 13. The click area's size stands for the window's:
// the editor stretches it over the background image, whatever its size.
#include "editor/BackScreenLayout.h"

using namespace layout;
using enum TEntryTable;

const std::array<TLayoutRow, 13> BACK_SCREEN{{
    {"backScreenCloseButton", NO_PARAM_TAG, {0}, {0}, EDITOR_WIDTH, EDITOR_HEIGHT, {}, clickArea()},
    {"midiChannelMenu", NO_PARAM_TAG, {214}, {414, 1, 0, 0}, 74, 13, {}, menu(midiInChannel, true, false, 17)},
    {"midiPresetSwitch", NO_PARAM_TAG, {235}, {433, 0, 1, 0}, 13, 13, {}, onOff()},
    {"midiBankSwitch", NO_PARAM_TAG, {214}, {453, 0, 1, 0}, 13, 13, {}, onOff()},
    {"midiCaptureSwitch", NO_PARAM_TAG, {312}, {473, 0, 1, 0}, 13, 13, {}, onOff()},
    {"keyboardSwitch", NO_PARAM_TAG, {279}, {493, 0, 1, 0}, 13, 13, {}, onOff()},
    {"presetWarningSwitch", NO_PARAM_TAG, {201}, {513, 0, 1, 0}, 13, 13, {}, onOff()},
    {"screenSizeMenu", NO_PARAM_TAG, {214}, {533, 1, 0, 0}, 74, 13, {}, menu(screenSize, true, false, 4)},
    {"a4TuningReadout", NO_PARAM_TAG, {141}, {574}, 74, 13, {}, readout("", true, false)},
    {"tuningReadout", NO_PARAM_TAG, {303}, {574}, 142, 13, {}, readout("", true, false)},
    {"tuningResetButton", NO_PARAM_TAG, {485}, {574, 1, 0, 0}, 13, 13, {}, ledButton()},
    {"brickFilterSwitch", 1018, {221}, {614, 1, 0, 0}, 13, 13, {}, onOff()},
    {"brickFilterReadout", NO_PARAM_TAG, {369}, {613, 2, 2, 2}, 74, 13, {}, readout("", true, false)},
}};
