#include "controls/TReadoutString.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "controls/TextButtonMouse.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TReadoutString::TReadoutString(const CRect& size, IControlListener* listener, const std::string& text, bool dark,
                               bool centered, bool reactToMouse)
    : CControl(size, listener, NO_PARAM_TAG, nullptr),
      text(text),
      textColor(dark ? kBlackCColor : kWhiteCColor),
      centered(centered),
      reactToMouse(reactToMouse) {}

void TReadoutString::setString(const std::string& newText) {
    if (newText == text)
        return;
    text = newText;
    setDirty(true);
}

void TReadoutString::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening())
        return;
    context->setFont(kNormalFontVeryBig);
    context->setFontColor(textColor);
    context->drawString(text, size, centered ? kCenterText : kLeftText, true);
    setDirty(false);
}

CMouseEventResult TReadoutString::onMouseDown(CPoint&, const CButtonState& buttons) {
    return textButtonPressed(*this, buttons, reactToMouse);
}

CMouseEventResult TReadoutString::onMouseUp(CPoint&, const CButtonState& buttons) {
    return textButtonReleased(*this, buttons);
}
