// Controls: views with a value, a tag and a listener, and the plain controls
// the editor builds on.
#pragma once

#include "toolkit/CView.h"

namespace kgui {

class CControl;

class IControlListener {
public:
    virtual ~IControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // Offered a click with modifiers before the control acts; non-zero claims it.
    virtual int32 controlModifierClicked(CControl* control, CButtonState buttons) {
        (void)control;
        (void)buttons;
        return 0;
    }
};

class CControl : public CView {
public:
    CControl(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0, CBitmap* background = nullptr);

    virtual void setValue(float value);
    float getValue() const { return value; }
    virtual void setMin(float newMin) { minValue = newMin; }
    float getMin() const { return minValue; }
    virtual void setMax(float newMax) { maxValue = newMax; }
    float getMax() const { return maxValue; }
    float getRange() const { return maxValue - minValue; }
    void setDefaultValue(float newDefault) { defaultValue = newDefault; }
    float getDefaultValue() const { return defaultValue; }
    // Clamps the value to min..max.
    virtual void bounceValue();

    void setTag(int32 newTag) { tag = newTag; }
    int32 getTag() const { return tag; }
    void setListener(IControlListener* newListener) { listener = newListener; }
    IControlListener* getListener() const { return listener; }

    // Tells the listener of the current value.
    virtual void valueChanged();
    // Brackets a gesture: the frame, its editor and the host hear of it once,
    // however deeply begin/end pairs nest.
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editDepth > 0; }

    // Dirty while the flag is set or the value differs from the one last drawn.
    void setDirty(bool state = true) override;
    bool isDirty() const override;
    void draw(CDrawContext* context) override;

    // A gesture cut short ends as its release would, away from the control;
    // an edit still open after that is closed for the host.
    CMouseEventResult onMouseCancel() override;
    void removed(CViewContainer* oldParent) override;

protected:
    // Closes the host's edit however deeply it is nested.
    void endOpenEdits();

    IControlListener* listener;
    int32 tag;
    float value = 0;
    float valueAtLastDraw = 0;
    float minValue = 0;
    float maxValue = 1;
    float defaultValue = 0.5f;
    int32 editDepth = 0;
};

// A knob whose value follows the wheel; subclasses draw and drag.
class CKnobBase : public CControl {
public:
    CKnobBase(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background);

    // value += wheelInc x distance (a tenth of that with Shift), clamped.
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    void setWheelInc(float increment) { wheelInc = increment; }
    float getWheelInc() const { return wheelInc; }

protected:
    float wheelInc = 0.01f;
};

// A knob drawn from a strip of images stacked vertically.
class CAnimKnob : public CKnobBase {
public:
    CAnimKnob(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps, double heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    int32 getNumSubPixmaps() const { return subPixmaps; }
    double getHeightOfOneImage() const { return heightOfOneImage; }

protected:
    int32 subPixmaps;
    double heightOfOneImage;
    CPoint offset;
};

// A switch drawn from a two-state image (off above on); a click toggles it.
class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, IControlListener* listener = nullptr, int32 tag = -1,
                 CBitmap* background = nullptr, int32 style = 0);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    int32 getStyle() const { return style; }

protected:
    int32 style;
};

// A momentary button: 1 while pressed with the pointer over it, 0 otherwise.
class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;

protected:
    CPoint offset;
};

}  // namespace kgui
