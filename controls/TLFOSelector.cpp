#include "controls/TLFOSelector.h"

#include <algorithm>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "controls/MovementWave.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
// Cells narrower than this have no room for a wave between their margins.
constexpr int SMALLEST_WAVE_CELL = 5;
// A wave leaves a tenth of the height above it and spans eight tenths.
constexpr float WAVE_TOP = 0.1f;
constexpr float WAVE_SPAN = 0.8f;
}  // namespace

TLFOSelector::TLFOSelector(const CRect& rect, IControlListener* listener)
    : CControl(rect, listener, NO_PARAM_TAG) {}

void TLFOSelector::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services || !host->getEditorFinishedOpening())
        return;
    const float w = static_cast<float>(size.getWidth());
    const float h = static_cast<float>(size.getHeight());
    const int selected = services->getSteppedValue(tag::MOVEMENT_WAVE);
    const int cell = static_cast<int>(w * 0.25f);
    const double waveTop = size.top + static_cast<int>(h * WAVE_TOP);

    context->setDrawMode(kAntiAliasing);
    context->setLineWidth(1);
    for (int i = 0; i < movement::WAVE_COUNT; ++i) {
        const double x0 = size.left + static_cast<int>(w * static_cast<float>(i) * 0.25f);
        if (i == selected) {
            context->setFillColor(look::LFO_SELECTED_BACK_COLOR);
            context->fillRect(CRect(x0, size.top, x0 + cell, size.bottom));
        }
        context->setFrameColor(i == selected ? look::SELECTED_LFO_COLOR : look::UN_SELECTED_LFO_COLOR);
        if (cell < SMALLEST_WAVE_CELL)
            continue;
        CPoint previous;
        for (int x = 2; x <= cell - 3; ++x) {
            const float m = look::clampedUnit(
                services->getMovementValue(i, static_cast<float>(x) / static_cast<float>(cell)), 0);
            const CPoint point(x0 + x, waveTop + static_cast<int>((1 - m) * WAVE_SPAN * h));
            if (x > 2)
                context->drawLine(previous, point);
            previous = point;
        }
    }
    context->setDrawMode(kAliasing);
    setDirty(false);
}

CMouseEventResult TLFOSelector::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!getMouseEnabled() || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;

    float preset = buttons.isDoubleClick() ? services->getDefaultValue(tag::MOVEMENT_WAVE) : -1.0f;
    if (look::hasDefaultValueKey(buttons))
        preset = look::wantsOriginalValue(buttons) ? services->getOrigValue(tag::MOVEMENT_WAVE)
                                                   : services->getDefaultValue(tag::MOVEMENT_WAVE);
    if (preset > -0.5f) {
        services->setParameter(tag::MOVEMENT_WAVE, preset);
    } else if (buttons == (kLButton | kAlt)) {
        services->setNumValue(tag::MOVEMENT_WAVE);
    } else {
        // Any other button picks the cell under the mouse, the right one included.
        const double fraction = (where.x - size.left) / size.getWidth();
        const int step = std::clamp(look::pixelOf(fraction * 3.99), 0, movement::WAVE_COUNT - 1);
        services->setSteppedValue(tag::MOVEMENT_WAVE, step);
    }
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool TLFOSelector::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    if (TEditorServices* services = host ? host->getServices() : nullptr) {
        // Turning the wheel up goes back to the previous wave, as in a menu.
        const int step = distance > 0 ? -1 : (distance < 0 ? 1 : 0);
        services->changeDelta(tag::MOVEMENT_WAVE, step, look::wantsFine(buttons), 1.0f);
        setDirty(true);
    }
    return true;
}
