#include "controls/TReadout.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "controls/TextButtonMouse.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

TReadout::TReadout(const CRect& size, IControlListener* listener, const std::string& text, bool centered, bool boxed)
    : CControl(size, listener, NO_PARAM_TAG, nullptr), text(text), centered(centered), boxed(boxed) {}

void TReadout::setString(const std::string& newText) {
    if (newText == text)
        return;
    text = newText;
    setDirty(true);
}

void TReadout::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening())
        return;
    const int screen = look::clampScreenSize(host->getBig());
    if (boxed) {
        context->setFillColor(look::MENU_INNER_COLOR);
        context->fillRect(size);
    }
    context->setFontColor(look::TEXT_COLOR);
    context->setFont((bigFont ? look::BIG_LABEL_FONT_SIZES : look::FONT_SIZES)[screen]);
    const double hh = look::textHalfHeight(context->getFontSize());
    const double cy = look::textCentreY(size.top, size.bottom, screen);
    context->drawString(text, look::snapTruncated(CRect(size.left, cy - hh, size.left + size.getWidth(), cy + hh)),
                        centered ? kCenterText : kLeftText, true);
    setDirty(false);
}

CMouseEventResult TReadout::onMouseDown(CPoint&, const CButtonState& buttons) {
    return textButtonPressed(*this, buttons, reactToMouse);
}

CMouseEventResult TReadout::onMouseUp(CPoint&, const CButtonState& buttons) { return textButtonReleased(*this, buttons); }
