#include "controls/TKickButton.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TKickButton::TKickButton(const CRect& size, IControlListener* listener, const std::string& label, int kind)
    : CKickButton(size, listener, NO_PARAM_TAG, nullptr, CPoint(0, 0)), label(label), kind(kind) {}

void TKickButton::setAlwaysOn(bool state) {
    if (state == alwaysOn)
        return;
    alwaysOn = state;
    setDirty(true);
}

void TKickButton::setInvisible(bool state) {
    if (state == invisible)
        return;
    invisible = state;
    setDirty(true);
}

void TKickButton::setBypassed(bool state) {
    if (state == bypassed)
        return;
    bypassed = state;
    setDirty(true);
}

void TKickButton::setLabel(const std::string& text) {
    if (text == label)
        return;
    label = text;
    setDirty(true);
}

void TKickButton::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening() || invisible)
        return;
    context->setDrawMode(kAntiAliasing);
    if (kind == kLed) {
        look::drawLed(context, size, look::ledColours(static_cast<int>(value) == 1 || alwaysOn, inverted, bypassed));
    }

    const CColor colour = bypassed ? look::TEXT_BYPASSED_COLOR : look::TEXT_COLOR;
    context->setFrameColor(colour);
    context->setFillColor(colour);
    context->setFontColor(colour);
    if (kind == kText) {
        context->setFont(look::FONT_SIZES[look::clampScreenSize(host->getBig())]);
        context->drawString(label, size, kCenterText, true);
    } else if (kind >= kLeftArrow && kind <= kDoubleRightArrow) {
        drawArrows(context);
    }
    context->setDrawMode(kAliasing);
    setDirty(false);
}

// Each arrow is a filled triangle: its tip, then the two corners of its base.
void TKickButton::drawArrows(CDrawContext* context) const {
    const double h = size.getHeight();
    const double w = size.getWidth();
    const double cy = (size.top + size.bottom) / 2;
    const double aw = static_cast<int32>(h / 2.5);
    const double ah = static_cast<int32>(h / 2 - 4);
    const double hw = static_cast<int32>(w / 2);
    const double off = static_cast<int32>((w - hw) / 2);
    auto arrow = [&](double tipX, double baseX) {
        const CPoint points[3] = {{tipX, cy}, {baseX, cy + ah}, {baseX, cy - ah}};
        context->fillPolygon(points, 3);
    };
    switch (kind) {
        case kLeftArrow:
            arrow(size.left + off, size.left + off + aw);
            break;
        case kDoubleLeftArrow:
            arrow(size.left + 2, size.left + 2 + aw);
            arrow(size.left + 1 + hw, size.left + 1 + hw + aw);
            break;
        case kRightArrow:
            arrow(size.right - off, size.right - (off + aw));
            break;
        case kDoubleRightArrow:
            arrow(size.right - 2, size.right - (aw + 2));
            arrow(size.right - (hw + 2), size.right - (hw + 2 + aw));
            break;
        default:
            break;
    }
}

CMouseEventResult TKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (bypassed || invisible || !buttons.isLeftButton())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    entryState = value;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult TKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton())
        return kMouseEventHandled;
    const float before = value;
    if (size.pointInside(where))
        value = entryState == 0 ? 1.0f : 0.0f;
    else
        value = entryState;
    if (value != before)
        valueChanged();
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

// The release always reports 0, also after the pointer left the button.
CMouseEventResult TKickButton::onMouseUp(CPoint&, const CButtonState&) {
    value = 0;
    valueChanged();
    endEdit();
    setDirty(true);
    return kMouseEventHandled;
}
