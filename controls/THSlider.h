// The ribbon: a horizontal strip whose handle follows the pointer, unipolar
// (rest at 0) or centred (rest in the middle). The handle's drawn position
// snaps to the plug-in's ribbon quantisation while the value itself stays
// unsnapped; a second, ghost handle shows the modulated position. While the
// pointer holds the ribbon the plug-in's spring lets go of it; on release the
// spring takes it back, and the idle pass makes the slider follow the spring.
#pragma once

#include <array>

#include "toolkit/CControl.h"

class THSlider : public kgui::CControl {
public:
    // size: the screen size index; centered: bipolar mode.
    THSlider(const kgui::CRect& rect, kgui::IControlListener* listener, kgui::int32 tag, int size, bool centered);

    // Bipolar mode; a change also restarts the plug-in's spring toward the new rest.
    void setCentered(bool state);
    bool isCentered() const { return centered; }
    // value: the ribbon with its modulation, -1..1 when centred, else 0..1;
    // stamp: the editor's idle time / 100, so that one stamp updates once.
    void setModValue(float value, int stamp);
    float getModDisplay() const { return modDisplay; }
    // Follows the parameter while the spring pulls it back (idle, no drag).
    void setCurValue();
    bool isDragging() const { return dragging; }

    // The x of the handle for a value m (0..1): the quantised position on the track.
    int handleX(float m) const;
    int getTrackLeft() const { return trackLeft; }
    float getTrackLength() const { return trackLength; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;
    void removed(kgui::CViewContainer* oldParent) override;

    // Handle positions per step of "Ribbon Quantization" (0: none). The
    // engine quantises the ribbon source with the same dividers.
    static const std::array<float, 13> RIBBON_QUANT_DIVIDE;

private:
    // How the running drag's gesture was opened, so that it closes the same way.
    enum class Gesture { none, control, frame };
    void endGesture();

    bool centered;
    bool dragging = false;
    Gesture gesture = Gesture::none;
    int trackLeft;
    float trackLength;
    float lastX = 0;
    float dragValue = 0;
    float modDisplay = 0;
    int modStamp = 0;
};
