// The momentary button: 1 while held with the pointer over it, 0 when left or
// released, each change reported to the editor, which runs the button's
// command. Drawn as an LED (also an on/off lamp through setAlwaysOn), a text,
// or one of four arrows for stepping back and forth.
#pragma once

#include <string>

#include "toolkit/CControl.h"

class TKickButton : public kgui::CKickButton {
public:
    enum Kind {
        kLed = 0,
        kText = 1,
        kLeftArrow = 2,
        kDoubleLeftArrow = 3,
        kRightArrow = 4,
        kDoubleRightArrow = 5,
    };

    TKickButton(const kgui::CRect& size, kgui::IControlListener* listener, const std::string& label, int kind);

    // The LED is lit whatever the value.
    void setAlwaysOn(bool state);
    void setInvisible(bool state);
    void setBypassed(bool state);
    void setInvert() { inverted = true; }
    void setLabel(const std::string& text);
    const std::string& getLabel() const { return label; }
    int getKind() const { return kind; }
    bool isBypassed() const { return bypassed; }
    bool isInvisible() const { return invisible; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;

private:
    void drawArrows(kgui::CDrawContext* context) const;

    bool alwaysOn = false;
    bool invisible = false;
    bool bypassed = false;
    bool inverted = false;
    std::string label;
    int kind;
    float entryState = 0;
};
