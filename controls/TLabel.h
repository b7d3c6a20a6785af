// The editor's captions: text in a given font and colour, bold, possibly in
// several lines ("!" separates them), with bypassed (dimmed), blinking
// indicator and invisible looks.
#pragma once

#include <string>

#include "toolkit/CTextLabel.h"

class TLabel : public kgui::CParamDisplay {
public:
    // alignment: 0 left, 1 centre, 2 right; any other non-zero value centres.
    TLabel(const kgui::CRect& size, const std::string& text, kgui::CFontDesc* font, kgui::CColor color,
           int alignment);
    ~TLabel() override;
    TLabel(const TLabel&) = delete;
    TLabel& operator=(const TLabel&) = delete;

    void setString(const std::string& newText);
    const std::string& getString() const { return text; }
    void setColor(kgui::CColor newColor);
    // While on, the caption dims for odd phases.
    void setIndicator(bool on, int phase);
    void setBypassed(bool state);
    void setOn(bool on) { setBypassed(!on); }
    void setInvisible(bool state);
    bool isBypassed() const { return bypassed; }
    bool isInvisible() const { return invisible; }

    void draw(kgui::CDrawContext* context) override;

private:
    std::string text;
    kgui::CFontDesc* labelFont;
    kgui::CColor color;
    kgui::CColor bypassedColor;
    kgui::CHoriTxtAlign alignment;
    bool invisible = false;
    bool bypassed = false;
    bool indicator = false;
    int blinkPhase = 0;
};
