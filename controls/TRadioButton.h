// One LED of a group of exclusive choices: a click switches it on, never off;
// what that means for the rest of the group is the editor's.
#pragma once

#include "toolkit/CControl.h"

class TRadioButton : public kgui::CControl {
public:
    TRadioButton(const kgui::CRect& size, kgui::IControlListener* listener, int group, int index);

    void setState(bool on);
    void setOn();
    void setOff();
    int getGroup() const { return group; }
    int getIndex() const { return index; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    // Offers the step to the editor's radio groups; always handled.
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

private:
    int group;
    int index;
};
