// The drop-down value field: a dark box showing the current choice of a
// stepped parameter that opens the toolkit's pop-up menu when clicked. It may
// carry "-" and "+" step buttons at its ends, be the program menu (arrows at
// the right end step through the programs), the folder menu (arrows at the
// left end), or the "FX Path" field, which stacks the four effect stages in
// their order. A blinking square, the indicator, can mark it. Modulation
// source and destination fields show short names.
#pragma once

#include <string>

#include "toolkit/COptionMenu.h"

class TControlHost;

class TOptionMenu : public kgui::COptionMenu {
public:
    // style: the toolkit's (256 for menus, 272 for submenus); centered: the
    // text is centred, else left-aligned; deltaButtons: "-" and "+" at the ends.
    TOptionMenu(const kgui::CRect& size, kgui::IControlListener* listener, kgui::int32 tag,
                kgui::CBitmap* background, kgui::CBitmap* backgroundWhenClicked, kgui::int32 style, bool centered,
                bool deltaButtons);

    // The text shown in the box; an empty one shows a single blank. Until a
    // text is set, the current entry's title is shown.
    void setString(const std::string& newText);
    void setString(const char* newText);
    const std::string& getString() const { return text; }
    // Looks fixed by the layout after construction (no redraw).
    void setPresetMenu();
    void setFolderMenu();
    void setDeltaOff() { deltaButtons = false; }
    void setBypassed(bool state);
    void setInvisible(bool state);
    // The square shows while on and the phase is even; a phase change while
    // off is stored without a redraw.
    void setIndicator(bool on, int phase);

    bool isPresetMenu() const { return presetMenu; }
    bool isFolderMenu() const { return folderMenu; }
    bool hasDeltaButtons() const { return deltaButtons; }
    bool isBypassed() const { return bypassed; }
    bool isInvisible() const { return invisible; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

private:
    // The text the box shows now: a source or destination menu's short name,
    // the set text, or the current entry's title.
    std::string shownText(TControlHost& host) const;
    void drawArrows(kgui::CDrawContext* context, double a, double h) const;

    std::string text;  // empty only until a text is set
    kgui::CHoriTxtAlign centered;
    bool deltaButtons;
    bool invisible = false;
    bool folderMenu = false;
    bool presetMenu = false;
    bool bypassed = false;
    bool indicator = false;
    int blinkPhase = 0;
};
