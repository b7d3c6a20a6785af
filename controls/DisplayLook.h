// What the displays share beyond the controls' common look (ControlLook.h):
// the ribbon, the Movement display and selector, the output scope, the Gator
// displays and the two sample views. Their readings come from the plug-in
// while the audio thread runs, so every reading that becomes a pixel or an
// index passes through a guard here first.
#pragma once

#include <cmath>
#include <string>

#include "controls/ControlLook.h"
#include "toolkit/CBase.h"

namespace kgui {
class CDrawContext;
class IDataPackage;
}  // namespace kgui
class TEditorServices;

namespace look {

// The editor's images that the displays draw, by their 100 % number (the
// editor holds them at the window's size).
constexpr int32 RIBBON_CENTRE_IMAGE = 10035;  // centre mark of the bipolar ribbon
constexpr int32 RIBBON_HANDLE_IMAGE = 10036;  // the ribbon's value handle
constexpr int32 RIBBON_MOD_IMAGE = 10037;     // the ribbon's modulated position
constexpr int32 FOLDER_ICON_IMAGE = 10040;    // a sub-folder row of the sample browser
constexpr int32 FILE_ICON_IMAGE = 10041;      // a file row's preview icon

// A 100 % position scaled to the size, plus the correction in pixels that
// the editor's layout adds at 125, 150 and 200 % (none at 100 %).
int32 scaledWithCorrections(int32 value, int size, int32 c125, int32 c150, int32 c200);

// A coordinate as a whole pixel, truncated toward zero. A value that is not
// finite gives 0, and one beyond any screen is held at +-1,000,000, so that
// the conversion to int is always defined.
int32 pixelOf(double coordinate);

// A reading that is not finite (a plug-in mid-update, a broken file) gives
// fallback; finite readings pass unchanged.
inline float finiteOr(float reading, float fallback) { return std::isfinite(reading) ? reading : fallback; }
inline float clampedUnit(float reading, float fallback) {
    const float v = finiteOr(reading, fallback);
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Text aligned in rect as drawString does, cut at a character and ended with
// an ellipsis where it is wider than rect, so that a long file name never
// runs into the next column.
void drawFittedString(kgui::CDrawContext* context, const std::string& text, const CRect& rect,
                      kgui::CHoriTxtAlign align);

// Files dropped on a sample view: every file path of the package goes to the
// plug-in's import with the package's item count (one file is loaded, several
// are only copied into the folder); then the editor is asked to refresh.
// True when at least one path was handed on.
bool importDroppedFiles(TEditorServices& services, kgui::IDataPackage* package);

}  // namespace look
