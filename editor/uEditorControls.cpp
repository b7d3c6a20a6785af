// The control table and the factories. A factory takes a position already
// scaled to the window's size, scales its own fixed sizes, makes the control
// with the editor as its listener, stores it in the member the caller names,
// registers it, and for the labelled forms makes its caption. Nothing here
// adds a view anywhere: the screens do (uEditorShowControls.cpp).
#include <algorithm>

#include "controls/ControlLook.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TRadioButton.h"
#include "controls/TReadout.h"
#include "editor/EditorTables.h"
#include "editor/uEditor.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

// The toolkit's menu style bits: a menu shows a check on its current entry;
// a submenu draws nothing of its own.
constexpr int32 MENU_STYLE = kCheckStyle;
constexpr int32 SUBMENU_STYLE = kCheckStyle | kNoDrawStyle;

// A caption's text holds "!" where its second line starts.
bool isTwoLines(const std::string& text) { return text.find('!') != std::string::npos; }

// A value for screen size s of a (100, 125, 150, 200 %) tuple.
int perSize(int s, int a, int b, int c, int d) {
    const int values[4] = {a, b, c, d};
    return values[look::clampScreenSize(s)];
}

}  // namespace

// ---------------------------------------------------------------- the table

void uEditor::addControl(CControl* control, int type) { registerControl(control, type); }

void uEditor::registerControl(CControl* control, int type) {
    if (!services || !control || !frame || controls.size() >= static_cast<size_t>(MAX_CONTROLS))
        return;
    controls.push_back({control, type, type != GENERIC});
    const int tag = control->getTag();
    previousWithTag.push_back(isValidTag(tag) ? tagToControl[static_cast<size_t>(tag)] : -1);
    if (isValidTag(tag)) {
        tagType[static_cast<size_t>(tag)] = type;
        tagToControl[static_cast<size_t>(tag)] = static_cast<int>(controls.size()) - 1;
        control->setDefaultValue(services->getDefaultValue(tag));
        control->setValue(services->getParameter(tag));
    } else {
        control->setDefaultValue(0);
        control->setValue(0);
    }
}

CControl* uEditor::getTagControl(int tag) const {
    if (!isValidTag(tag))
        return nullptr;
    const int index = tagToControl[static_cast<size_t>(tag)];
    return index >= 0 && index < getControlCount() ? controls[static_cast<size_t>(index)].control : nullptr;
}

// ---------------------------------------------------------------- captions

void uEditor::makeCaption(TLabel*& label, const CRect& r, const std::string& text, int align, CColor color) {
    createLabel(label, static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.getWidth()),
                static_cast<int>(r.getHeight()), text, look::LABEL_FONT_SIZES[static_cast<size_t>(getBig())], color,
                align);
}

void uEditor::createLabel(TLabel*& label, int x, int y, int w, int h, const std::string& text, CFontDesc* font,
                          CColor color, int align) {
    label = new TLabel(CRect(x, y, x + w, y + h), text, font, color, align);
    registerControl(label, CAPTION);
}

// ---------------------------------------------------------------- switches and buttons

void uEditor::createOnOff(TOnOff*& ctl, int tag, int x, int y) {
    const int size = getScaled(13);
    ctl = new TOnOff(CRect(x, y, x + size, y + size), this, tag, nullptr, false, 0);
    registerControl(ctl, ON_OFF);
}

void uEditor::createOnOff(TOnOff*& ctl, int tag, int x, int y, CBitmap* bitmap) {
    if (!bitmap)
        return;
    const CRect r(x, y, x + bitmap->getWidth(), y + static_cast<int>(bitmap->getHeight() * 0.5));
    ctl = new TOnOff(r, this, tag, bitmap, true, 0);
    registerControl(ctl, ON_OFF);
}

void uEditor::createOnOff(TOnOff*& ctl, int tag, int x, int y, TLabel*& label, const std::string& text, int side,
                          int labelWidth, int switchOffset) {
    createOnOff(ctl, tag, x + switchOffset, y);
    captionSwitch(label, x, y, text, side, labelWidth, perSize(getBig(), 2, 0, 0, 2), getScaled(2), look::TEXT_COLOR);
}

// The caption of a 13-point switch at (x, y): centred under it, belowGap
// lower (side 0), or right-aligned to its left, leftGap away.
void uEditor::captionSwitch(TLabel*& label, int x, int y, const std::string& text, int side, int labelWidth,
                            int belowGap, int leftGap, CColor color) {
    const int g13 = getScaled(13), w = labelWidth;
    const int h = isTwoLines(text) ? 2 * g13 : g13;
    if (side == 0)
        makeCaption(label, CRect(CPoint(x - w, y + g13 + belowGap), CPoint(g13 + 2 * w, h)), text, kCenterText,
                    color);
    else
        makeCaption(label, CRect(CPoint(x - leftGap - w, y + perSize(getBig(), 0, 1, 0, 1)), CPoint(w, h)), text,
                    kRightText, color);
}

