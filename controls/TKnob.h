// The parameter knob: a vector-drawn dial with a pointer dot, an optional
// centre mark for bipolar parameters and an arc showing how far modulation
// moves the value. Vertical drags change it (Shift for fine), modifier clicks
// set the default, the loaded program's value or a typed value, the right
// button or Super opens the parameter menu, and a drag may start a
// drag-and-drop modulation assignment. The wheel is the toolkit's own.
#pragma once

#include "toolkit/CControl.h"

class TKnob : public kgui::CAnimKnob {
public:
    // knobSize: the dial's diameter in pixels, already scaled; style: the
    // editor's knob style, 0..5 (4 and 5 the small knobs, 2 and 3 the middle ones).
    TKnob(const kgui::CRect& size, kgui::IControlListener* listener, kgui::int32 tag, kgui::CPoint& offset,
          bool centerMark, int knobSize, int style);

    // value: the parameter with its modulation now, 0..1; stamp: a time stamp
    // (the editor's idle ticks / 200), so that one stamp updates the arc once.
    void setModValue(float value, int stamp);
    void setBypassed(bool state);
    void setOn(bool on) { setBypassed(!on); }
    bool isBypassed() const { return bypassed; }
    float getModValue() const { return modValue; }
    int getKnobStyle() const { return knobStyle; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    // A drag cut short (a grab, another press) ends as a release away from
    // every control, and drops the knob nowhere.
    kgui::CMouseEventResult onMouseCancel() override;

    // The dial angle of a value, in degrees clockwise from three o'clock:
    // 0 at -216 (lower left), 1 at 39.6 (lower right), through the top.
    static double valueAngle(float value);

private:
    // Whether a drag of this knob moves in semitone steps: its parameter is
    // a modulation amount whose destination is a semitone destination.
    bool pairedWithSemitoneDestination() const;

    bool bypassed = false;
    bool centerMark;
    bool isDrawing = false;
    bool quantizeDrag = false;
    int modStamp = 0;
    int knobSize;
    int knobStyle;
    float modValue = 0;
    float startValue = 0;
    float valuePerPixel = 0;
    kgui::CPoint startPoint;
    kgui::CPoint lastPoint;
};
