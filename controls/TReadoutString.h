// A plain line of text in black or white in the toolkit's large font, no box.
#pragma once

#include <string>

#include "toolkit/CControl.h"

class TReadoutString : public kgui::CControl {
public:
    // dark: black text, else white.
    TReadoutString(const kgui::CRect& size, kgui::IControlListener* listener, const std::string& text, bool dark,
                   bool centered, bool reactToMouse);

    void setString(const std::string& newText);
    std::string getString() const { return text; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;

private:
    std::string text;
    kgui::CColor textColor;
    bool centered;
    bool reactToMouse;
};