void uEditor::createKickButtonArea(CKickButton*& ctl, int x, int y, int w, int h) {
    ctl = new CKickButton(CRect(x, y, x + w, y + h), this, NO_PARAM_TAG, nullptr, CPoint(0, 0));
    registerControl(ctl, GENERIC);
}

void uEditor::createKickButton(TKickButton*& ctl, int x, int y, int w, int h, const std::string& text, int kind) {
    ctl = new TKickButton(CRect(x, y, x + w, y + h), this, text, kind);
    registerControl(ctl, GENERIC);
}

void uEditor::createKickButton(TKickButton*& ctl, int x, int y, int w, int h, const std::string& text) {
    createKickButton(ctl, x, y, w, h, text, TKickButton::kText);
}

void uEditor::createKickButton(CKickButton*& ctl, int x, int y, int tag, CBitmap* bitmap) {
    if (!bitmap)
        return;
    const CRect r(x, y, x + bitmap->getWidth(), y + static_cast<int>(bitmap->getHeight() * 0.5));
    ctl = new CKickButton(r, this, tag, bitmap, CPoint(0, 0));
    registerControl(ctl, GENERIC);
}

void uEditor::createOnOffKick(TKickButton*& ctl, int x, int y, bool invert) {
    const int size = getScaled(13);
    createKickButton(ctl, x, y, size, size, "", TKickButton::kLed);
    if (invert)
        ctl->setInvert();
}

void uEditor::createKickButtonLabel(TKickButton*& ctl, int x, int y, TLabel*& label, const std::string& text,
                                    int side, CColor color, int labelWidth) {
    const int g13 = getScaled(13);
    createKickButton(ctl, x, y, g13, g13, "", TKickButton::kLed);
    captionSwitch(label, x, y, text, side, getScaled(labelWidth), perSize(getBig(), 0, 0, 0, 2), getScaled(4), color);
}

void uEditor::createRadio(TRadioButton*& ctl, int x, int y, int group, int index) {
    const int size = getScaled(13);
    ctl = new TRadioButton(CRect(x, y, x + size, y + size), this, group, index);
    registerControl(ctl, GENERIC);
}

void uEditor::createRadioLabel(TRadioButton*& ctl, int x, int y, int index, TLabel*& label, const std::string& text,
                               int side, int labelWidth) {
    createRadio(ctl, x, y, 0, index);
    const int s = getBig();
    captionSwitch(label, x, y, text, side, labelWidth, perSize(s, 2, 0, 0, 2), perSize(s, 4, 1, 0, 1),
                  look::TEXT_COLOR);
}

// ---------------------------------------------------------------- knobs and readouts

int uEditor::getKnobSize(int style) {
    switch (style) {
        case 0:
        case 1: return 60;
        case 2:
        case 3: return 44;
        default: return 30;
    }
}

bool uEditor::getKnobCenterMark(int style) { return style == 1 || style == 3 || style == 5; }

void uEditor::createKnob(TKnob*& ctl, int tag, int x, int y, int style) {
    const int size = getScaled(getKnobSize(style));
    CPoint offset(0, 0);
    ctl = new TKnob(CRect(x, y, x + size, y + size), this, tag, offset, getKnobCenterMark(style), size, style);
    registerControl(ctl, KNOB);
}

void uEditor::createKnob(TKnob*& ctl, int tag, int x, int y, int style, TLabel*& label, const std::string& text,
                         int margin) {
    createKnob(ctl, tag, x, y, style);
    const int size = getScaled(getKnobSize(style)), g9 = getScaled(9);
    const int h = isTwoLines(text) ? 2 * g9 : g9;
    makeCaption(label, CRect(CPoint(x - margin, y + size), CPoint(size + 2 * margin, h)), text, kCenterText,
                look::TEXT_COLOR);
}

void uEditor::createReadout(TReadout*& ctl, int x, int y, int w, int h, const std::string& text, bool centered,
                            bool boxed) {
    ctl = new TReadout(CRect(x, y, x + w, y + h), this, text, centered, boxed);
    registerControl(ctl, GENERIC);
}

void uEditor::createMenuButton(TMenuButton*& ctl, int kind, int x, int y, int w, int h, const std::string& text,
                               bool ledLook, bool boxed) {
    ctl = new TMenuButton(CRect(x, y, x + w, y + h), this, text, kind, ledLook, boxed);
    registerControl(ctl, GENERIC);
}

// ---------------------------------------------------------------- option menus

void uEditor::createMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h, int count,
                         std::span<const std::string> entries, bool centered, bool deltaButtons) {
    menu = new TOptionMenu(CRect(x, y, x + w, y + h), this, tag, nullptr, nullptr, MENU_STYLE, centered,
                           deltaButtons);
    // A step count beyond the table's names stops at its end.
    const size_t shown = std::min(entries.size(), static_cast<size_t>(std::max(count, 0)));
    for (size_t i = 0; i < shown; ++i)
        menu->addEntry(entries[i], -1, CMenuItem::kNoFlags);
    registerControl(menu, OPTION_MENU);
}

