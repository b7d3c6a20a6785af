// Drawing shorthands of the platform layer for the controls and the editor.
// Header-only, so that the platform library itself needs no GUI toolkit:
// only the code that draws (and links the toolkit) includes this.
#pragma once

#include "toolkit/CDrawContext.h"

// The rectangle's outline with the context's current line settings.
inline void drawRectExt(const kgui::CRect& rect, kgui::CDrawContext* context) {
    if (context) context->drawRect(rect, kgui::kDrawStroked);
}

// The rectangle filled with the context's fill colour.
inline void fillRectExt(const kgui::CRect& rect, kgui::CDrawContext* context) {
    if (context) context->fillRect(rect);
}

// One line with the context's current line settings (its antialiasing included).
inline void lineAA(float x1, float y1, float x2, float y2, kgui::CDrawContext* context) {
    if (context) context->drawLine(kgui::CPoint(x1, y1), kgui::CPoint(x2, y2));
}
