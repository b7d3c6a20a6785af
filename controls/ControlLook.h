// What every control shares besides the palette (ControlColours.h): the tables
// indexed by the screen size, the fonts, the LED look of the circular
// switches, the bypassed look, pixel snapping and the mouse conventions.
// Positions and sizes handed to a control are already scaled by the editor;
// these tables hold what the controls scale themselves.
#pragma once

#include <array>
#include <cstdint>

#include "controls/ControlColours.h"
#include "controls/PanelLook.h"
#include "engine/dsp/ParameterTags.h"
#include "toolkit/CBase.h"
#include "toolkit/CFont.h"

namespace kgui {
class CDrawContext;
class CView;
}

namespace look {

using kgui::CButtonState;
using kgui::CFontRef;
using kgui::CRect;
using kgui::int32;

// ---- tags
// A control that stands for no parameter carries NO_PARAM_TAG: the host never
// hears of gestures on it, and the editor tells such controls apart by pointer.
// Parameters are 0..1023; compared unsigned so that negative tags fail too.
constexpr bool isParameterTag(int32 tag) {
    return static_cast<std::uint32_t>(tag) < static_cast<std::uint32_t>(PARAMETER_COUNT);
}

// ---- screen sizes: 0..3 for 100, 125, 150 and 200 per cent
constexpr int SCREEN_SIZE_COUNT = 4;
// Every per-size lookup goes through this, so a wrong index from an editor
// still reads one of the four entries.
constexpr int clampScreenSize(int size) { return size < 0 ? 0 : (size > 3 ? 3 : size); }

using SizeTable = std::array<int32, SCREEN_SIZE_COUNT>;
using FontTable = std::array<CFontRef, SCREEN_SIZE_COUNT>;

extern const std::array<float, SCREEN_SIZE_COUNT> SCALE;
// v at 100 %, scaled to the size and truncated toward zero (4 gives 4, 5, 6, 8).
int32 scaled(int32 v, int size);

// Pixels per size. The ribbon's and the sample browser's other tables
// (SLIDER_WIDTH, SAMPLE_ROW_HEIGHT, SAMPLE_FILE_START_X and the rest) live in
// PanelLook.h, which the editor's images share.
extern const SizeTable MENU_DELTA_BUTTON_WIDTH;
extern const SizeTable INDICATOR_SIZE;
extern const SizeTable INDICATOR_OFF;
extern const SizeTable SAMPLE_UP_START;
extern const SizeTable SAMPLE_REFRESH_START;
extern const SizeTable SAMPLE_MENU_START;

// Button texts, readouts and menus.
extern const FontTable FONT_SIZES;
// Captions made by the editor's factories.
extern const FontTable LABEL_FONT_SIZES;
// Readouts switched to the big font and the editor's large captions.
extern const FontTable BIG_LABEL_FONT_SIZES;

// Half the height of a one-line text box for a font of the given size:
// int(size + 2) / 2, the integer division truncating.
int32 textHalfHeight(double fontSize);
// The vertical centre of a text line in a box from top to bottom: at 100 %
// the small fonts sit one pixel low, which centres their capitals.
double textCentreY(double top, double bottom, int size);

// ---- step buttons ("-" and "+" boxes at the ends of menus and the speed field)
struct TStepSignPlacement {
    int32 minusX;     // "-": from the left edge
    int32 minusY;     // "-": vertical shift
    int32 plusInset;  // "+": from the right edge
    int32 plusY;      // "+": vertical shift
};
extern const std::array<TStepSignPlacement, SCREEN_SIZE_COUNT> STEP_SIGN_PLACEMENT;
// The two boxes of MENU_DELTA_BUTTON_WIDTH at the ends of rect with their signs
// in the context's current font, in fontColour.
void drawStepButtons(kgui::CDrawContext* context, const CRect& rect, int size, const CColor& fontColour);
// Which end of a field of the given rectangle a click at x falls on: +1 the
// right box, -1 the left box, 0 between. The right box wins where the two
// overlap (a field narrower than two boxes).
int stepButtonZone(const CRect& rect, double x, int size);

// ---- knob
// Radius factor of the modulation arc by screen size and knob style (0, 1, 2).
extern const std::array<std::array<float, 3>, SCREEN_SIZE_COUNT> KNOB_ARC_FACTOR;
// Value change per pixel of a vertical knob drag is the range over these.
constexpr float KNOB_DRAG_PIXELS = 200;
constexpr float KNOB_FINE_DRAG_PIXELS = 10000;

// ---- the effect order ("FX Path"): the field stacks the four stages in the
// order the chain runs them, as the plug-in reports it.
constexpr int FX_STAGE_COUNT = 4;
// The stage names as the "FX Path" field stacks them.
extern const std::array<const char*, FX_STAGE_COUNT> FX_STAGE_NAMES;

// ---- LED look and bypassed look
// The LED colours for a state: inverted over plain, on over off, bypassed over all.
TLedColours ledColours(bool on, bool inverted, bool bypassed);
// Ring (line width 2) and dot of the LED in rect; the line width ends at 1.
// Nothing is drawn outside rect: a socket under an LED belongs to the
// background picture, which paints one only where the LED is always shown.
// The caller sets the draw mode.
void drawLed(kgui::CDrawContext* context, const CRect& rect, const TLedColours& colours);
// A bypassed bitmap switch draws its image at this alpha (of 255).
constexpr unsigned char BYPASSED_BITMAP_ALPHA = 64;
constexpr CColor withBypassedAlpha(CColor colour) {
    colour.alpha = BYPASSED_ALPHA;
    return colour;
}

// ---- pixel snapping of rectangles computed in floating point
// Halves away from zero (the knob's discs).
CRect snapRounded(const CRect& rect);
// Toward zero (every other control).
CRect snapTruncated(const CRect& rect);

// ---- mouse conventions
// On Linux the toolkit's kControl is the Ctrl key, kApple the Super key and
// kAlt the Alt key: Ctrl sets the default value, Super (or the right button)
// opens the parameter menu, Alt asks for a typed value, which the host records
// as the knob's or the ribbon's edit. Window managers that move windows with
// Alt-drag swallow Alt-clicks; the parameter menu's "Set to Value" reaches the
// same typed entry, but the host does not record what it stores.
inline bool wantsParameterMenu(const CButtonState& buttons) { return buttons & (kgui::kRButton | kgui::kApple); }
// Ctrl: the default value (a knob also takes a double click for it).
inline bool hasDefaultValueKey(const CButtonState& buttons) { return buttons & kgui::kControl; }
// The value of the program as loaded: Ctrl with Shift.
inline bool wantsOriginalValue(const CButtonState& buttons) {
    return (buttons & kgui::kControl) && (buttons & kgui::kShift);
}
inline bool wantsTypedValue(const CButtonState& buttons) { return buttons & kgui::kAlt; }
// Shift: fine drags and steps, or a step to the first or last choice.
inline bool wantsFine(const CButtonState& buttons) { return buttons & kgui::kShift; }
// The keys as the editor's help lines name them on this platform.
inline constexpr const char* DEFAULT_VALUE_KEY_NAME = "Ctrl";
inline constexpr const char* MENU_KEY_NAME = "Super";
inline constexpr const char* TYPED_VALUE_KEY_NAME = "Alt";

}  // namespace look
