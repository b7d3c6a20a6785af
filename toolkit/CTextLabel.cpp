#include "toolkit/CTextLabel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

namespace kgui {

// ------------------------------------------------------------ CParamDisplay

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32 style)
    : CControl(size, nullptr, -1, background), font(kNormalFont), style(style) {
    font->remember();
}

CParamDisplay::~CParamDisplay() { font->forget(); }

void CParamDisplay::setFont(CFontRef newFont) {
    if (!newFont || newFont == font)
        return;
    newFont->remember();
    font->forget();
    font = newFont;
    setDirty(true);
}

void CParamDisplay::setFontColor(const CColor& color) {
    if (color != fontColor) {
        fontColor = color;
        setDirty(true);
    }
}

void CParamDisplay::setBackColor(const CColor& color) {
    if (color != backColor) {
        backColor = color;
        setDirty(true);
    }
}

void CParamDisplay::setFrameColor(const CColor& color) {
    if (color != frameColor) {
        frameColor = color;
        setDirty(true);
    }
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign align) {
    if (align != horiAlign) {
        horiAlign = align;
        setDirty(true);
    }
}

void CParamDisplay::setStyle(int32 newStyle) {
    if (newStyle != style) {
        style = newStyle;
        setDirty(true);
    }
}

void CParamDisplay::drawBack(CDrawContext* context) {
    if (background) {
        background->draw(context, size);
    } else if (!getTransparency()) {
        context->setFillColor(backColor);
        context->drawRect(size, kDrawFilled);
    }
    if (!getTransparency() && !(style & kNoFrame)) {
        context->setFrameColor(frameColor);
        context->setLineWidth(1);
        context->drawRect(size, kDrawStroked);
    }
}

void CParamDisplay::drawText(CDrawContext* context, const UTF8String& text) {
    context->setFont(font);
    context->setFontColor(fontColor);
    context->drawString(text, size, horiAlign, antialias);
}

void CParamDisplay::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        drawBack(context);
        char text[32];
        std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(value));
        drawText(context, text);
    }
    setDirty(false);
}

// --------------------------------------------------------------- CTextLabel

CTextLabel::CTextLabel(const CRect& size, UTF8StringPtr initialText, CBitmap* background, int32 style)
    : CParamDisplay(size, background, style), text(initialText ? initialText : "") {}

void CTextLabel::setText(const UTF8String& newText) {
    if (newText == text)
        return;
    text = newText;
    setDirty(true);
}

void CTextLabel::getText(char* buffer) const {
    if (!buffer)
        return;
    constexpr size_t kCallerBufferSize = 256;
    size_t length = std::min(text.size(), kCallerBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
}

void CTextLabel::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        drawBack(context);
        drawText(context, text);
    }
    setDirty(false);
}

// ---------------------------------------------------------------- CTextEdit

CTextEdit::CTextEdit(const CRect& size, IControlListener* listener, int32 tag, UTF8StringPtr initialText,
                     CBitmap* background, int32 style)
    : CTextLabel(size, initialText, background, style) {
    setListener(listener);
    setTag(tag);
}

void CTextEdit::draw(CDrawContext* context) {
    if (!editing) {
        CTextLabel::draw(context);
        return;
    }
    drawBack(context);
    drawText(context, editText);
    // The caret sits after the characters before it, measured in the same font
    // and alignment as the text.
    context->setFont(font);
    double fullWidth = context->getStringWidth(editText);
    double before = context->getStringWidth(editText.substr(0, caret));
    double start = size.left;
    if (horiAlign == kCenterText)
        start = size.left + (size.getWidth() - fullWidth) / 2;
    else if (horiAlign == kRightText)
        start = size.right - fullWidth;
    double x = std::floor(start + before);
    double fontSize = font->getSize();
    double top = (size.top + size.bottom) / 2 - fontSize / 2;
    context->setFrameColor(fontColor);
    context->setLineWidth(1);
    context->setDrawMode(kAliasing);
    context->drawLine(CPoint(x, top), CPoint(x, top + fontSize));
    setDirty(false);
}

CMouseEventResult CTextEdit::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!getMouseEnabled() || !(buttons & kLButton))
        return kMouseEventNotHandled;
    if (CFrame* frame = getFrame()) {
        if (frame->getFocusView() != this)
            frame->setFocusView(this);
    }
    if (!editing)
        takeFocus();
    caret = editText.size();
    invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CTextEdit::takeFocus() {
    if (editing)
        return;
    editing = true;
    editText = text.size() > maxLength ? text.substr(0, maxLength) : text;
    caret = editText.size();
    invalid();
}

void CTextEdit::looseFocus() {
    if (editing)
        commit();
}

void CTextEdit::removed(CViewContainer* oldParent) {
    // Taken out of the window while editing: the typing is dropped.
    editing = false;
    editText.clear();
    CTextLabel::removed(oldParent);
}

void CTextEdit::commit() {
    editing = false;
    text = editText;
    editText.clear();
    setDirty(true);
    invalid();
    CBaseObjectGuard guard(this);
    valueChanged();
}

void CTextEdit::cancel() {
    editing = false;
    editText.clear();
    invalid();
}

int32 CTextEdit::onKeyDown(VstKeyCode& key) {
    if (!editing)
        return -1;
    auto dropFocus = [this] {
        if (CFrame* frame = getFrame(); frame && frame->getFocusView() == this)
            frame->setFocusView(nullptr);
    };
    switch (key.virt) {
        case vst::VKEY_RETURN:
        case vst::VKEY_ENTER: {
            CBaseObjectGuard guard(this);
            commit();
            dropFocus();
            return 1;
        }
        case vst::VKEY_ESCAPE:
            cancel();
            dropFocus();
            return 1;
        case vst::VKEY_BACK:
            if (caret > 0) {
                editText.erase(caret - 1, 1);
                --caret;
                invalid();
            }
            return 1;
        case vst::VKEY_DELETE:
            if (caret < editText.size()) {
                editText.erase(caret, 1);
                invalid();
            }
            return 1;
        case vst::VKEY_LEFT:
            if (caret > 0)
                --caret;
            invalid();
            return 1;
        case vst::VKEY_RIGHT:
            if (caret < editText.size())
                ++caret;
            invalid();
            return 1;
        case vst::VKEY_HOME:
            caret = 0;
            invalid();
            return 1;
        case vst::VKEY_END:
            caret = editText.size();
            invalid();
            return 1;
        default:
            break;
    }
    // Printable ASCII is typed; everything else is left to others.
    if (key.character >= 32 && key.character < 127) {
        if (editText.size() < maxLength) {
            editText.insert(caret, 1, static_cast<char>(key.character));
            ++caret;
            invalid();
        }
        return 1;
    }
    return -1;
}

}  // namespace kgui
