// Text views: a value display, a fixed label and an editable text field.
#pragma once

#include "toolkit/CControl.h"
#include "toolkit/CFont.h"

namespace kgui {

// Style bits of the display family (and the option menu built on it).
enum CParamDisplayStyle : int32 {
    kNoFrame = 1 << 3,
    kNoDrawStyle = 1 << 4,    // the view draws nothing of its own
    kCheckStyle = 1 << 8,     // menus: the current entry is shown checked
};

// Shows its value as text on an optional background.
class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32 style = 0);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;

    void setFont(CFontRef font);
    CFontRef getFont() const { return font; }
    void setFontColor(const CColor& color);
    const CColor& getFontColor() const { return fontColor; }
    void setBackColor(const CColor& color);
    const CColor& getBackColor() const { return backColor; }
    void setFrameColor(const CColor& color);
    const CColor& getFrameColor() const { return frameColor; }
    void setHoriAlign(CHoriTxtAlign align);
    CHoriTxtAlign getHoriAlign() const { return horiAlign; }
    void setAntialias(bool state) { antialias = state; }
    bool getAntialias() const { return antialias; }
    void setStyle(int32 newStyle);
    int32 getStyle() const { return style; }

protected:
    void drawBack(CDrawContext* context);
    void drawText(CDrawContext* context, const UTF8String& text);

    CFontRef font;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CHoriTxtAlign horiAlign = kCenterText;
    int32 style;
    bool antialias = true;
};

class CTextLabel : public CParamDisplay {
public:
    CTextLabel(const CRect& size, UTF8StringPtr text = nullptr, CBitmap* background = nullptr, int32 style = 0);

    void draw(CDrawContext* context) override;
    virtual void setText(const UTF8String& newText);
    virtual const UTF8String& getText() const { return text; }
    // Copies the text with its terminating zero into a caller's buffer of
    // 256 bytes, cut to 255 bytes when longer.
    virtual void getText(char* buffer) const;

protected:
    UTF8String text;
};

// A text field edited in place: a click starts editing with a caret; Return,
// Enter or losing the focus commit (the listener hears valueChanged), Escape
// cancels.
class CTextEdit : public CTextLabel {
public:
    CTextEdit(const CRect& size, IControlListener* listener, int32 tag, UTF8StringPtr text = nullptr,
              CBitmap* background = nullptr, int32 style = 0);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    int32 onKeyDown(VstKeyCode& keyCode) override;
    bool wantsFocus() const override { return getMouseEnabled(); }
    void takeFocus() override;
    void looseFocus() override;
    void removed(CViewContainer* oldParent) override;

    bool isEditing() const { return editing; }
    const UTF8String& getEditText() const { return editText; }
    size_t getCaretPosition() const { return caret; }
    void setMaxLength(size_t length) { maxLength = length; }
    size_t getMaxLength() const { return maxLength; }

private:
    void commit();
    void cancel();

    bool editing = false;
    UTF8String editText;
    size_t caret = 0;
    size_t maxLength = 15;
};

}  // namespace kgui
