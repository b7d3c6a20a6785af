#include "toolkit/CControl.h"

#include <cmath>

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

namespace kgui {

// ---------------------------------------------------------------- CControl

CControl::CControl(const CRect& size, IControlListener* listener, int32 tag, CBitmap* bitmap)
    : CView(size), listener(listener), tag(tag) {
    setBackground(bitmap);
    dirty = false;
}

void CControl::setValue(float newValue) {
    // NaN would stick forever (every comparison fails); treat it as the minimum.
    if (std::isnan(newValue))
        newValue = minValue;
    if (newValue < minValue)
        newValue = minValue;
    else if (newValue > maxValue)
        newValue = maxValue;
    value = newValue;
}

void CControl::bounceValue() {
    if (std::isnan(value) || value < minValue)
        value = minValue;
    else if (value > maxValue)
        value = maxValue;
}

void CControl::valueChanged() {
    if (listener)
        listener->valueChanged(this);
}

void CControl::beginEdit() {
    if (editDepth++ == 0)
        if (CFrame* frame = getFrame())
            frame->beginEdit(tag);
}

void CControl::endEdit() {
    if (editDepth == 0)
        return;
    if (--editDepth == 0)
        if (CFrame* frame = getFrame())
            frame->endEdit(tag);
}

void CControl::setDirty(bool state) {
    CView::setDirty(state);
    if (!state)
        valueAtLastDraw = value;
}

bool CControl::isDirty() const { return dirty || value != valueAtLastDraw; }

void CControl::draw(CDrawContext* context) {
    if (background)
        background->draw(context, size);
    setDirty(false);
}

CMouseEventResult CControl::onMouseCancel() {
    // Every control's gesture is one of the left button; the point lies just
    // outside the control, where a release ends a press without acting.
    CPoint away(size.left - 1, size.top - 1);
    onMouseUp(away, kLButton);
    endOpenEdits();
    return kMouseEventHandled;
}

void CControl::endOpenEdits() {
    if (editDepth > 0) {
        editDepth = 1;
        endEdit();
    }
}

void CControl::removed(CViewContainer* oldParent) {
    // A control taken away mid-gesture still closes its gesture for the host.
    endOpenEdits();
    CView::removed(oldParent);
}

// --------------------------------------------------------------- CKnobBase

CKnobBase::CKnobBase(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background)
    : CControl(size, listener, tag, background) {}

bool CKnobBase::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (!getMouseEnabled())
        return false;
    float step = wheelInc * distance;
    if (buttons & kShift)
        step *= 0.1f;
    float before = value;
    value += step;
    bounceValue();
    if (value != before) {
        beginEdit();
        valueChanged();
        endEdit();
        invalid();
    }
    return true;
}

// --------------------------------------------------------------- CAnimKnob

CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                     double heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnobBase(size, listener, tag, background),
      subPixmaps(subPixmaps),
      heightOfOneImage(heightOfOneImage),
      offset(offset) {}

void CAnimKnob::draw(CDrawContext* context) {
    if (background && subPixmaps > 0) {
        float range = maxValue - minValue;
        float normalized = range > 0 ? (value - minValue) / range : 0;
        if (!(normalized >= 0))
            normalized = 0;
        int32 frame = static_cast<int32>(normalized * float(subPixmaps - 1) + 0.5f);
        if (frame > subPixmaps - 1)
            frame = subPixmaps - 1;
        background->draw(context, size, CPoint(offset.x, offset.y + heightOfOneImage * frame));
    }
    setDirty(false);
}

// ------------------------------------------------------------ COnOffButton

COnOffButton::COnOffButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                           int32 style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
    if (background) {
        double half = background->getHeight() / 2;
        background->draw(context, size, CPoint(0, value > 0.5f ? half : 0));
    }
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!getMouseEnabled() || !(buttons & kLButton))
        return kMouseEventNotHandled;
    value = value > 0.5f ? minValue : maxValue;
    beginEdit();
    valueChanged();
    endEdit();
    invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

// ------------------------------------------------------------- CKickButton

CKickButton::CKickButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                         const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset) {}

void CKickButton::draw(CDrawContext* context) {
    // Without an image the button is an invisible click area.
    if (background) {
        double half = background->getHeight() / 2;
        background->draw(context, size, CPoint(offset.x, offset.y + (value > 0.5f ? half : 0)));
    }
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!getMouseEnabled() || !(buttons & kLButton))
        return kMouseEventNotHandled;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton))
        return kMouseEventHandled;
    float newValue = size.pointInside(where) ? maxValue : minValue;
    if (newValue != value) {
        value = newValue;
        valueChanged();
    }
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&) {
    value = minValue;
    valueChanged();
    endEdit();
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

}  // namespace kgui
