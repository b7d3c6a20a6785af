#include "controls/TSampleDisplay.h"

#include <algorithm>
#include <cmath>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

using namespace kgui;

namespace {
// Readings per pixel column: the cost of a draw follows the view's width,
// never the sample's length.
constexpr int READINGS_PER_COLUMN = 5;
// The title sits this far below the view's top, in a box 4 pixels taller than its font.
constexpr double TITLE_TOP = 2;
constexpr double TITLE_PADDING = 4;
// What the plug-in answers for the failure text after a good load.
constexpr const char* LOAD_SUCCEEDED = "!";
// getCanZoom: within this of the one-frame-per-pixel limit, zooming in is done;
// above this zoom, zooming out is.
constexpr float ZOOM_IN_MARGIN = 0.001f;
constexpr float WHOLE_SAMPLE_ZOOM = 0.999f;

TSampleServices* servicesOf(const CView* view) { return sampleServicesOf(controlHostOf(view)); }

struct TColumnPeaks {
    float max = 0;
    float min = 0;
    void take(float reading) {
        max = std::max(max, reading);
        min = std::min(min, reading);
    }
};
}  // namespace

TSampleDisplay::TSampleDisplay(const CRect& rect, int size)
    : CControl(rect, nullptr, NO_PARAM_TAG), sizeIndex(look::clampScreenSize(size)) {
    viewWidth = std::max(1, static_cast<int>(rect.getWidth()));
    scrollWidth = look::SAMPLE_SCROLL_WIDTH[static_cast<size_t>(sizeIndex)];
    waveHeight = std::max(0, static_cast<int>(rect.getHeight() - scrollWidth - 1));
    maxScrollPos = std::max(0, viewWidth - scrollWidth);
    waveHeightF = static_cast<float>(waveHeight);
    viewWidthF = static_cast<float>(viewWidth);
    // The thumb's travel divides positions: at least a pixel.
    trackWidthF = static_cast<float>(std::max(1, maxScrollPos));
}

double TSampleDisplay::sampleLength() {
    TSampleServices* services = servicesOf(this);
    const double length = services ? services->getSampleLength(USER_SAMPLE_SLOT) : 0;
    return std::isfinite(length) && length > 0 ? length : 0;
}

void TSampleDisplay::computeViewWindow(double length) {
    const double visible = zoom * length;
    samplesPerPixel = static_cast<float>(visible / viewWidthF);
    viewStart = static_cast<float>((1.0 - zoom) * length * (scrollPos / trackWidthF));
    viewEnd = static_cast<float>(viewStart + visible);
}

double TSampleDisplay::markerX(double frame) const { return (frame - viewStart) / samplesPerPixel; }

int TSampleDisplay::markerOffset(double frame) {
    const double length = sampleLength();
    if (length < 1)
        return -1;
    computeViewWindow(length);
    return look::pixelOf(markerX(frame));
}

