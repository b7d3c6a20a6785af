#include "controls/TLFOScreen.h"

#include <algorithm>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "controls/MovementWave.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

using namespace kgui;

namespace {
// The pan marker's centre line sits this far right of the shape, per screen size.
constexpr std::array<int32, look::SCREEN_SIZE_COUNT> PAN_MARKER_OFFSET{2, 3, 3, 4};
// Marker radii and the shape's height as fractions of the display's height.
constexpr float MARKER_RADIUS = 0.05f;
constexpr float PAN_RADIUS = 0.04f;
constexpr float SHAPE_HEIGHT = 0.9f;

CRect circle(double x, double y, double radius) { return CRect(x - radius, y - radius, x + radius, y + radius); }
}  // namespace

const std::array<int32, 10> TLFOScreen::SNAP_DIVIDE{-1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
const std::array<int32, 4> TLFOScreen::MOVE_SHAPE_UP_TAGS{tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN,
                                                          tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN};
const std::array<int32, 4> TLFOScreen::MOVE_SHAPE_DOWN_TAGS{tag::MOVEMENT_SHAPE_DOWN, tag::MOVEMENT_SHAPE_UP,
                                                            tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN};

TLFOScreen::TLFOScreen(const CRect& rect, IControlListener* listener, bool displayMove, bool displayMid,
                       bool displayPan)
    : CControl(rect, listener, NO_PARAM_TAG),
      displayMove(displayMove),
      displayMid(displayMid),
      displayPan(displayPan),
      editTag(tag::MOVEMENT_SHAPE_UP) {
    const float w = static_cast<float>(rect.getWidth());
    const float h = static_cast<float>(rect.getHeight());
    markerRadius = static_cast<int32>(h * MARKER_RADIUS);
    panRadius = static_cast<int32>(h * PAN_RADIUS);
    shapeTop = static_cast<int32>(rect.top) + markerRadius;
    // At least a pixel, so that a drag never divides by zero.
    shapeWidth = std::max(1.0f, (w - 2) - 2.0f * static_cast<float>(markerRadius));
    shapeHeight = h * SHAPE_HEIGHT;
    height = h;
}

void TLFOScreen::setSnap(int index) {
    index = std::clamp(index, 0, static_cast<int>(SNAP_DIVIDE.size()) - 1);
    if (index == snapIndex)
        return;
    snapIndex = index;
    snapDivide = SNAP_DIVIDE[static_cast<size_t>(index)];
    setDirty(true);
}

void TLFOScreen::setPos(float pos, float pan, int key) {
    if (key == posKey)
        return;
    posKey = key;
    // The phase comes from the audio thread: anything but a finite value in
    // 0..1 is held to the shape table's 129 entries or hides the marker.
    const int32 newMove = pos >= 0 ? static_cast<int32>(std::min(pos, 1.0f) * SHAPE_SEGMENTS) : -1;
    const int32 newPan =
        pan >= 0 ? static_cast<int32>(std::min(pan, 1.0f) * (height - 2.0f * static_cast<float>(panRadius))) : -1;
    if (newMove == movePos && newPan == panPos)
        return;
    movePos = newMove;
    panPos = newPan;
    setDirty(true);
}

int TLFOScreen::shapeX(int k) const {
    return static_cast<int>(size.left) + static_cast<int>(static_cast<float>(k) * shapeWidth / SHAPE_SEGMENTS);
}

void TLFOScreen::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services || !host->getEditorFinishedOpening() || drawing)
        return;
    drawing = true;
    const int screen = look::clampScreenSize(host->getBig());
    context->setLineWidth(1);
    context->setFrameColor(look::LFO_SNAP_COLOR);
    context->setDrawMode(kAliasing);

    if (snapIndex != 0 && snapDivide > 0) {
        for (int32 i = 0; i <= snapDivide; ++i) {
            const double x = size.left + static_cast<int32>(static_cast<float>(i) * shapeWidth) / snapDivide;
            context->drawLine(CPoint(x, size.top), CPoint(x, size.bottom));
        }
    }

    // The shape once per draw: every later step reads these 129 points.
    const int wave = std::clamp(services->getSteppedValue(tag::MOVEMENT_WAVE), 0, movement::WAVE_COUNT - 1);
    std::array<double, SHAPE_SEGMENTS + 1> y{};
    for (int j = 0; j <= SHAPE_SEGMENTS; ++j) {
        const float m =
            look::clampedUnit(services->getMovementValue(wave, static_cast<float>(j) / SHAPE_SEGMENTS), 0);
        y[static_cast<size_t>(j)] = shapeTop + static_cast<int32>((1 - m) * shapeHeight);
    }
    auto at = [&](int k) { return CPoint(shapeX(k), y[static_cast<size_t>(k)]); };

    context->setFillColor(look::LFO_SELECTED_BACK_COLOR);
    for (int k = 0; k < SHAPE_SEGMENTS; ++k) {
        const CPoint quad[4] = {CPoint(shapeX(k), size.bottom), at(k), at(k + 1), CPoint(shapeX(k + 1), size.bottom)};
        context->fillPolygon(quad, 4);
    }
    context->setFrameColor(look::SELECTED_LFO_COLOR);
    for (int k = 0; k < SHAPE_SEGMENTS; ++k)
        context->drawLine(at(k), at(k + 1));

    if (displayMid) {
        const float symmetry = look::clampedUnit(services->getParameter(tag::MOVEMENT_SYMMETRY), 0.5f);
        // Index 0 would put the marker on the cycle's start; the point lies just after it.
        const int s = std::clamp(static_cast<int>(movement::symmetryPoint(symmetry) * SHAPE_SEGMENTS), 1,
                                 SHAPE_SEGMENTS);
        context->setFrameColor(look::LFO_MID_COLOR);
        context->setFillColor(look::LFO_MID_COLOR);
        context->drawEllipse(circle(shapeX(s), y[static_cast<size_t>(s)], markerRadius), kDrawFilledAndStroked);
    }

    context->setDrawMode(kAntiAliasing);
    if (displayMove && movePos >= 0) {
        const int k = std::min(movePos, SHAPE_SEGMENTS);
        context->setFrameColor(look::LFO_POS_COLOR);
        context->setFillColor(look::LFO_POS_COLOR);
        context->drawEllipse(circle(shapeX(k), y[static_cast<size_t>(k)], markerRadius), kDrawFilledAndStroked);
    }

    context->setFillColor(look::LFO_SELECTED_BACK_COLOR);
    context->fillRect(CRect(size.left + static_cast<int32>(shapeWidth + 1), size.top, size.right - 1, size.bottom));
    if (displayPan) {
        const double xc = size.left + static_cast<int32>(shapeWidth) + panRadius +
                          PAN_MARKER_OFFSET[static_cast<size_t>(screen)];
        if (panPos >= 0) {
            context->setFrameColor(look::LFO_PAN_COLOR);
            context->setFillColor(look::LFO_PAN_COLOR);
            context->drawEllipse(circle(xc, size.top + panPos + panRadius, panRadius), kDrawFilledAndStroked);
        }
        context->setFont(look::LABEL_FONT_SIZES[static_cast<size_t>(screen)]);
        context->setFontColor(look::LFO_POS_COLOR);
        const double r = markerRadius;
        context->drawString("L", CRect(xc - r, size.top, xc + r, size.top + 2 * r), kCenterText, true);
        context->drawString("R", CRect(xc - r, size.bottom - 2 * r, xc + r, size.bottom), kCenterText, true);
    }

    context->setDrawMode(kAliasing);
    drawing = false;
    setDirty(false);
}

