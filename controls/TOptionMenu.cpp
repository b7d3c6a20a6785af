#include "controls/TOptionMenu.h"

#include <cmath>

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
// Display types of the modulation menus' parameters.
constexpr int SOURCE_MENU_TYPE = 13;
constexpr int DESTINATION_MENU_TYPE = 14;
// The callers' title buffers hold 255 bytes and a zero.
constexpr size_t TITLE_BUFFER_SIZE = 256;
}  // namespace

TOptionMenu::TOptionMenu(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                         CBitmap* backgroundWhenClicked, int32 style, bool centered, bool deltaButtons)
    : COptionMenu(size, listener, tag, background, backgroundWhenClicked, style),
      centered(centered ? kCenterText : kLeftText),
      deltaButtons(deltaButtons) {}

void TOptionMenu::setString(const std::string& newText) {
    const std::string shown = newText.empty() ? std::string(" ") : newText;
    if (shown == text)
        return;
    text = shown;
    setDirty(true);
}

void TOptionMenu::setString(const char* newText) { setString(std::string(newText ? newText : "")); }

void TOptionMenu::setPresetMenu() {
    presetMenu = true;
    folderMenu = false;
    deltaButtons = false;
}

void TOptionMenu::setFolderMenu() {
    folderMenu = true;
    presetMenu = false;
    deltaButtons = false;
}

void TOptionMenu::setBypassed(bool state) {
    if (state == bypassed)
        return;
    bypassed = state;
    setDirty(true);
}

void TOptionMenu::setInvisible(bool state) {
    if (state == invisible)
        return;
    invisible = state;
    setDirty(true);
}

void TOptionMenu::setIndicator(bool on, int phase) {
    if (on == indicator && phase == blinkPhase)
        return;
    const bool redraw = on != indicator || (on && phase != blinkPhase);
    indicator = on;
    blinkPhase = phase;
    if (redraw)
        setDirty(true);
}

std::string TOptionMenu::shownText(TControlHost& host) const {
    std::string shown = text;
    if (shown.empty() && getCurrentIndex(true) >= 0 && getNbEntries() > 0) {
        char title[TITLE_BUFFER_SIZE];
        getCurrent(title, false);
        shown = title;
    }
    TEditorServices* services = host.getServices();
    if (services && look::isParameterTag(tag)) {
        const int type = services->getParamType(tag);
        if (type == SOURCE_MENU_TYPE)
            shown = services->getSrcShortStr(services->getSteppedValue(tag));
        else if (type == DESTINATION_MENU_TYPE)
            shown = host.getDestShortStr(services->getSteppedValue(tag));
    }
    return shown;
}

// a: the gap between the two arrows; h: their half-height.
void TOptionMenu::drawArrows(CDrawContext* context, double a, double h) const {
    const double my = (size.top + size.bottom) / 2;
    const double L = size.left;
    const double R = size.right;
    context->setFillColor(look::TEXT_COLOR);
    if (presetMenu) {
        const CPoint forward[3] = {{R, my}, {R - h, my + h}, {R - h, my - h}};
        const CPoint back[3] = {{R - a - h, my + h}, {R - a - h, my - h}, {R - a - 2 * h, my}};
        context->fillPolygon(forward, 3);
        context->fillPolygon(back, 3);
    } else if (folderMenu) {
        const CPoint back[3] = {{L, my}, {L + h, my + h}, {L + h, my - h}};
        const CPoint forward[3] = {{L + h + a, my + h}, {L + h + a, my - h}, {L + 2 * h + a, my}};
        context->fillPolygon(back, 3);
        context->fillPolygon(forward, 3);
    }
}

