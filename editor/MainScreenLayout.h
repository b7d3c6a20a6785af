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
#include "engine/dsp/ParameterTags.h"

// Which of the editor's factories makes a row's control. Rows marked direct
// are made by the editor's own code (the program, sample and filter menus with
// their submenus, the displays, the ribbon, the sample position fields); the
// row only places them.
enum class TFactory : unsigned char {
    direct,
    label,        // a caption of its own
    knob,         // style: 0..5; caption below at a margin of labelWidth pixels (not scaled)
    onOff,        // the LED switch; caption by side (0 below, else left) of labelWidth at 100 %
    imageButton,  // style: the image id at 100 %; the button is as large as the image
    textButton,   // style: the kick button's kind (1 text, 2..5 arrows)
    ledButton,    // a kick button drawn as an LED
    menuButton,   // style: the menu button's kind
    readout,
    clickArea,    // an invisible kick button
    menu,
    labelMenu,    // caption by side (0 below, 1 above, else left) of labelWidth at 100 %
    srcMenu,      // style: the slot
    destMenu,     // style: the slot
};

// The string tables that fill the option menus the factories make.
enum class TEntryTable : unsigned char {
    none,
    playMode,
    portMode,
    pitchBend,
    sourceMode,
    sampleLoopMode,
    filterDistortType,
    fxPath,
    modFXMode,
    lfoWave,
    lfoMode,
    panMoveMode,
    moveSnap,
    lock,
    ribbonQuant,
    ribbonSpringTime,
    midiInChannel,
    screenSize,
};

enum class TCaptionFont : unsigned char { label, big };
enum class TCaptionColour : unsigned char { text, dark };

// What a factory needs beyond the row's place and size.
struct TMake {
    TFactory factory = TFactory::direct;
    int style = 0;
    const char* text = "";               // caption, button or readout text
    const char* caption = nullptr;       // the member that holds the control's caption, if it has one
    int side = 0;                        // where that caption goes
    int labelWidth = 0;                  // its width, or a knob caption's margin
    TEntryTable entries = TEntryTable::none;
    int entryCount = -1;                 // -1: the parameter's step count
    bool centred = false;                // menus and readouts: centred text
    bool stepButtons = false;            // menus: "-" and "+" at the ends
    bool ledLook = false;                // menu buttons
    bool boxed = false;                  // menu buttons and readouts
    TCaptionFont font = TCaptionFont::label;
    TCaptionColour colour = TCaptionColour::text;
    int align = 0;                       // captions: 0 left, 1 centre, 2 right
};

// The rows' makers, one per factory.
namespace layout {

constexpr TMake label(const char* text, TCaptionFont font, TCaptionColour colour, int align) {
    return {.factory = TFactory::label, .text = text, .font = font, .colour = colour, .align = align};
}
// A caption in the label font and the text colour.
constexpr TMake caption(const char* text, int align = 0) {
    return label(text, TCaptionFont::label, TCaptionColour::text, align);
}
// The top bar's captions: dark, right-aligned before their controls.
constexpr TMake topCaption(const char* text) { return label(text, TCaptionFont::label, TCaptionColour::dark, 2); }
// Panel titles: the big font, left-aligned.
constexpr TMake title(const char* text) { return label(text, TCaptionFont::big, TCaptionColour::text, 0); }
constexpr TMake knob(int style, const char* caption = nullptr, const char* text = "", int margin = 0) {
    return {.factory = TFactory::knob, .style = style, .text = text, .caption = caption, .labelWidth = margin};
}
constexpr TMake onOff(const char* caption = nullptr, const char* text = "", int side = 0, int labelWidth = 0) {
    return {.factory = TFactory::onOff, .text = text, .caption = caption, .side = side, .labelWidth = labelWidth};
}
constexpr TMake imageButton(int bitmapId) { return {.factory = TFactory::imageButton, .style = bitmapId}; }
constexpr TMake textButton(int kind, const char* text = "") {
    return {.factory = TFactory::textButton, .style = kind, .text = text};
}
constexpr TMake ledButton() { return {.factory = TFactory::ledButton}; }
constexpr TMake menuButton(int kind, bool ledLook, bool boxed) {
    return {.factory = TFactory::menuButton, .style = kind, .ledLook = ledLook, .boxed = boxed};
}
constexpr TMake readout(const char* text, bool centred, bool boxed) {
    return {.factory = TFactory::readout, .text = text, .centred = centred, .boxed = boxed};
}
constexpr TMake clickArea() { return {.factory = TFactory::clickArea}; }
constexpr TMake menu(TEntryTable entries, bool centred, bool stepButtons, int count = -1) {
    return {.factory = TFactory::menu, .entries = entries, .entryCount = count, .centred = centred,
            .stepButtons = stepButtons};
}
// Labelled menus always centre their text and carry step buttons.
constexpr TMake labelMenu(TEntryTable entries, const char* caption, const char* text, int side, int labelWidth,
                          int count = -1) {
    return {.factory = TFactory::labelMenu, .text = text, .caption = caption, .side = side, .labelWidth = labelWidth,
            .entries = entries, .entryCount = count, .centred = true, .stepButtons = true};
}
constexpr TMake srcMenu(int slot, const char* caption = nullptr, const char* text = "", int labelWidth = 0) {
    return {.factory = TFactory::srcMenu, .style = slot, .text = text, .caption = caption, .labelWidth = labelWidth};
}
constexpr TMake destMenu(int slot, const char* caption, const char* text, int labelWidth) {
    return {.factory = TFactory::destMenu, .style = slot, .text = text, .caption = caption, .labelWidth = labelWidth};
}
constexpr TMake direct() { return {}; }

}  // namespace layout

struct TLayoutRow {
    const char* member;  // the editor member that holds the control
    int tag;             // parameter index, or NO_PARAM_TAG
    TScaledValue x;
    TScaledValue y;
    int width;   // 0 for image buttons, whose size is their image's
    int height;
    TScaledValue switchOffset{};
    TMake make{};
};

// The two panel containers: their 100 % positions on the main screen; each is
// as large as its background image.
inline constexpr TScaledValue SOURCE_VIEW_CONTAINER_X{29}, SOURCE_VIEW_CONTAINER_Y{382};
inline constexpr TScaledValue MOD_FX_VIEW_CONTAINER_X{160}, MOD_FX_VIEW_CONTAINER_Y{593};
// Their sizes at 100 %, the size of the panel images behind them.
constexpr int SOURCE_VIEW_CONTAINER_WIDTH = 544, SOURCE_VIEW_CONTAINER_HEIGHT = 78;
constexpr int MOD_FX_VIEW_CONTAINER_WIDTH = 277, MOD_FX_VIEW_CONTAINER_HEIGHT = 52;

// The sample screen covers the Movement band: the main screen's rows above
// this line (at 100 %) are not on it; the rows below it are on both screens.
constexpr int MOVEMENT_BAND_BOTTOM = 360;
constexpr bool isBelowMovementBand(const TLayoutRow& row) { return row.y.value >= MOVEMENT_BAND_BOTTOM; }

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
// On/off switches of the panels, in the order they are made.
extern const std::array<TLayoutRow, 18> MAIN_SWITCHES;
// The same switches by tag, in the order a screen attaches them (and so
// draws them), which is not the order they are made in.
extern const std::array<int, 18> MAIN_SWITCH_ATTACH_ORDER;
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
