#include "controls/TextButtonMouse.h"

#include "controls/ControlHost.h"

using namespace kgui;

CMouseEventResult textButtonPressed(CControl& control, const CButtonState& buttons, bool reactToMouse) {
    if (!control.getMouseEnabled() || !buttons.isLeftButton() || !controlHostOf(&control) || !reactToMouse)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    control.setValue(1.0f);
    control.setDirty(true);
    control.valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult textButtonReleased(CControl& control, const CButtonState& buttons) {
    if (buttons.isLeftButton()) {
        control.setValue(0.0f);
        control.setDirty(true);
        control.valueChanged();
    }
    return kMouseEventHandled;
}