void uEditor::createMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h,
                         std::span<const std::string> entries, bool centered, bool deltaButtons) {
    if (!services)
        return;
    createMenu(menu, tag, x, y, w, h, services->getSteppedNum(tag), entries, centered, deltaButtons);
}

void uEditor::createLabelMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h, int count,
                              std::span<const std::string> entries, TLabel*& label, const std::string& text,
                              int side, int labelWidth, bool deltaButtons) {
    createMenu(menu, tag, x, y, w, h, count, entries, true, deltaButtons);
    const int s = getBig(), W = getScaled(labelWidth), g15 = getScaled(15);
    const int H = isTwoLines(text) ? 2 * g15 : g15;
    if (side == 0)
        makeCaption(label, CRect(CPoint(x - W, y + h + getScaled(1)), CPoint(w + 2 * W, H)), text, kCenterText,
                    look::TEXT_COLOR);
    else if (side == 1)
        makeCaption(label, CRect(CPoint(x - W, y - getScaled(13)), CPoint(w + 2 * W, H)), text, kCenterText,
                    look::TEXT_COLOR);
    else
        makeCaption(label, CRect(CPoint(x - perSize(s, 5, 7, 12, 13) - W, y), CPoint(W, H)), text, kRightText,
                    look::TEXT_COLOR);
}

void uEditor::createLabelMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h,
                              std::span<const std::string> entries, TLabel*& label, const std::string& text,
                              int side, int labelWidth, bool deltaButtons) {
    if (!services)
        return;
    createLabelMenu(menu, tag, x, y, w, h, services->getSteppedNum(tag), entries, label, text, side, labelWidth,
                    deltaButtons);
}

void uEditor::createSrcMenu(int slot, int tag, int x, int y, int w, int h) {
    if (slot < 0 || slot >= static_cast<int>(srcMenus.size()))
        return;
    const CRect r(x, y, x + w, y + h);
    TOptionMenu*& menu = srcMenus[static_cast<size_t>(slot)];
    menu = new TOptionMenu(r, this, tag, nullptr, nullptr, MENU_STYLE, true, true);
    menu->addEntry("None", -1, CMenuItem::kNoFlags);
    auto& submenus = srcSubMenus[static_cast<size_t>(slot)];
    for (int group = 0; group < SRC_SUB_COUNT; ++group) {
        TOptionMenu*& submenu = submenus[static_cast<size_t>(group)];
        submenu = new TOptionMenu(r, nullptr, tag, nullptr, nullptr, SUBMENU_STYLE, false, false);
        for (const TRange& range : SRC_SUB_RANGES)
            if (range.group == group)
                for (int source = range.first; source <= range.last; ++source)
                    submenu->addEntry(SRC_STR[static_cast<size_t>(source)], -1, CMenuItem::kNoFlags);
        menu->addEntry(submenu, SRC_SUB_STR[static_cast<size_t>(group)]);
    }
    registerControl(menu, OPTION_MENU);
}

void uEditor::createSrcMenu(int slot, int tag, int x, int y, int w, int h, TLabel*& label, const std::string& text,
                            int labelWidth) {
    createSrcMenu(slot, tag, x, y, w, h);
    const int W = getScaled(labelWidth), g8 = getScaled(8);
    makeCaption(label, CRect(CPoint(x - W, y + h + getScaled(6)), CPoint(w + 2 * W, isTwoLines(text) ? 2 * g8 : g8)),
                text, kCenterText, look::TEXT_COLOR);
}

void uEditor::createDestMenu(int slot, int x, int y, int w, int h, TLabel*& label, const std::string& text,
                             int labelWidth) {
    if (slot < 0 || slot >= static_cast<int>(destMenus.size()))
        return;
    const int tag = MOD_MENU_DEST_TAGS[static_cast<size_t>(slot)];
    const CRect r(x, y, x + w, y + h);
    TOptionMenu*& menu = destMenus[static_cast<size_t>(slot)];
    menu = new TOptionMenu(r, this, tag, nullptr, nullptr, MENU_STYLE, true, true);
    menu->addEntry("None", -1, CMenuItem::kNoFlags);
    auto& submenus = destSubMenus[static_cast<size_t>(slot)];
    for (size_t group = 0; group + 1 < DEST_SUB_START.size(); ++group) {
        TOptionMenu*& submenu = submenus[group];
        submenu = new TOptionMenu(r, nullptr, tag, nullptr, nullptr, SUBMENU_STYLE, false, false);
        for (int destination = DEST_SUB_START[group]; destination < DEST_SUB_START[group + 1]; ++destination)
            submenu->addEntry(destStr[static_cast<size_t>(destination)], -1, CMenuItem::kNoFlags);
        menu->addEntry(submenu, DEST_SUB_STR[group]);
    }
    registerControl(menu, OPTION_MENU);
    const int W = getScaled(labelWidth), g8 = getScaled(8);
    makeCaption(label, CRect(CPoint(x - W, y + h + getScaled(5)), CPoint(w + 2 * W, isTwoLines(text) ? 2 * g8 : g8)),
                text, kCenterText, look::TEXT_COLOR);
}
