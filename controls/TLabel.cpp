#include "controls/TLabel.h"

#include <vector>

#include "controls/ControlHost.h"
#include "controls/ControlLook.h"
#include "toolkit/CDrawContext.h"

using namespace kgui;

namespace {
constexpr char LINE_BREAK = '!';

CHoriTxtAlign alignmentOf(int alignment) {
    if (alignment == 2)
        return kRightText;
    return alignment != 0 ? kCenterText : kLeftText;
}

// "A!B" gives two lines, a trailing "!" an empty last line.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == LINE_BREAK)
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}
}  // namespace

TLabel::TLabel(const CRect& size, const std::string& text, CFontDesc* font, CColor color, int alignment)
    : CParamDisplay(size, nullptr, 0),
      text(text),
      labelFont(font ? font : kNormalFont),
      color(color),
      bypassedColor(look::withBypassedAlpha(color)),
      alignment(alignmentOf(alignment)) {
    labelFont->remember();
    setTag(NO_PARAM_TAG);
}

TLabel::~TLabel() { labelFont->forget(); }

void TLabel::setString(const std::string& newText) {
    if (newText == text)
        return;
    text = newText;
    setDirty(true);
}

void TLabel::setColor(CColor newColor) {
    if (newColor == color)
        return;
    color = newColor;
    bypassedColor = look::withBypassedAlpha(newColor);
    setDirty(true);
}

void TLabel::setIndicator(bool on, int phase) {
    if (on == indicator && phase == blinkPhase)
        return;
    const bool redraw = on != indicator || (on && phase != blinkPhase);
    indicator = on;
    blinkPhase = phase;
    if (redraw)
        setDirty(true);
}

void TLabel::setBypassed(bool state) {
    if (state == bypassed)
        return;
    bypassed = state;
    setDirty(true);
}

void TLabel::setInvisible(bool state) {
    if (state == invisible)
        return;
    invisible = state;
    setDirty(true);
}

void TLabel::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    if (!host || invisible || !host->getEditorFinishedOpening())
        return;
    const std::vector<std::string> lines = splitLines(text);
    context->setFont(labelFont, 0, kBoldFace);
    // The blinking indicator wins over the bypassed look.
    CColor shown = bypassed ? bypassedColor : color;
    if (indicator)
        shown = blinkPhase % 2 != 0 ? bypassedColor : color;
    context->setFontColor(shown);
    const double h = size.getHeight();
    const double n = static_cast<double>(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const CRect line(size.left, size.top + static_cast<double>(i) * h / n, size.right,
                         size.top + static_cast<double>(i + 1) * h / n);
        context->drawString(lines[i], look::snapTruncated(line), alignment, true);
    }
    setDirty(false);
}
