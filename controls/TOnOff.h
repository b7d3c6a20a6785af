// The toggle of an on/off parameter or an editor setting, drawn as an LED
// (ring and dot) or as a two-state image (off above on). Any mouse button
// toggles it; a bypassed or invisible switch ignores the mouse.
#pragma once

#include "toolkit/CControl.h"

class TOnOff : public kgui::COnOffButton {
public:
    // bitmap may be null; with useBitmap the switch draws it instead of the LED.
    TOnOff(const kgui::CRect& size, kgui::IControlListener* listener, kgui::int32 tag, kgui::CBitmap* bitmap,
           bool useBitmap, kgui::int32 style);

    // The switch counts as on above 0.5: setState(true) on a value of exactly
    // 0.5 sets 1, setOff() leaves 0.5 alone.
    void setState(bool on);
    void setOn();
    void setOff();
    // A change of the bypass also ends the inverted look.
    void setBypassed(bool state);
    void setInvert() { inverted = true; }
    void setInvisible(bool state);
    bool isBypassed() const { return bypassed; }
    bool isInverted() const { return inverted; }
    bool isInvisible() const { return invisible; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;

private:
    bool useBitmap;
    bool inverted = false;
    bool bypassed = false;
    bool invisible = false;
    kgui::CBitmap* stateBitmap;  // held through the view's background reference
};
