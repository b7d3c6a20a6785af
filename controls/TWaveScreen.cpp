#include "controls/TWaveScreen.h"

#include <algorithm>
#include <array>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
// Factors below this are a request to reset, not a zoom.
constexpr float RESET_FACTOR = 0.01f;
}  // namespace

TWaveScreen::TWaveScreen(const CRect& rect, IControlListener* listener, bool on)
    : CControl(rect, listener, NO_PARAM_TAG),
      on(on),
      width(static_cast<float>(rect.getWidth())),
      height(static_cast<float>(rect.getHeight())) {}

void TWaveScreen::setOn(bool state) {
    if (state == on)
        return;
    on = state;
    setDirty(true);
}

void TWaveScreen::update(int key) {
    if (key == updateKey)
        return;
    updateKey = key;
    setDirty(true);
}

void TWaveScreen::setZoom(float factor) {
    zoom = factor >= RESET_FACTOR ? std::clamp(zoom * factor, MIN_ZOOM, MAX_ZOOM) : 1.0f;
    setDirty(true);
}

int TWaveScreen::getZoom() const { return static_cast<int>(100.0f / zoom); }

void TWaveScreen::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services || !host->getEditorFinishedOpening() || !on) {
        setDirty(false);
        return;
    }
    const int w = static_cast<int>(size.getWidth());
    // The plug-in writes as many points as asked: never more than the buffer holds.
    const int points = std::min(w, TRACE_BUFFER_SIZE);
    std::array<float, TRACE_BUFFER_SIZE> trace{};
    services->getWaveDisplay(points, zoom, trace.data());

    context->setFrameColor(look::WAVE_DISPLAY_COLOR);
    context->setLineWidth(1);
    // A scope as wide as its points draws point i at pixel i; a wider one spreads them.
    const double spread = points > 1 ? static_cast<double>(w - 1) / (points - 1) : 1.0;
    auto at = [&](int i) {
        const float b = look::clampedUnit(trace[static_cast<size_t>(i)], 0.5f);
        return CPoint(size.left + look::pixelOf(i * spread), size.top + static_cast<int32>((1 - b) * height));
    };
    if (points - 1 > 0) {
        CPoint previous = at(0);
        // Every second point: the trace stays readable and costs half.
        for (int i = 2; i < points - 1; i += 2) {
            const CPoint next = at(i);
            context->drawLine(previous, next);
            previous = next;
        }
    }
    setDirty(false);
}

CMouseEventResult TWaveScreen::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!getMouseEnabled())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons.isDoubleClick() || look::hasDefaultValueKey(buttons)) {
        zoom = 1.0f;
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (TControlHost* host = controlHostOf(this))
        host->showOutputMenu();
    return kMouseEventHandled;
}

CMouseEventResult TWaveScreen::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventHandled; }

bool TWaveScreen::onWheel(const CPoint&, const float& distance, const CButtonState&) {
    zoom = std::clamp(zoom * (distance > 0 ? 0.5f : 2.0f), MIN_ZOOM, MAX_ZOOM);
    setDirty(true);
    return true;
}
