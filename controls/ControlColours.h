// The instrument's palette: dark teal boxes with cyan text and marks. The
// controls draw with these, and the artwork generator paints the panels behind
// them from the same table, so a control and the box under it always agree.
// A bypassed look is the same colour at alpha 63.
#pragma once

#include "toolkit/CBase.h"

namespace look {

using kgui::CColor;

constexpr std::uint8_t BYPASSED_ALPHA = 63;

inline constexpr CColor TEXT_COLOR{55, 208, 255, 255};
inline constexpr CColor TEXT_BYPASSED_COLOR{55, 208, 255, BYPASSED_ALPHA};
inline constexpr CColor MENU_INNER_COLOR{14, 44, 52, 255};
inline constexpr CColor MENU_ARROW_COLOR{8, 81, 102, 255};
inline constexpr CColor INDICATOR_COLOR{106, 220, 255, 255};
inline constexpr CColor KNOB_OUTER_COLOR{12, 56, 69, 255};
inline constexpr CColor KNOB_MID_COLOR{61, 239, 255, 127};
inline constexpr CColor KNOB_INNER_COLOR{11, 101, 128, 255};
inline constexpr CColor KNOB_DOT_COLOR{55, 208, 255, 255};
inline constexpr CColor KNOB_DOT_BYPASSED_COLOR{55, 208, 255, BYPASSED_ALPHA};
inline constexpr CColor LFO_SELECTED_BACK_COLOR{8, 74, 94, 255};
inline constexpr CColor UN_SELECTED_LFO_COLOR{11, 92, 117, 255};
inline constexpr CColor SELECTED_LFO_COLOR{48, 188, 231, 255};
inline constexpr CColor LFO_SNAP_COLOR{26, 44, 50, 255};
inline constexpr CColor LFO_MID_COLOR{192, 192, 192, 255};
inline constexpr CColor LFO_POS_COLOR{63, 208, 255, 255};
inline constexpr CColor LFO_PAN_COLOR{63, 208, 255, 255};
inline constexpr CColor WAVE_DISPLAY_COLOR{48, 188, 231, 255};
inline constexpr CColor GATER_FRAME_COLOR{25, 43, 49, 255};
inline constexpr CColor GATER_FRAME_BYPASS_COLOR{25, 43, 49, BYPASSED_ALPHA};
inline constexpr CColor GATER_OFF_COLOR{12, 56, 69, 255};
inline constexpr CColor GATER_OFF_BYPASS_COLOR{12, 56, 69, BYPASSED_ALPHA};
inline constexpr CColor GATER_ON_COLOR{11, 101, 128, 255};
inline constexpr CColor GATER_ON_BYPASS_COLOR{11, 101, 128, BYPASSED_ALPHA};
inline constexpr CColor GATER_POS_COLOR{63, 208, 255, 255};
inline constexpr CColor SAMPLE_TEXT_COLOR{55, 208, 255, 255};
inline constexpr CColor SCROLL_BAR_COLOR{21, 57, 70, 255};
inline constexpr CColor SAMPLE_TEXT_DARK_COLOR{14, 44, 52, 255};
inline constexpr CColor SAMPLE_TRANS_COLOR{8, 81, 102, BYPASSED_ALPHA};
inline constexpr CColor SAMPLE_TEXT_LIGHT_COLOR{8, 81, 102, 255};
inline constexpr CColor SAMPLE_COLOR{8, 81, 102, 255};

// The circular switches' LED: ring and dot per state; a later state overrides
// an earlier one (inverted over plain, bypassed over everything).
struct TLedColours {
    CColor ring;
    CColor dot;
};
inline constexpr TLedColours LED_OFF{{21, 100, 142, 255}, {21, 100, 142, 255}};
inline constexpr TLedColours LED_OFF_INVERTED{{255, 255, 255, 255}, {142, 142, 142, 255}};
inline constexpr TLedColours LED_ON{{30, 197, 247, 255}, {30, 197, 247, 255}};
inline constexpr TLedColours LED_ON_INVERTED{{255, 255, 255, 255}, {255, 255, 255, 255}};
inline constexpr TLedColours LED_BYPASSED{{30, 197, 247, BYPASSED_ALPHA}, {30, 197, 247, BYPASSED_ALPHA}};

}  // namespace look
