// Drawing shorthands of the platform layer, for whoever draws: an outline, a
// fill and a line, each with the context's current settings. They live with
// the toolkit whose types they take, since the platform services sit below it.
#pragma once

#include "toolkit/CDrawContext.h"

// The rectangle's outline in the frame colour and line settings.
inline void drawRectExt(const kgui::CRect& rect, kgui::CDrawContext* context) {
    if (context)
        context->drawRect(rect, kgui::kDrawStroked);
}

// The rectangle filled with the fill colour.
inline void fillRectExt(const kgui::CRect& rect, kgui::CDrawContext* context) {
    if (context)
        context->fillRect(rect);
}

// One line from (x1, y1) to (x2, y2) in the frame colour and line settings,
// antialiased or not as the context's draw mode says.
inline void lineAA(float x1, float y1, float x2, float y2, kgui::CDrawContext* context) {
    if (context)
        context->drawLine(kgui::CPoint(x1, y1), kgui::CPoint(x2, y2));
}
