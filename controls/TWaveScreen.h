// The output scope: the last stretch of the plug-in's mono output as a line,
// zoomed from 1/16 to 16 times its normal span (16,384 frames across). The
// idle pass sets how often it redraws; a click opens the output menu, a
// double- or Ctrl-click resets the zoom and the wheel zooms.
#pragma once

#include "toolkit/CControl.h"

class TWaveScreen : public kgui::CControl {
public:
    // on: draw the trace (the editor's output display setting).
    TWaveScreen(const kgui::CRect& rect, kgui::IControlListener* listener, bool on);

    void setOn(bool state);
    bool isOn() const { return on; }
    // Redraws when key differs from the last one (the idle pass passes its time / 100).
    void update(int key);
    // Multiplies the zoom by factor within 1/16..16; a factor below 0.01 resets it to 1.
    void setZoom(float factor);
    // The zoom as a percentage of the normal span, 6 .. 1600.
    int getZoom() const;
    float getZoomFactor() const { return zoom; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

    // The trace reads at most this many points; a wider scope spreads them.
    static constexpr int TRACE_BUFFER_SIZE = 1024;
    static constexpr float MIN_ZOOM = 0.0625f;
    static constexpr float MAX_ZOOM = 16.0f;

private:
    bool on;
    kgui::int32 updateKey = 0;
    float zoom = 1.0f;
    float width;
    float height;
};
