// A line of text on an optional box: program name, value read-outs and
// mouse-over hints. Made to react to the mouse it is a momentary text button.
#pragma once

#include <string>

#include "toolkit/CControl.h"

class TReadout : public kgui::CControl {
public:
    TReadout(const kgui::CRect& size, kgui::IControlListener* listener, const std::string& text, bool centered,
             bool boxed);

    void setString(const std::string& newText);
    const std::string& getString() const { return text; }
    void setReactToMouse() { reactToMouse = true; }
    void setBigFont() { bigFont = true; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;

private:
    std::string text;
    bool centered;
    bool boxed;
    bool reactToMouse = false;
    bool bigFont = false;
};