void TOptionMenu::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!host || !host->getEditorFinishedOpening() || !services || invisible)
        return;
    const int screen = look::clampScreenSize(host->getBig());
    const double W = size.getWidth();
    const double H = size.getHeight();
    const double a = look::scaled(4, screen);
    const double h = static_cast<int32>(H / 2 - a);

    if (!presetMenu && !folderMenu) {
        context->setFillColor(look::MENU_INNER_COLOR);
        context->setFrameColor(look::MENU_INNER_COLOR);
        context->fillRect(size);
    }
    context->setFont(look::FONT_SIZES[screen]);
    const CColor fontColour = bypassed ? look::TEXT_BYPASSED_COLOR : look::TEXT_COLOR;
    context->setFontColor(fontColour);
    context->setDrawMode(kAntiAliasing);
    drawArrows(context, a, h);
    context->setDrawMode(kAliasing);

    if (deltaButtons)
        look::drawStepButtons(context, size, screen, fontColour);

    if (tag == tag::FX_PATH) {
        for (int i = 0; i < look::FX_STAGE_COUNT; ++i) {
            const CRect line = look::snapTruncated(
                CRect(size.left, size.top + i * H / 4, size.left + W, size.top + (i + 1) * H / 4));
            context->drawString(look::FX_STAGE_NAMES[static_cast<size_t>(services->getFxPathStage(i))], line,
                                kCenterText, true);
        }
        setDirty(false);
        return;
    }

    const double k = look::textHalfHeight(context->getFontSize());
    const double m = look::textCentreY(size.top, size.bottom, screen);
    CRect textRect(size.left, m - k, size.left + W, m + k);
    if (folderMenu)
        textRect.left += static_cast<int32>(4 * h);
    context->drawString(shownText(*host), look::snapTruncated(textRect), centered, true);

    if (indicator && blinkPhase % 2 == 0) {
        const double i = look::INDICATOR_SIZE[static_cast<size_t>(screen)];
        const double o = look::INDICATOR_OFF[static_cast<size_t>(screen)];
        context->setFillColor(look::INDICATOR_COLOR);
        context->fillRect(CRect(size.left + o + i, size.top + i, size.left + o + H - i, size.bottom - i));
    }
    setDirty(false);
}

CMouseEventResult TOptionMenu::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!getMouseEnabled() || bypassed || invisible || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    const int screen = look::clampScreenSize(host->getBig());

    if (deltaButtons) {
        if (int zone = look::stepButtonZone(size, where.x, screen)) {
            if (look::wantsFine(buttons)) {
                if (zone < 0)
                    services->setSteppedValue(tag, 0);
                else
                    services->setSteppedValueMax(tag);
            } else {
                services->changeDelta(tag, zone, false, 1.0f);
            }
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
    }

    const double k = static_cast<int32>(2 * size.getHeight() / 3 - 4);
    if (presetMenu && where.x > size.right - static_cast<int32>(2.5 * k)) {
        // Programs are not stepped while one is being applied.
        if (!services->getIsSettingPreset())
            host->changeProgramDelta(where.x > size.right - k ? 1 : -1, false);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (folderMenu && where.x < size.left + 2 * k)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;

    lastButton = buttons;
    if (look::hasDefaultValueKey(buttons)) {
        services->setParameter(tag, look::wantsOriginalValue(buttons) ? services->getOrigValue(tag)
                                                                      : services->getDefaultValue(tag));
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (look::wantsTypedValue(buttons)) {
        services->setNumValue(tag);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (listener && (buttons & (kShift | kApple)) && listener->controlModifierClicked(this, buttons) != 0)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons & (kLButton | kRButton | kApple))
        doPopup();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool TOptionMenu::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (bypassed)
        return false;
    TControlHost* host = controlHostOf(this);
    if (!host)
        return true;
    TEditorServices* services = host->getServices();
    // Rolling up goes to the previous program, folder or entry.
    const int delta = distance > 0 ? -1 : (distance < 0 ? 1 : 0);
    if (presetMenu) {
        if (services && !services->getIsSettingPreset())
            host->changeProgramDelta(delta, false);
    } else if (folderMenu) {
        host->changeFolderDelta(delta, false);
    } else if (services) {
        services->changeDelta(tag, delta, look::wantsFine(buttons), 1.0f);
    }
    return true;
}
