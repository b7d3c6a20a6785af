#include "controls/THSlider.h"

#include <algorithm>
#include <cmath>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

using namespace kgui;

namespace {
// A spring closer than this to the parameter is still on its way; taking
// over smaller steps would tell the host of every sample of the motion.
constexpr float SPRING_FOLLOW_STEP = 0.003f;
// The ghost handle moves only for modulation a listener would notice.
constexpr float MOD_DISPLAY_STEP = 0.01f;
// Shift drags move the value by this fraction of the pointer's travel.
constexpr float FINE_DRAG_DIVISOR = 20;

TEditorServices* servicesOf(const CView* view) {
    TControlHost* host = controlHostOf(view);
    return host ? host->getServices() : nullptr;
}
}  // namespace

const std::array<float, 13> THSlider::RIBBON_QUANT_DIVIDE{0, 31, 23, 19, 15, 11, 9, 7, 5, 4, 3, 2, 1};

THSlider::THSlider(const CRect& rect, IControlListener* listener, int32 tag, int size, bool centered)
    : CControl(rect, listener, tag), centered(centered) {
    const int half = look::SLIDER_WIDTH[static_cast<size_t>(look::clampScreenSize(size))] / 2;
    trackLeft = static_cast<int>(rect.left + half);
    // A strip narrower than its handle still has a track of one pixel, so
    // that positions never divide by zero.
    trackLength = std::max(1.0f, static_cast<float>(static_cast<int>(rect.right - half) - trackLeft));
}

void THSlider::setCentered(bool state) {
    if (state == centered)
        return;
    centered = state;
    if (TEditorServices* services = servicesOf(this)) {
        if (services->getRibbonSpringTime() != 0)
            services->setRibbonSpringOn();
        setDirty(true);
    }
}

void THSlider::setModValue(float newValue, int stamp) {
    if (!servicesOf(this) || stamp == modStamp)
        return;
    modStamp = stamp;
    const float shown = look::finiteOr(centered ? newValue / 2 + 0.5f : newValue, modDisplay);
    if (std::fabs(modDisplay - shown) < MOD_DISPLAY_STEP)
        return;
    modDisplay = shown;
    setDirty(true);
}

void THSlider::setCurValue() {
    TEditorServices* services = servicesOf(this);
    if (!services || services->getRibbonSpringTime() == 0 || dragging)
        return;
    const float v = look::clampedUnit(services->getParameter(tag), dragValue);
    if (std::fabs(v - dragValue) < SPRING_FOLLOW_STEP)
        return;
    // The ribbon shows the value already (a screen shown or a program applied
    // put it there): nothing moved that the host has not heard, and an edit
    // here would look to a host in touch mode like the user's hand.
    if (v == value) {
        dragValue = v;
        return;
    }
    beginEdit();
    dragValue = v;
    setValue(v);
    valueChanged();
    endEdit();
}

int THSlider::handleX(float m) const {
    TEditorServices* services = servicesOf(this);
    double position = look::finiteOr(m, 0);
    if (centered)
        position = 2 * position - 1;
    const int step = services ? services->getRibbonQuant() : 0;
    if (step > 0 && step < static_cast<int>(RIBBON_QUANT_DIVIDE.size())) {
        const double divide = RIBBON_QUANT_DIVIDE[static_cast<size_t>(step)];
        position = std::floor(position * divide + 0.5) / divide;
    }
    if (centered)
        position = position / 2 + 0.5;
    return look::pixelOf(position * trackLength) + trackLeft;
}

void THSlider::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening() || !host->getServices())
        return;
    CBitmap* centreMark = host->getControlBitmap(look::RIBBON_CENTRE_IMAGE);
    CBitmap* handle = host->getControlBitmap(look::RIBBON_HANDLE_IMAGE);
    CBitmap* modHandle = host->getControlBitmap(look::RIBBON_MOD_IMAGE);
    if (!centreMark || !handle || !modHandle)
        return;

    if (centered) {
        const int w1 = static_cast<int>(centreMark->getWidth());
        const int h1 = static_cast<int>(centreMark->getHeight());
        const int x0 = static_cast<int>(size.left + size.right - w1) / 2;
        centreMark->draw(context, CRect(x0, size.top, x0 + w1, size.top + h1));
    }
    const int w2 = static_cast<int>(handle->getWidth());
    const int h2 = static_cast<int>(handle->getHeight());
    const int y0 = static_cast<int>(size.top + size.bottom - h2) / 2;
    auto handleRect = [&](int x) { return CRect(x - w2 / 2, y0, x + w2 / 2, y0 + h2); };
    if (host->getDialAnimationOn())
        modHandle->draw(context, handleRect(handleX(modDisplay)));
    handle->draw(context, handleRect(handleX(value)));
    setDirty(false);
}

