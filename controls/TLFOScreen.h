// The Movement display: the chosen Movement wave as "Movement Symmetry",
// "Movement Shape Up" and "Movement Shape Down" bend it now, filled beneath,
// over an optional snap grid, with a marker on the symmetry point, a marker
// running with the newest voice's Movement phase and a strip beside it that
// shows that voice's pan. A click or drag sets the symmetry (snapped to the
// grid); Shift drags bend the shape on the side of the symmetry point that
// was clicked. Every value is read from and written to the plug-in.
#pragma once

#include <array>

#include "toolkit/CControl.h"

class TLFOScreen : public kgui::CControl {
public:
    TLFOScreen(const kgui::CRect& rect, kgui::IControlListener* listener, bool displayMove, bool displayMid,
               bool displayPan);

    // The step of "Move Snap To" (0 = off .. 9).
    void setSnap(int index);
    // pos: the newest voice's Movement phase 0..1, or negative while no note
    // sounds; pan: its pan 0..1 (left at the top), negative for none; key:
    // the editor's idle time / 300, so that the markers move at most that often.
    void setPos(float pos, float pan, int key);
    // The three display switches; the caller redraws.
    void setDisplayMove(bool state) { displayMove = state; }
    void setDisplayMid(bool state) { displayMid = state; }
    void setDisplayPan(bool state) { displayPan = state; }

    int getMovePos() const { return movePos; }
    int getPanPos() const { return panPos; }
    int getSnapDivide() const { return snapDivide; }
    int getEditTag() const { return editTag; }
    float getShapeWidth() const { return shapeWidth; }
    // The x of shape table index k (0..128).
    int shapeX(int k) const;

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;
    void removed(kgui::CViewContainer* oldParent) override;

    // Grid divisions per step of "Move Snap To" (-1: off).
    static const std::array<kgui::int32, 10> SNAP_DIVIDE;
    // Per Movement wave, the shape parameter that bends the part before the
    // symmetry point and the one that bends the part after it.
    static const std::array<kgui::int32, 4> MOVE_SHAPE_UP_TAGS;
    static const std::array<kgui::int32, 4> MOVE_SHAPE_DOWN_TAGS;
    // The shape is drawn from this many segments: 129 points.
    static constexpr int SHAPE_SEGMENTS = 128;

private:
    void openGestures();
    void closeGestures();

    bool drawing = false;
    bool displayMove;
    bool displayMid;
    bool displayPan;
    bool gesturesOpen = false;
    kgui::int32 editTag;
    kgui::int32 gestureTag = 0;  // the shape tag whose gesture is open
    kgui::int32 snapDivide = -1;
    kgui::int32 snapIndex = 0;
    kgui::int32 posKey = 0;
    kgui::int32 panPos = 0;
    kgui::int32 movePos = 0;
    kgui::int32 shapeTop;
    kgui::int32 markerRadius;
    kgui::int32 panRadius;
    float shapeWidth;
    float shapeHeight;
    float height;
};
