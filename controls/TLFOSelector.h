// The Movement wave selector: four cells, one per Movement wave, each drawing
// its wave as the plug-in bends it now; the chosen wave ("Movement Wave", a
// menu of four steps) is highlighted. A click picks the cell under the mouse,
// the wheel steps through the waves.
#pragma once

#include "toolkit/CControl.h"

class TLFOSelector : public kgui::CControl {
public:
    TLFOSelector(const kgui::CRect& rect, kgui::IControlListener* listener);

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;
};
