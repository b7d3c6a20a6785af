#include "editor/uEditorPopup.h"

#include "engine/dsp/ParameterTags.h"

using namespace kgui;

TPopupMenu::TPopupMenu(CFrame* frame, double halfSide) : frame(frame) {
    CPoint mouse;
    if (frame)
        frame->getCurrentMouseLocation(mouse);
    square = CRect(mouse.x - halfSide, mouse.y - halfSide, mouse.x + halfSide, mouse.y + halfSide);
    menu = new COptionMenu(square, nullptr, NO_PARAM_TAG);
}

TPopupMenu::~TPopupMenu() { close(); }

void TPopupMenu::add(std::span<const std::string> titles) {
    for (const std::string& title : titles)
        menu->addEntry(title);
}

void TPopupMenu::addSwitch(const TSettingTexts& texts, bool on) {
    menu->addEntry(texts.heading);
    menu->addEntry(on ? texts.onText : texts.offText);
}

bool takeSwitchChoice(const TSettingTexts& texts, const std::string& chosen, bool& state) {
    if (chosen == texts.onText) {
        state = false;
        return true;
    }
    if (chosen == texts.offText) {
        state = true;
        return true;
    }
    return false;
}

int findValueEntry(std::span<const TValueEntry> entries, const std::string& title) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (title == entries[i].title)
            return static_cast<int>(i);
    return -1;
}

COptionMenu* TPopupMenu::makeSubmenu() const { return new COptionMenu(square, nullptr, NO_PARAM_TAG); }

void TPopupMenu::attach(COptionMenu& parent, COptionMenu* submenu, const std::string& title) {
    parent.addEntry(submenu, title);
    // The entry holds its own reference.
    submenu->forget();
}

COptionMenu* TPopupMenu::addSubmenu(COptionMenu& parent, const std::string& title,
                                    std::span<const std::string> titles) {
    COptionMenu* submenu = makeSubmenu();
    for (const std::string& entry : titles)
        submenu->addEntry(entry);
    attach(parent, submenu, title);
    return submenu;
}

void TPopupMenu::popup() {
    topTitle.clear();
    lastTitle.clear();
    if (!menu || !frame)
        return;
    // The frame takes the menu's first reference; close gives it back.
    if (!shown)
        shown = frame->addView(menu);
    menu->popup();
    frame->looseFocus();

    char text[256] = {};
    menu->getCurrent(text, false);
    topTitle = text;
    int32 index = -1;
    if (COptionMenu* holder = menu->getLastItemMenu(index))
        if (CMenuItem* item = holder->getCurrent())
            lastTitle = item->getTitle();
}

void TPopupMenu::close() {
    if (!menu)
        return;
    if (shown && frame) {
        frame->removeView(menu, true);
    } else {
        menu->forget();
    }
    menu = nullptr;
    shown = false;
    if (frame) {
        frame->setDirty(true);
        frame->invalidRect(frame->getViewSize());
        frame->setDirty(false);
    }
}