void TSampleDisplay::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services || !host->getEditorFinishedOpening())
        return;
    TSampleServices& samples = services->getSampleServices();
    const double left = size.left, top = size.top;
    const double length = sampleLength();

    // 1. The name, or what went wrong with the last load.
    context->setFontColor(look::SAMPLE_TEXT_COLOR);
    context->setFont(kNormalFontVeryBig, 0, kBoldFace);
    const double titleBottom = top + TITLE_TOP + static_cast<int32>(kNormalFontVeryBig->getSize()) + TITLE_PADDING;
    const CRect titleBox(left, top + TITLE_TOP, left + viewWidth, titleBottom);
    const std::string failure = samples.getBadSampleStr();
    if (failure != LOAD_SUCCEEDED) {
        context->setFont(kNormalFont, 0, kBoldFace);
        look::drawFittedString(context, failure, titleBox, kCenterText);
    } else {
        look::drawFittedString(context, samples.getLoadedSampleDisplayNameStr(), titleBox, kCenterText);
    }

    // 2. The frames shown, kept inside the sample.
    computeViewWindow(length);
    const double visible = zoom * length;
    if (viewEnd > length) {
        viewEnd = static_cast<float>(length);
        viewStart = static_cast<float>(std::max(0.0, length - visible));
    }

    // 3 to 5. Loop shading and markers; a sample too short to have a length has neither.
    context->setDrawMode(kAliasing);
    context->setLineWidth(1);
    const double waveBottom = top + waveHeight;
    if (length >= 1) {
        const double loopStart = samples.getSampleLoopStart(USER_SAMPLE_SLOT);
        const double loopEnd = samples.getSampleLoopEnd(USER_SAMPLE_SLOT);
        const int loopStartX = look::pixelOf(markerX(loopStart));
        const int loopEndX = look::pixelOf(markerX(loopEnd));
        const int loopMode = services->getSteppedValue(tag::SAMPLE_LOOP_MODE);
        if (loopMode == 1 || loopMode == 2) {
            // Shading and lines stay inside the view however far the points lie outside it.
            const int from = std::clamp(loopStartX, 0, viewWidth);
            const int to = std::clamp(loopEndX, 0, viewWidth);
            context->setFillColor(look::SAMPLE_TRANS_COLOR);
            context->setFrameColor(look::SAMPLE_TRANS_COLOR);
            if (to > from)
                context->fillRect(CRect(left + from, top, left + to, waveBottom));
        }
        context->setFrameColor(look::SAMPLE_TEXT_LIGHT_COLOR);
        for (int x : {loopStartX, loopEndX})
            if (x >= 0 && x < viewWidth)
                context->drawLine(CPoint(left + x, top), CPoint(left + x, waveBottom));
    }
    context->setFrameColor(look::SAMPLE_TEXT_LIGHT_COLOR);
    auto centreLine = [&](int y) { context->drawLine(CPoint(left, top + y), CPoint(left + viewWidth, top + y)); };
    centreLine(waveHeight / 2);
    float leftReading = 0, rightReading = 0;
    const bool stereo = samples.getSampleDisplayValue(0, leftReading, rightReading);
    if (stereo) {
        centreLine(waveHeight / 4);
        centreLine(3 * waveHeight / 4);
    }

    // 7 and 8. Min/max columns from five readings each, at the sample's volume.
    const float gain = look::finiteOr(samples.getSampleVol(), 1);
    const double sampleStart = length >= 1 ? samples.getSampleStart(USER_SAMPLE_SLOT) : 0;
    const double step = static_cast<double>(samplesPerPixel) / READINGS_PER_COLUMN;
    // A loud sample at a high volume swings past the band: its columns end at the view's edges.
    auto waveY = [&](double y) { return std::clamp(y, top, waveBottom); };
    double p = viewStart;
    for (int x = 0; x < viewWidth; ++x) {
        const double position = viewStart + (static_cast<double>(viewEnd) - viewStart) * x / viewWidth;
        context->setFrameColor(position < sampleStart ? look::SAMPLE_TRANS_COLOR : look::SAMPLE_COLOR);
        TColumnPeaks leftPeaks, rightPeaks;
        for (int k = 0; k < READINGS_PER_COLUMN; ++k) {
            float l = 0, r = 0;
            samples.getSampleDisplayValue(static_cast<float>(p + k * step), l, r);
            leftPeaks.take(look::finiteOr(l, 0) * gain);
            rightPeaks.take(look::finiteOr(r, 0) * gain);
        }
        p += READINGS_PER_COLUMN * step;

        const double columnX = left + x;
        auto column = [&](double bandTop, float halfHeight, const TColumnPeaks& peaks) {
            const double yc = bandTop + static_cast<int32>(halfHeight);
            const double yMax = bandTop + look::pixelOf((1.0 - peaks.max) * halfHeight);
            const double yMin = bandTop + look::pixelOf((1.0 - peaks.min) * halfHeight);
            context->drawLine(CPoint(columnX, waveY(yc)), CPoint(columnX, waveY(yMax)));
            context->drawLine(CPoint(columnX, waveY(yc)), CPoint(columnX, waveY(yMin)));
        };
        if (stereo) {
            column(top, waveHeightF * 0.25f, leftPeaks);
            column(top + waveHeight / 2, waveHeightF * 0.25f, rightPeaks);
        } else {
            column(top, waveHeightF * 0.5f, leftPeaks);
        }
    }

    // 9. The scroll thumb, on the view's bottom edge.
    context->setFillColor(look::SCROLL_BAR_COLOR);
    context->setFrameColor(look::SCROLL_BAR_COLOR);
    context->fillRect(CRect(left + scrollPos, size.bottom - scrollWidth, left + scrollPos + scrollWidth, size.bottom));
    setDirty(false);
}

