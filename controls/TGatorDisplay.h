// The Gator's 16-step on/off pattern, held as 16 bits inside one parameter
// value (the control's value), over as many steps as "Mod FX 3" sets, with a
// marker on the step now playing. A click toggles the step under the mouse;
// Alt clears the pattern, Shift fills it, Ctrl sets the default.
#pragma once

#include <cstdint>

#include "engine/dsp/GatorPattern.h"
#include "engine/dsp/ParameterTags.h"
#include "toolkit/CControl.h"

class TGatorDisplay : public kgui::CControl {
public:
    // tag: the pattern's parameter ("Mod FX 4" left, "Mod FX 5" right).
    TGatorDisplay(const kgui::CRect& rect, kgui::IControlListener* listener, kgui::int32 tag);

    // Off: the bypassed look, without the marker.
    void setOn(bool state);
    bool isOn() const { return on; }
    // The playing step, -1 for none.
    void setGaterPos(int position);
    int getGaterPos() const { return gaterPos; }

    // The pattern in a value: bit i is step i. Read as the effect reads it,
    // so that a host's value shows (and edits) the steps that are heard.
    static std::uint32_t maskOf(float value) { return gator::patternMask(value); }
    static float valueOf(std::uint32_t mask) { return gator::patternValue(mask); }
    // The step under x (in the view's parent coordinates), 0..15.
    int stepAt(double x) const;

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;

    static constexpr int STEP_COUNT = gator::PATTERN_STEPS;
    static constexpr kgui::int32 LENGTH_TAG = tag::MOD_FX_3;  // the steps played, 0..1 for 1..16

private:
    bool on = true;
    kgui::int32 gaterPos = 1;
    float stepWidth;
};
