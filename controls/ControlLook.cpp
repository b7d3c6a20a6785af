#include "controls/ControlLook.h"

#include <cmath>

#include "controls/ControlHost.h"
#include "toolkit/CDrawContext.h"

namespace look {

// ---- per-size tables: 100 / 125 / 150 / 200 %

const std::array<float, SCREEN_SIZE_COUNT> SCALE{1.0f, 1.25f, 1.5f, 2.0f};

const SizeTable MENU_DELTA_BUTTON_WIDTH{16, 20, 24, 32};
const SizeTable INDICATOR_SIZE{6, 7, 9, 12};
const SizeTable INDICATOR_OFF{20, 25, 30, 40};
const SizeTable SAMPLE_UP_START{50, 62, 75, 100};
const SizeTable SAMPLE_REFRESH_START{100, 125, 150, 200};
const SizeTable SAMPLE_MENU_START{158, 197, 237, 316};

// The toolkit's standard fonts are constant-initialised, so copying their
// pointers here is safe in any order of static initialisation.
const FontTable FONT_SIZES{kgui::kNormalFontVerySmall, kgui::kNormalFontSmall, kgui::kNormalFont,
                           kgui::kNormalFontVeryBig};
const FontTable LABEL_FONT_SIZES{kgui::kNormalFontVerySmall, kgui::kNormalFontSmall, kgui::kNormalFont,
                                 kgui::kNormalFontVeryBig};
const FontTable BIG_LABEL_FONT_SIZES{kgui::kNormalFont, kgui::kNormalFontBig, kgui::kNormalFontVeryBig,
                                     kgui::kNormalFontVeryBig};

// Columns: "-" x from the left edge, "-" y shift, "+" inset from the right edge, "+" y shift.
const std::array<TStepSignPlacement, SCREEN_SIZE_COUNT> STEP_SIGN_PLACEMENT{{
    {4, -1, 4, -1},
    {6, 0, 5, 1},
    {8, 0, 7, 1},
    {10, 0, 9, 1},
}};

// Rows: screen size; columns: knob style 0, 1, 2.
const std::array<std::array<float, 3>, SCREEN_SIZE_COUNT> KNOB_ARC_FACTOR{{
    {0.84f, 0.84f, 0.80f},
    {0.84f, 0.82f, 0.80f},
    {0.84f, 0.84f, 0.82f},
    {0.86f, 0.87f, 0.82f},
}};

const std::array<const char*, FX_STAGE_COUNT> FX_STAGE_NAMES{"LOW-FI", "MOD FX", "DELAY", "REVERB"};

// ---- helpers

int32 scaled(int32 v, int size) { return static_cast<int32>(static_cast<float>(v) * SCALE[clampScreenSize(size)]); }

int32 textHalfHeight(double fontSize) { return static_cast<int32>(fontSize + 2) / 2; }

double textCentreY(double top, double bottom, int size) { return (top + bottom) / 2 + (size == 0 ? 1 : 0); }

void drawStepButtons(kgui::CDrawContext* context, const CRect& rect, int size, const CColor& fontColour) {
    size = clampScreenSize(size);
    const double w = MENU_DELTA_BUTTON_WIDTH[size];
    const TStepSignPlacement& sign = STEP_SIGN_PLACEMENT[size];
    context->setFillColor(MENU_ARROW_COLOR);
    context->setFrameColor(MENU_ARROW_COLOR);
    context->fillRect(CRect(rect.left, rect.top, rect.left + w, rect.bottom));
    context->fillRect(CRect(rect.right - w, rect.top, rect.right, rect.bottom));
    context->setFontColor(fontColour);
    context->drawString("-",
                        CRect(rect.left + sign.minusX, rect.top + sign.minusY, rect.left + sign.minusX + w,
                              rect.bottom + sign.minusY),
                        kgui::kLeftText, true);
    context->drawString("+",
                        CRect(rect.right - w - sign.plusInset, rect.top + sign.plusY, rect.right - sign.plusInset,
                              rect.bottom + sign.plusY),
                        kgui::kRightText, true);
}

int stepButtonZone(const CRect& rect, double x, int size) {
    const double w = MENU_DELTA_BUTTON_WIDTH[clampScreenSize(size)];
    const double dx = x - rect.left;
    if (dx > rect.getWidth() - w)
        return 1;
    if (dx < w)
        return -1;
    return 0;
}

TLedColours ledColours(bool on, bool inverted, bool bypassed) {
    if (bypassed)
        return LED_BYPASSED;
    if (on)
        return inverted ? LED_ON_INVERTED : LED_ON;
    return inverted ? LED_OFF_INVERTED : LED_OFF;
}

void drawLed(kgui::CDrawContext* context, const CRect& rect, const TLedColours& colours) {
    const double w = rect.getWidth();
    const double ringInset = static_cast<int32>(0.1 * w);
    const double dotInset = static_cast<int32>(0.25 * w);
    context->setFrameColor(colours.ring);
    context->setFillColor(colours.dot);
    context->setLineWidth(2);
    context->drawEllipse(CRect(rect).inset(ringInset, ringInset), kgui::kDrawStroked);
    context->setLineWidth(1);
    context->drawEllipse(CRect(rect).inset(dotInset, dotInset), kgui::kDrawFilled);
}

CRect snapRounded(const CRect& rect) {
    // std::round takes halves away from zero.
    return CRect(std::round(rect.left), std::round(rect.top), std::round(rect.right), std::round(rect.bottom));
}

CRect snapTruncated(const CRect& rect) {
    return CRect(std::trunc(rect.left), std::trunc(rect.top), std::trunc(rect.right), std::trunc(rect.bottom));
}

}  // namespace look
