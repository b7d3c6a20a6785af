#include "controls/TKnob.h"

#include <cmath>

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
// A modulation amount and the destination menu it is paired with.
struct TAmountPair {
    int32 amountTag;
    int32 destinationTag;
};
constexpr TAmountPair AMOUNT_DESTINATION_PAIRS[] = {
    {57, 59},    // Movement amount 1
    {58, 60},    // Movement amount 2
    {71, 73},    // Free LFO amount 1
    {72, 74},    // Free LFO amount 2
    {119, 115},  // modulation slots 1..4
    {120, 116},
    {121, 117},
    {122, 118},
};
// The destinations measured in semitones: "Source Semi" and "Sub Semi".
constexpr int SOURCE_SEMI_DESTINATION = 8;
constexpr int SUB_SEMI_DESTINATION = 24;
// An amount moves in semitone steps over a destination's range: 72 steps.
constexpr float SEMITONE_STEPS = 72;

int knobStyleOf(int style) {
    if (style == 4 || style == 5)
        return 2;
    if (style == 2 || style == 3)
        return 1;
    return 0;
}
}  // namespace

TKnob::TKnob(const CRect& size, IControlListener* listener, int32 tag, CPoint& offset, bool centerMark, int knobSize,
             int style)
    : CAnimKnob(size, listener, tag, 1, size.getHeight(), nullptr, offset),
      centerMark(centerMark),
      knobSize(knobSize),
      knobStyle(knobStyleOf(style)) {}

double TKnob::valueAngle(float value) { return (0.71 * value - 0.6) * 360.0; }

void TKnob::setBypassed(bool state) {
    if (state == bypassed)
        return;
    bypassed = state;
    setDirty(true);
}

void TKnob::setModValue(float value, int stamp) {
    TControlHost* host = controlHostOf(this);
    if (!host || stamp == modStamp)
        return;
    modStamp = stamp;
    float shown = host->getDialAnimationOn() ? value : getValue();
    if (std::fabs(modValue - shown) < 0.01f)
        return;
    modValue = shown;
    setDirty(true);
}

void TKnob::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening() || !host->getServices() || isDrawing)
        return;
    isDrawing = true;
    const int screen = look::clampScreenSize(host->getBig());
    const double r = knobSize / 2.0;
    const CPoint c = size.getCenter();
    auto disc = [&](double k) { return look::snapRounded(CRect(c.x - k, c.y - k, c.x + k, c.y + k)); };

    context->setDrawMode(kAntiAliasing);
    context->setFillColor(look::KNOB_OUTER_COLOR);
    context->setFrameColor(look::KNOB_OUTER_COLOR);
    context->drawEllipse(disc(0.9 * r), kDrawFilled);

    context->setLineWidth(knobSize >= 60 ? 3 : 2);
    if (centerMark) {
        context->setFrameColor(look::KNOB_MID_COLOR);
        context->setFillColor(look::KNOB_MID_COLOR);
        context->drawLine(CPoint(c.x, c.y), CPoint(c.x, size.top + static_cast<int32>(0.1 * size.getHeight())));
    }

    // The hub covers where the centre mark starts.
    context->setLineWidth(1);
    context->setFrameColor(look::KNOB_INNER_COLOR);
    context->setFillColor(look::KNOB_INNER_COLOR);
    context->drawEllipse(disc(0.3 * r), kDrawFilled);

    if (host->getDialAnimationOn() && !bypassed && std::fabs(modValue - value) > 0.01f) {
        const double from = valueAngle(modValue);
        const double to = valueAngle(value);
        context->setFrameColor(look::KNOB_INNER_COLOR);
        context->setLineWidth(2);
        context->drawArc(disc(look::KNOB_ARC_FACTOR[screen][knobStyle] * r), std::fmin(from, to), std::fmax(from, to),
                         kDrawStroked);
        context->setLineWidth(1);
    }

    const double t = (0.71 * value - 0.6) * 2 * 3.14159;
    const CPoint dot(c.x + 0.57 * r * std::cos(t), c.y + 0.57 * r * std::sin(t));
    const CColor dotColour = bypassed ? look::KNOB_DOT_BYPASSED_COLOR : look::KNOB_DOT_COLOR;
    context->setFillColor(dotColour);
    context->setFrameColor(dotColour);
    const double dotRadius = 0.22 * r;
    context->drawEllipse(
        look::snapRounded(CRect(dot.x - dotRadius, dot.y - dotRadius, dot.x + dotRadius, dot.y + dotRadius)),
        kDrawFilled);

    context->setDrawMode(kAliasing);
    isDrawing = false;
    setDirty(false);
}

bool TKnob::pairedWithSemitoneDestination() const {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services)
        return false;
    for (const TAmountPair& pair : AMOUNT_DESTINATION_PAIRS) {
        if (pair.amountTag != tag)
            continue;
        int destination = services->getSteppedValue(pair.destinationTag);
        return destination == SOURCE_SEMI_DESTINATION || destination == SUB_SEMI_DESTINATION;
    }
    return false;
}

CMouseEventResult TKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!getMouseEnabled() || tag == NO_PARAM_TAG || bypassed || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;

    if (look::wantsParameterMenu(buttons)) {
        host->showMIDIMenu(this, false);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    beginEdit();
    float preset = -1;
    if (buttons.isDoubleClick())
        preset = getDefaultValue();
    if (look::hasDefaultValueKey(buttons))
        preset = look::wantsOriginalValue(buttons) ? services->getOrigValue(tag) : getDefaultValue();

    if (preset > -0.5f) {
        value = preset;
    } else if (look::wantsTypedValue(buttons)) {
        takeTypedValue(*this, *services);
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    } else {
        quantizeDrag = pairedWithSemitoneDestination();
        if (host->getDropAllowed(tag) && host->getDragAndDropOn())
            host->setDropTag(tag);
        startPoint = where;
        lastPoint = CPoint(0, -1);
        startValue = value;
        valuePerPixel = getRange() / (look::wantsFine(buttons) ? look::KNOB_FINE_DRAG_PIXELS : look::KNOB_DRAG_PIXELS);
        return onMouseMoved(where, buttons);
    }

    if (isDirty())
        valueChanged();
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult TKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton) || where == lastPoint)
        return kMouseEventHandled;
    lastPoint = where;

    const float perPixel =
        getRange() / (look::wantsFine(buttons) ? look::KNOB_FINE_DRAG_PIXELS : look::KNOB_DRAG_PIXELS);
    const float dy = static_cast<float>(startPoint.y - where.y);
    // Rebasing the start keeps the value where it is when Shift changes the speed mid-drag.
    startValue += (valuePerPixel - perPixel) * dy;
    valuePerPixel = perPixel;
    value = perPixel * dy + startValue;

    // One semitone per step; the division must be in floating point. The
    // stepped value reaches the plug-in and the host with the report below,
    // once per move.
    if (quantizeDrag && !look::wantsFine(buttons))
        value = static_cast<float>(static_cast<int>(SEMITONE_STEPS * value + 0.1f)) / SEMITONE_STEPS;
    bounceValue();
    valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult TKnob::onMouseCancel() {
    TControlHost* host = controlHostOf(this);
    if (host && host->getDropAllowed(tag) && host->getDragAndDropOn())
        host->setDropTag(-1);
    return CAnimKnob::onMouseCancel();
}

CMouseEventResult TKnob::onMouseUp(CPoint&, const CButtonState&) {
    TControlHost* host = controlHostOf(this);
    if (host && host->getDropAllowed(tag) && host->getDragAndDropOn())
        host->releasedDropDial();
    endEdit();
    setDirty(true);
    return kMouseEventHandled;
}
