#include "controls/TOnOff.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TOnOff::TOnOff(const CRect& size, IControlListener* listener, int32 tag, CBitmap* bitmap, bool useBitmap,
               int32 style)
    : COnOffButton(size, listener, tag, bitmap, style), useBitmap(useBitmap), stateBitmap(bitmap) {}

void TOnOff::setState(bool on) {
    if ((value > 0.5f) == on)
        return;
    setValue(on ? 1.0f : 0.0f);
    setDirty(true);
}

void TOnOff::setOn() {
    if (value > 0.5f)
        return;
    setValue(1.0f);
    setDirty(true);
}

void TOnOff::setOff() {
    if (!(value > 0.5f))
        return;
    setValue(0.0f);
    setDirty(true);
}

void TOnOff::setBypassed(bool state) {
    if (state == bypassed)
        return;
    bypassed = state;
    inverted = false;
    setDirty(true);
}

void TOnOff::setInvisible(bool state) {
    if (state == invisible)
        return;
    invisible = state;
    setDirty(true);
}

void TOnOff::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening() || invisible)
        return;
    // Drawing takes the value as a whole number: only exactly 1 shows on.
    const int state = static_cast<int>(value);
    if (useBitmap) {
        if (stateBitmap) {
            CPoint offset(0, stateBitmap->getHeight() * state * 0.5);
            if (bypassed)
                stateBitmap->drawAlphaBlend(context, size, offset, look::BYPASSED_BITMAP_ALPHA);
            else
                stateBitmap->draw(context, size, offset, 1.0f);
        }
    } else {
        context->setDrawMode(kAntiAliasing);
        look::drawLed(context, size, look::ledColours(state == 1, inverted, bypassed));
        context->setDrawMode(kAliasing);
    }
    setDirty(false);
}

CMouseEventResult TOnOff::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!getMouseEnabled() || bypassed || invisible || !controlHostOf(this))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (listener && buttons.getModifierState() && listener->controlModifierClicked(this, buttons) != 0)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    value = static_cast<int>(value) != 0 ? 0.0f : 1.0f;
    beginEdit();
    valueChanged();
    endEdit();
    return kMouseEventHandled;
}
