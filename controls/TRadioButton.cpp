#include "controls/TRadioButton.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TRadioButton::TRadioButton(const CRect& size, IControlListener* listener, int group, int index)
    : CControl(size, listener, NO_PARAM_TAG, nullptr), group(group), index(index) {}

void TRadioButton::setState(bool on) {
    if ((value > 0.5f) == on)
        return;
    setValue(on ? 1.0f : 0.0f);
    setDirty(true);
}

void TRadioButton::setOn() {
    if (value > 0.5f)
        return;
    setValue(1.0f);
    setDirty(true);
}

void TRadioButton::setOff() {
    if (!(value > 0.5f))
        return;
    setValue(0.0f);
    setDirty(true);
}

void TRadioButton::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening())
        return;
    context->setDrawMode(kAntiAliasing);
    look::drawLed(context, size, look::ledColours(static_cast<int>(value) == 1, false, false));
    context->setDrawMode(kAliasing);
    setDirty(false);
}

CMouseEventResult TRadioButton::onMouseDown(CPoint&, const CButtonState&) {
    if (!getMouseEnabled())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (value < 0.5f) {
        setValue(1.0f - value);
        setDirty(true);
        valueChanged();
    }
    return kMouseEventHandled;
}

bool TRadioButton::onWheel(const CPoint&, const float& distance, const CButtonState&) {
    if (TControlHost* host = controlHostOf(this))
        host->changeRadioDelta(group, distance > 0 ? -1 : (distance < 0 ? 1 : 0));
    return true;
}
