// Where every control of the main screen and the sample screen sits, at 100 %,
// in the order the editor creates them: one row per control, as plain data, so
// the editor's factories and the artwork that paints the boxes, sockets and
// frames under the controls read the same numbers. Positions go through
// getScaled (editor/Scaling.h) with the row's corrections; sizes through
// getScaled without corrections (a knob of 44 is 44, 55, 66, 88 pixels). A
// switch sits at x + switchOffset, both scaled. Rows of the two panels are
// relative to their containers.
#pragma once

#include <array>
#include <string_view>

#include "editor/Scaling.h"

// The tag a control carries when it stands for no parameter.
constexpr int NO_PARAM_TAG = 9999;

struct TLayoutRow {
    const char* member;  // the editor member that holds the control
    int tag;             // parameter index, or NO_PARAM_TAG
    TScaledValue x;
    TScaledValue y;
    int width;   // 0 for image buttons, whose size is their image's
    int height;
    TScaledValue switchOffset{};
};

// The two panel containers: their 100 % positions on the main screen; each is
// as large as its background image.
inline constexpr TScaledValue SOURCE_VIEW_CONTAINER_X{29}, SOURCE_VIEW_CONTAINER_Y{382};
inline constexpr TScaledValue MOD_FX_VIEW_CONTAINER_X{160}, MOD_FX_VIEW_CONTAINER_Y{593};

// The ribbon is placed per size rather than through getScaled.
struct TPixelBox {
    int x;
    int y;
    int width;
    int height;
};
inline constexpr std::array<TPixelBox, SCREEN_SIZE_COUNT> RIBBON_RECTS{{
    {30, 737, 811, 20},
    {40, 922, 1012, 25},
    {48, 1106, 1215, 30},
    {64, 1474, 1620, 40},
}};

// Captions of the top bar, the panel titles and the ribbon.
extern const std::array<TLayoutRow, 23> MAIN_CAPTIONS;
// The top bar: program and folder menus, buttons, the hint readouts and the click areas.
extern const std::array<TLayoutRow, 13> MAIN_TOP_BAR;
// Knobs of the frame (the Mod FX knobs are in MOD_FX_PANEL).
extern const std::array<TLayoutRow, 56> MAIN_KNOBS;
// On/off switches of the panels.
extern const std::array<TLayoutRow, 18> MAIN_SWITCHES;
// The source row above the source panel, with the sample and filter menus.
extern const std::array<TLayoutRow, 9> MAIN_SOURCE_ROW;
// Menus of the filter, LFO, main and effect panels.
extern const std::array<TLayoutRow, 10> MAIN_MENUS;
// Modulation source and destination menus and the Movement speed button.
extern const std::array<TLayoutRow, 14> MAIN_MODULATION_MENUS;
// Movement panel menus and displays, and the controls beside the ribbon.
extern const std::array<TLayoutRow, 7> MAIN_MOVEMENT_AND_RIBBON;
// The source panel, relative to its container; three overlapping sets, one per source form.
extern const std::array<TLayoutRow, 21> SOURCE_PANEL;
// The Mod FX panel, relative to its container.
extern const std::array<TLayoutRow, 10> MOD_FX_PANEL;
// The sample screen: captions, the play mode menu, nudge and zoom buttons, fields and the two views.
extern const std::array<TLayoutRow, 28> SAMPLE_SCREEN;

// The row of a member in any table above, or null.
const TLayoutRow* findLayoutRow(std::string_view member);

// A row's rectangle at a screen size (image buttons come out 0 x 0).
TPixelBox getScaledBox(const TLayoutRow& row, int screenSize);
