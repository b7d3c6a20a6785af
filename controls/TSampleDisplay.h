// The waveform view of the sample page: the user sample's name (or the text
// of a failed load), its waveform as min/max columns, zoomable down to one
// frame per pixel and scrollable, the loop region shaded in the loop modes,
// the loop markers and the faint part before the start point. A click picks
// the nearer loop marker and drags it (Shift drags the start point instead);
// Alt previews the sample while the button is held; the wheel scrolls, with
// Ctrl it zooms; files dropped on it are imported. It holds no sample data:
// every frame and point comes from the plug-in at each draw and click.
#pragma once

#include "toolkit/CControl.h"
#include "toolkit/DragAndDrop.h"

class TSampleDisplay : public kgui::CControl, public kgui::DropTargetAdapter {
public:
    // size: the screen size index.
    TSampleDisplay(const kgui::CRect& rect, int size);

    // Multiplies the part of the sample shown by factor (0.75 zooms in,
    // 1.3333334 out), keeping the first frame shown in place; a negative
    // factor shows the whole sample.
    void setZoom(float factor);
    // Whether one more step in (true) or out (false) would change anything.
    bool getCanZoom(bool in);
    void setScrollPos(int pos);

    float getZoom() const { return zoom; }
    int getScrollPos() const { return scrollPos; }
    int getMaxScrollPos() const { return maxScrollPos; }
    int getDragMarker() const { return dragMarker; }
    bool isMarkerDragActive() const { return markerDragActive; }
    int getWaveHeight() const { return waveHeight; }
    // The view's horizontal offset of frame f for the view window now, or
    // -1 while there is no sample to place it on.
    int markerOffset(double frame);

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

    kgui::IDropTarget* getDropTarget() override { return this; }
    kgui::DragOperation onDragEnter(kgui::DragEventData data) override;
    kgui::DragOperation onDragMove(kgui::DragEventData data) override;
    void onDragLeave(kgui::DragEventData data) override;
    bool onDrop(kgui::DragEventData data) override;

    static constexpr int USER_SAMPLE_SLOT = 194;
    static constexpr float ZOOM_IN = 0.75f;
    static constexpr float ZOOM_OUT = 1.3333334f;

private:
    // The frames the view shows for a sample of length frames, zoom and scroll now.
    void computeViewWindow(double length);
    double markerX(double frame) const;
    double sampleLength();

    bool previewActive = false;
    bool scrollDragActive = false;
    bool markerDragActive = false;
    int sizeIndex;
    int viewWidth;
    int waveHeight;
    int scrollPos = 0;
    int scrollWidth;
    int maxScrollPos;
    int dragMarker = 0;
    float zoom = 1.0f;
    float waveHeightF;
    float samplesPerPixel = 0;
    float viewStart = 0;
    float viewEnd = 0;
    float viewWidthF;
    float trackWidthF;
};
