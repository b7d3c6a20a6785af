// A button that opens one of the editor's command menus: kind 0 the settings
// menu, kind 1 the ECS menu, kind 2 the Movement speed menu. The kind 2 button
// is also the value field of "Movement Speed": it shows the speed between "-"
// and "+" step buttons, steps it from its ends and the wheel, and takes the
// usual modifier clicks in its middle.
#pragma once

#include <string>

#include "toolkit/CControl.h"

class TEditorServices;

class TMenuButton : public kgui::CControl {
public:
    enum Kind { kSettingsMenu = 0, kECSMenu = 1, kMoveSpeedMenu = 2 };

    // ledLook: drawn as a lit LED; boxed: drawn as a field with step buttons
    // and the text. With neither the button is an invisible click area.
    TMenuButton(const kgui::CRect& size, kgui::IControlListener* listener, const std::string& text, int kind,
                bool ledLook, bool boxed);

    void setString(const std::string& newText);
    const std::string& getString() const { return text; }
    int getKind() const { return kind; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

private:
    // Shift on a step button: to the first or last speed.
    void stepSpeedToEnd(TEditorServices& services, int zone);

    bool ledLook;
    bool boxed;
    int kind;
    std::string text;
};