CMouseEventResult TSampleDisplay::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TSampleServices* services = sampleServicesOf(host);
    if (!services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    previewActive = scrollDragActive = markerDragActive = false;
    if (buttons.isRightButton()) {
        host->showSampleCommandMenu();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    const double x = where.x - size.left;
    const double y = where.y - size.top;
    if (y > waveHeight && buttons.isLeftButton()) {
        if (buttons == (kLButton | kShift)) {
            scrollPos = x < maxScrollPos / 2 ? 0 : maxScrollPos;
            setDirty(true);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        scrollDragActive = true;
        return onMouseMoved(where, buttons);
    }
    if (buttons.isDoubleClick()) {
        scrollPos = 0;
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (look::wantsOriginalValue(buttons)) {
        setZoom(-1);
        services->setDefaultSamplePositions();
        services->updateLoadedSamples();
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (look::hasDefaultValueKey(buttons)) {
        scrollPos = 0;
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (look::wantsTypedValue(buttons)) {
        previewActive = true;
        services->previewSample();
        return kMouseEventHandled;
    }

    // A plain click picks the nearer loop marker (the start on a tie) and
    // moves it to the pointer at once. Without a sample length there is no
    // marker to pick, and a drag would store a division by zero.
    const double length = sampleLength();
    if (length < 1)
        return kMouseEventHandled;
    computeViewWindow(length);
    const int pointer = look::pixelOf(x);
    const int toStart = std::abs(look::pixelOf(markerX(services->getSampleLoopStart(USER_SAMPLE_SLOT))) - pointer);
    const int toEnd = std::abs(look::pixelOf(markerX(services->getSampleLoopEnd(USER_SAMPLE_SLOT))) - pointer);
    dragMarker = toStart <= toEnd ? 0 : 1;
    markerDragActive = true;
    return onMouseMoved(where, buttons);
}

CMouseEventResult TSampleDisplay::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TSampleServices* services = sampleServicesOf(host);
    if (!services || previewActive || !buttons.isLeftButton())
        return kMouseEventHandled;
    const double x = where.x - size.left;
    if (scrollDragActive && x != scrollPos) {
        scrollPos = std::clamp(look::pixelOf(x), 0, maxScrollPos);
        setDirty(true);
    }
    const double length = sampleLength();
    if (markerDragActive && length >= 1) {
        computeViewWindow(length);
        const auto fraction = static_cast<float>((x * samplesPerPixel + viewStart) / length);
        if (look::wantsFine(buttons))
            services->setSampleStart(fraction);
        else if (dragMarker == 0)
            services->setSampleLoopStart(fraction);
        else
            services->setSampleLoopEnd(fraction);
        host->setSampleScreenDirty();
        setDirty(true);
    }
    return kMouseEventHandled;
}

CMouseEventResult TSampleDisplay::onMouseUp(CPoint&, const CButtonState&) {
    TSampleServices* services = servicesOf(this);
    if (services && previewActive)
        services->releasePreviewSample();
    previewActive = scrollDragActive = markerDragActive = false;
    setDirty(true);
    return kMouseEventHandled;
}

bool TSampleDisplay::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (controlHostOf(this)) {
        if (look::hasDefaultValueKey(buttons))
            setZoom(distance > 0 ? ZOOM_IN : ZOOM_OUT);
        else
            scrollPos = std::clamp(scrollPos + (distance > 0 ? 1 : (distance < 0 ? -1 : 0)), 0, maxScrollPos);
    }
    setDirty(true);
    return true;
}

void TSampleDisplay::setZoom(float factor) {
    if (!servicesOf(this) || std::isnan(factor))
        return;
    if (factor < 0) {
        zoom = 1;
        scrollPos = 0;
        setDirty(true);
        return;
    }
    const double length = sampleLength();
    if (length <= 1)
        return;
    const double start = (1.0 - zoom) * length * scrollPos / trackWidthF;
    // Never closer than one frame per pixel, and never more than the whole
    // sample, even for one shorter than the view is wide.
    double next = std::min(1.0, static_cast<double>(zoom) * factor);
    next = std::min(1.0, std::max(next, viewWidthF / length));
    zoom = static_cast<float>(next);
    if (zoom >= 1.0f)
        scrollPos = 0;
    else
        scrollPos = std::clamp(look::pixelOf(trackWidthF * start / ((1.0 - zoom) * length)), 0, maxScrollPos);
    setDirty(true);
}

bool TSampleDisplay::getCanZoom(bool in) {
    if (!servicesOf(this))
        return false;
    const double length = sampleLength();
    if (length < 1)
        return false;
    if (in)
        return !(viewWidthF / length + ZOOM_IN_MARGIN > zoom);
    return !(zoom > WHOLE_SAMPLE_ZOOM);
}

void TSampleDisplay::setScrollPos(int pos) {
    scrollPos = std::clamp(pos, 0, maxScrollPos);
    setDirty(true);
}

// Drops copy the files; the drag is answered as a copy throughout, so that
// no file manager takes it as a move and deletes the user's originals.
DragOperation TSampleDisplay::onDragEnter(DragEventData) {
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorCopy);
    return DragOperation::Copy;
}

DragOperation TSampleDisplay::onDragMove(DragEventData) { return DragOperation::Copy; }

void TSampleDisplay::onDragLeave(DragEventData) {
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorNotAllowed);
}

bool TSampleDisplay::onDrop(DragEventData data) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services)
        return false;
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorDefault);
    const bool handed = look::importDroppedFiles(*services, data.drag);
    setDirty(true);
    return handed;
}
