// The look of the panels behind the controls: the few colours and sizes the
// editor's images add to the controls' palette (controls/ControlColours.h),
// and the per-size tables that fix where the ribbon and the sample browser
// draw, which the images follow so that tracks and columns line up. Sizes are
// 100 % values that go through getScaled; the tables hold pixels per size.
#pragma once

#include <algorithm>
#include <array>

#include "controls/ControlColours.h"

namespace look {

using kgui::CRect;

// Surfaces, darkest first: displays sit below the panels, the panels above the
// window, so each level reads at a glance without any shading.
inline constexpr CColor DISPLAY_FILL_COLOR{4, 11, 14, 255};
inline constexpr CColor TOP_BAR_COLOR{6, 14, 17, 255};
inline constexpr CColor WINDOW_BACK_COLOR{9, 20, 24, 255};
inline constexpr CColor WELL_FILL_COLOR{10, 25, 30, 255};
inline constexpr CColor PANEL_FILL_COLOR{15, 33, 39, 255};
// Lines: dividers inside a panel are quieter than its border.
inline constexpr CColor PANEL_DIVIDER_COLOR{24, 52, 61, 255};
inline constexpr CColor PANEL_BORDER_COLOR{31, 67, 78, 255};
inline constexpr CColor DISPLAY_BORDER_COLOR{24, 58, 69, 255};
inline constexpr CColor SOCKET_FILL_COLOR{3, 9, 11, 255};
inline constexpr CColor SOCKET_RIM_COLOR{34, 74, 87, 255};
// The top bar's captions and the quieter lines of text.
inline constexpr CColor CAPTION_DARK_COLOR{12, 109, 139, 255};
// Handles and lit marks use the text colour; the modulation handle is its ghost.
inline constexpr CColor MOD_HANDLE_COLOR{55, 208, 255, 96};

// Sizes at 100 %.
constexpr int PANEL_CORNER_RADIUS = 6;
constexpr int BOX_CORNER_RADIUS = 3;
constexpr int LINE_WIDTH = 1;        // 1, 1, 1, 2 pixels
constexpr int SOCKET_MARGIN = 2;     // a socket's rim outside its LED
constexpr int BOX_MARGIN = 2;        // a box painted around a control that fills itself
constexpr double CAPTION_TEXT_SIZE = 11;  // captions painted on the back screen
constexpr double HEADING_TEXT_SIZE = 12;  // group headings, bold
constexpr double LOGO_TEXT_SIZE = 34;

// Per-size pixel tables, shared with the ribbon and the sample browser.
inline constexpr std::array<int, 4> SLIDER_WIDTH{32, 40, 48, 64};
inline constexpr std::array<int, 4> SAMPLE_ROW_HEIGHT{19, 23, 28, 38};
inline constexpr std::array<int, 4> SAMPLE_ROW_OFF{24, 30, 36, 48};
inline constexpr std::array<int, 4> SAMPLE_PREVIEW_OFF{4, 5, 6, 8};
inline constexpr std::array<int, 4> SAMPLE_SCROLL_WIDTH{10, 12, 15, 20};
inline constexpr std::array<int, 4> SAMPLE_FILE_START_X{233, 291, 349, 466};
inline constexpr std::array<int, 4> SAMPLE_FILE_COL_WIDTH{204, 255, 306, 408};
inline constexpr std::array<int, 4> SAMPLE_FILE_SCROLL_OFFSET{430, 537, 645, 860};

// An LED's socket: a dark well inside a rim, reaching SOCKET_SPREAD pixels
// past the LED on every side; SOCKET_MARGIN and LINE_WIDTH at each size.
// The pictures paint it under the LEDs they always show; the LEDs themselves
// draw nothing beyond their rectangles.
inline constexpr std::array<int, 4> SOCKET_SPREAD{2, 2, 3, 4};
inline constexpr std::array<int, 4> SOCKET_RIM_WIDTH{1, 1, 1, 2};

struct TSocketCircle {
    double cx;
    double cy;
    double rimRadius;   // the rim's outer edge
    double wellRadius;  // the dark well inside the rim
};

// The socket of an LED at led in an area of areaWidth x areaHeight (the image
// or container it sits in, whose origin is 0, 0): near the area's edge the rim
// comes in rather than being cut off.
inline TSocketCircle socketCircle(const CRect& led, int screenSize, double areaWidth, double areaHeight) {
    const unsigned size = static_cast<unsigned>(std::clamp(screenSize, 0, 3));
    const double spread = std::min({static_cast<double>(SOCKET_SPREAD[size]), led.left, led.top,
                                    areaWidth - led.right, areaHeight - led.bottom});
    const double left = led.left - spread, right = led.right + spread;
    const double rim = (right - left) / 2;
    return {(left + right) / 2, (led.top - spread + led.bottom + spread) / 2, rim, rim - SOCKET_RIM_WIDTH[size]};
}

}  // namespace look
