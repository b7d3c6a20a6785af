#include "controls/TMenuButton.h"

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
// The tempo-synced speeds: 34 periods, stored as steps over this range.
constexpr float SYNCED_SPEED_RANGE = 33.99f;
constexpr int SYNCED_SPEED_COUNT = 34;
}  // namespace

TMenuButton::TMenuButton(const CRect& size, IControlListener* listener, const std::string& text, int kind,
                         bool ledLook, bool boxed)
    : CControl(size, listener, NO_PARAM_TAG, nullptr), ledLook(ledLook), boxed(boxed), kind(kind), text(text) {}

void TMenuButton::setString(const std::string& newText) {
    if (newText == text)
        return;
    text = newText;
    setDirty(true);
}

void TMenuButton::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || !host->getEditorFinishedOpening())
        return;
    const int screen = look::clampScreenSize(host->getBig());
    if (ledLook) {
        context->setDrawMode(kAntiAliasing);
        look::drawLed(context, size, look::LED_ON);
        context->setDrawMode(kAliasing);
    }
    if (boxed) {
        context->setFillColor(look::MENU_INNER_COLOR);
        context->setFrameColor(look::MENU_INNER_COLOR);
        context->fillRect(size);
        context->setFont(look::FONT_SIZES[screen]);
        look::drawStepButtons(context, size, screen, look::TEXT_COLOR);
        const double k = look::textHalfHeight(context->getFontSize());
        const double m = look::textCentreY(size.top, size.bottom, screen);
        context->drawString(text, look::snapTruncated(CRect(size.left, m - k, size.right, m + k)), kCenterText, true);
    }
    setDirty(false);
}

// Movement Speed is continuous, so the stepped setters would leave it alone:
// with tempo sync the ends are the first and last period, without it the
// slowest and fastest speed.
void TMenuButton::stepSpeedToEnd(TEditorServices& services, int zone) {
    if (services.getOnOff(tag::MOVEMENT_TEMPO_SYNC))
        services.setSteppedValue(tag::MOVEMENT_SPEED, zone < 0 ? 0 : SYNCED_SPEED_COUNT - 1, SYNCED_SPEED_RANGE,
                                 SYNCED_SPEED_COUNT);
    else
        services.setParameterAutomated(tag::MOVEMENT_SPEED, zone < 0 ? 0.0f : 1.0f);
}

CMouseEventResult TMenuButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!getMouseEnabled() || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;

    if (kind == kMoveSpeedMenu) {
        if (int zone = look::stepButtonZone(size, where.x, look::clampScreenSize(host->getBig()))) {
            if (look::wantsFine(buttons))
                stepSpeedToEnd(*services, zone);
            else
                services->changeDelta(tag::MOVEMENT_SPEED, zone, false, 1.0f);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        if (buttons.isDoubleClick() || look::hasDefaultValueKey(buttons)) {
            const bool original = look::wantsOriginalValue(buttons);
            services->setParameter(tag::MOVEMENT_SPEED, original ? services->getOrigValue(tag::MOVEMENT_SPEED)
                                                                : services->getDefaultValue(tag::MOVEMENT_SPEED));
            setDirty(true);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        // Only a plain left Alt-click types a value; anything else with Alt opens the menu.
        if (buttons.getButtonState() == (kLButton | kAlt)) {
            services->setNumValue(tag::MOVEMENT_SPEED);
            setDirty(true);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        host->showMoveSpeedMenu();
        return kMouseEventHandled;
    }
    if (kind == kSettingsMenu)
        host->showControlMenu();
    else if (kind == kECSMenu)
        host->showECSMenu();
    return kMouseEventHandled;
}

CMouseEventResult TMenuButton::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventHandled; }

bool TMenuButton::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (kind != kMoveSpeedMenu)
        return false;
    TControlHost* host = controlHostOf(this);
    if (TEditorServices* services = host ? host->getServices() : nullptr)
        services->changeDelta(tag::MOVEMENT_SPEED, distance > 0 ? 1 : (distance < 0 ? -1 : 0), look::wantsFine(buttons),
                              1.0f);
    return true;
}