CMouseEventResult TLFOScreen::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (look::wantsParameterMenu(buttons)) {
        host->showMovementMenu();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    host->setMoveUndo();

    constexpr int32 SHAPE_TAGS[3] = {tag::MOVEMENT_SYMMETRY, tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN};
    if (buttons.isDoubleClick() || look::hasDefaultValueKey(buttons)) {
        const bool original = look::wantsOriginalValue(buttons);
        for (int32 shapeTag : SHAPE_TAGS) {
            const float v = original ? services->getOrigValue(shapeTag) : services->getDefaultValue(shapeTag);
            if (CFrame* frame = getFrame())
                frame->beginEdit(shapeTag);
            services->setParameterAutomated(shapeTag, v);
            if (CFrame* frame = getFrame())
                frame->endEdit(shapeTag);
        }
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (buttons == (kLButton | kAlt)) {
        services->setNumValue(tag::MOVEMENT_SYMMETRY);
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    // The side of the symmetry point that was clicked picks the shape a Shift drag bends.
    const int wave = std::clamp(services->getSteppedValue(tag::MOVEMENT_WAVE), 0, movement::WAVE_COUNT - 1);
    const float symmetry = look::clampedUnit(services->getParameter(tag::MOVEMENT_SYMMETRY), 0.5f);
    editTag = MOVE_SHAPE_UP_TAGS[static_cast<size_t>(wave)];
    if (where.x - size.left > static_cast<int32>(movement::symmetryPoint(symmetry) * shapeWidth))
        editTag = MOVE_SHAPE_DOWN_TAGS[static_cast<size_t>(wave)];
    openGestures();
    return onMouseMoved(where, buttons);
}

CMouseEventResult TLFOScreen::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!buttons.isLeftButton() || !services)
        return kMouseEventHandled;
    if (buttons == (kLButton | kShift)) {
        services->setParameterAutomated(editTag, 1.0f - static_cast<float>(where.y - size.top) / height);
    } else {
        float t = static_cast<float>(where.x - size.left) / shapeWidth;
        if (snapIndex != 0 && snapDivide > 0) {
            // The division is in floating point: the grid has snapDivide + 1 points.
            const float divide = static_cast<float>(snapDivide);
            t = std::clamp(static_cast<float>(static_cast<int>(t * divide + 0.5f)) / divide, 0.0f, 1.0f);
        }
        services->setParameterAutomated(tag::MOVEMENT_SYMMETRY, t);
    }
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult TLFOScreen::onMouseUp(CPoint&, const CButtonState&) {
    closeGestures();
    if (TControlHost* host = controlHostOf(this))
        host->setMainScreenDirty();
    return kMouseEventHandled;
}

bool TLFOScreen::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    if (TEditorServices* services = host ? host->getServices() : nullptr) {
        const int step = distance > 0 ? -1 : (distance < 0 ? 1 : 0);
        services->changeDelta(tag::MOVEMENT_WAVE, step, look::wantsFine(buttons), 1.0f);
        setDirty(true);
    }
    return true;
}

// A drag edits the symmetry, or with Shift the shape picked at the press;
// the host hears one gesture on each from the press to the release.
void TLFOScreen::openGestures() {
    closeGestures();
    if (CFrame* frame = getFrame()) {
        frame->beginEdit(tag::MOVEMENT_SYMMETRY);
        frame->beginEdit(editTag);
        gesturesOpen = true;
        gestureTag = editTag;
    }
}

void TLFOScreen::closeGestures() {
    if (!gesturesOpen)
        return;
    gesturesOpen = false;
    if (CFrame* frame = getFrame()) {
        frame->endEdit(gestureTag);
        frame->endEdit(tag::MOVEMENT_SYMMETRY);
    }
}

void TLFOScreen::removed(CViewContainer* oldParent) {
    closeGestures();
    CControl::removed(oldParent);
}
