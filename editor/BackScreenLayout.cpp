// Columns: member, tag, x, y (with corrections at 125/150/200 %), width,
// height. Switches and the LED button are 13 x 13.
#include "editor/BackScreenLayout.h"

const std::array<TLayoutRow, 13> BACK_SCREEN{{
    {"backScreenCloseButton", NO_PARAM_TAG, {0}, {0}, EDITOR_WIDTH, EDITOR_HEIGHT},
    {"midiChannelMenu", NO_PARAM_TAG, {214}, {414, 1, 0, 0}, 74, 13},
    {"midiPresetSwitch", NO_PARAM_TAG, {235}, {433, 0, 1, 0}, 13, 13},
    {"midiBankSwitch", NO_PARAM_TAG, {214}, {453, 0, 1, 0}, 13, 13},
    {"midiCaptureSwitch", NO_PARAM_TAG, {312}, {473, 0, 1, 0}, 13, 13},
    {"keyboardSwitch", NO_PARAM_TAG, {279}, {493, 0, 1, 0}, 13, 13},
    {"presetWarningSwitch", NO_PARAM_TAG, {201}, {513, 0, 1, 0}, 13, 13},
    {"screenSizeMenu", NO_PARAM_TAG, {214}, {533, 1, 0, 0}, 74, 13},
    {"a4TuningReadout", NO_PARAM_TAG, {141}, {574}, 74, 13},
    {"tuningReadout", NO_PARAM_TAG, {303}, {574}, 142, 13},
    {"tuningResetButton", NO_PARAM_TAG, {485}, {574, 1, 0, 0}, 13, 13},
    {"brickFilterSwitch", 1018, {221}, {614, 1, 0, 0}, 13, 13},
    {"brickFilterReadout", NO_PARAM_TAG, {369}, {613, 2, 2, 2}, 74, 13},
}};
