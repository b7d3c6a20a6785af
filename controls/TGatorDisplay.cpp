#include "controls/TGatorDisplay.h"

#include <algorithm>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TGatorDisplay::TGatorDisplay(const CRect& rect, IControlListener* listener, int32 tag)
    : CControl(rect, listener, tag), stepWidth(static_cast<float>(rect.getWidth()) * 0.0625f) {}

int TGatorDisplay::stepAt(double x) const {
    const double fraction = (x - size.left) / size.getWidth();
    return std::clamp(look::pixelOf(fraction * 15.99), 0, STEP_COUNT - 1);
}

void TGatorDisplay::setOn(bool state) {
    if (state == on)
        return;
    on = state;
    setDirty(true);
}

void TGatorDisplay::setGaterPos(int position) {
    if (position == gaterPos)
        return;
    gaterPos = position;
    setDirty(true);
}

void TGatorDisplay::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services || !host->getEditorFinishedOpening())
        return;
    const std::uint32_t mask = maskOf(value);
    const int lastFilled =
        look::pixelOf(look::clampedUnit(services->getParameter(LENGTH_TAG), 1) * 15.99f + 0.1f);

    context->setLineWidth(1);
    context->setDrawMode(kAliasing);
    for (int i = 0; i < STEP_COUNT; ++i) {
        const bool set = mask & (1u << i);
        context->setFrameColor(on ? look::GATER_FRAME_COLOR : look::GATER_FRAME_BYPASS_COLOR);
        if (set)
            context->setFillColor(on ? look::GATER_ON_COLOR : look::GATER_ON_BYPASS_COLOR);
        else
            context->setFillColor(on ? look::GATER_OFF_COLOR : look::GATER_OFF_BYPASS_COLOR);
        const CRect cell(size.left + static_cast<int32>(static_cast<float>(i) * stepWidth), size.top,
                         size.left + static_cast<int32>(static_cast<float>(i + 1) * stepWidth), size.bottom);
        // Steps beyond the Gator's length are outlined only: they never play.
        context->drawRect(cell, i <= lastFilled ? kDrawFilledAndStroked : kDrawStroked);
        if (on && i == gaterPos) {
            context->setFrameColor(look::GATER_POS_COLOR);
            context->drawLine(CPoint(cell.left, size.top + 1), CPoint(cell.right, size.top + 1));
        }
    }
    setDirty(false);
}

CMouseEventResult TGatorDisplay::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!getMouseEnabled() || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (look::wantsParameterMenu(buttons)) {
        host->showModFXMenu();
        return kMouseEventHandled;
    }
    host->setModFXUndo();

    float next = -1;
    CMouseEventResult result = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons == (kLButton | kAlt)) {
        next = 0;
    } else if (buttons == (kLButton | kShift)) {
        next = 1;
    } else if (buttons == (kLButton | kControl)) {
        next = services->getDefaultValue(tag);
    } else if (buttons == (kLButton | kControl | kShift)) {
        next = services->getOrigValue(tag);
    } else if (buttons == kLButton) {
        next = valueOf(maskOf(value) ^ (1u << stepAt(where.x)));
        result = kMouseEventHandled;
    }
    if (next < 0)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    beginEdit();
    setValue(next);
    setDirty(true);
    valueChanged();
    endEdit();
    return result;
}