CMouseEventResult THSlider::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    if (!host)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    TEditorServices* services = host->getServices();
    if (!services)
        return kMouseEventHandled;
    if (look::wantsParameterMenu(buttons)) {
        host->showMIDIMenu(this, true);
        return kMouseEventHandled;
    }

    float preset = buttons.isDoubleClick() ? getDefaultValue() : -1.0f;
    if (look::hasDefaultValueKey(buttons))
        preset = look::wantsOriginalValue(buttons) ? services->getOrigValue(tag) : (centered ? 0.5f : 0.0f);
    if (preset > -0.5f || look::wantsTypedValue(buttons)) {
        beginEdit();
        if (preset > -0.5f) {
            // The user asked for this value: it goes out even when the
            // handle already shows it, since the spring may have moved the
            // parameter under it.
            setValue(preset);
            valueChanged();
            dragValue = value;
        } else if (takeTypedValue(*this, *services)) {
            dragValue = value;
        }
        // Either value has been reported: the spring's follower, which
        // reports what moved away from dragValue, must not report it again.
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    // A drag: the handle jumps to the pointer, and the spring lets go.
    dragging = true;
    endGesture();
    if (services->getRibbonSpringTime() != 0 && getFrame()) {
        // The spring writes the parameter between gestures; the host hears
        // this one as the frame's, not bound to the control's own nesting.
        getFrame()->beginEdit(tag);
        gesture = Gesture::frame;
    } else {
        beginEdit();
        gesture = Gesture::control;
    }
    services->setRibbbonSpringOff();
    const float v = std::clamp(static_cast<float>(where.x - trackLeft) / trackLength, 0.0f, 1.0f);
    dragValue = v;
    setValue(v);
    valueChanged();
    lastX = static_cast<float>(where.x);
    return onMouseMoved(where, buttons);
}

CMouseEventResult THSlider::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!dragging || !buttons.isLeftButton() || where.x == static_cast<int>(lastX))
        return kMouseEventHandled;
    float d = (static_cast<float>(where.x) - lastX) / trackLength;
    if (look::wantsFine(buttons))
        d /= FINE_DRAG_DIVISOR;
    const float v = std::clamp(dragValue + d, 0.0f, 1.0f);
    const float before = value;
    dragValue = v;
    setValue(v);
    lastX = static_cast<float>(where.x);
    if (value != before)
        valueChanged();
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult THSlider::onMouseUp(CPoint&, const CButtonState&) {
    // Only a drag lets go of the ribbon; the end of a press that opened the
    // parameter menu leaves the spring as it was.
    if (TEditorServices* services = servicesOf(this); services && dragging) {
        endGesture();
        services->setRibbonSpringOn();
    }
    dragging = false;
    setDirty(true);
    return kMouseEventHandled;
}

// Taken away mid-drag without the toolkit ending the drag (no capture held):
// the host still hears the gesture end, and the spring takes the ribbon back.
void THSlider::removed(CViewContainer* oldParent) {
    CPoint away(size.left - 1, size.top - 1);
    onMouseUp(away, kLButton);
    CControl::removed(oldParent);
}

void THSlider::endGesture() {
    if (gesture == Gesture::frame && getFrame())
        getFrame()->endEdit(tag);
    else if (gesture == Gesture::control)
        endEdit();
    gesture = Gesture::none;
}

bool THSlider::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (TEditorServices* services = servicesOf(this)) {
        const int step = distance > 0 ? 1 : (distance < 0 ? -1 : 0);
        services->changeDelta(tag, step, look::wantsFine(buttons), 1.0f);
    }
    return true;
}
